#pragma once
// The magnifier's 18 stored values as one table, in load and save order, so that loading and
// saving walk the same rows and cannot drift apart. Each row names its registry value, its
// kind, its default and the field it fills (a MagnifierState field or a slot of the window's
// stored geometry).
//
//   for (const SettingRow& row : SettingsTable())
//     std::visit([&](auto* field) { /* read or write row.name into *field */ },
//                SettingTargetOf(row.id, state, geometry));
//
// Integer rows target int32_t, boolean rows bool, string rows a TShortCut (the registry holds
// its text form).

#include <array>
#include <cstddef>
#include <cstdint>
#include <variant>

#include "app/magnifier_state.h"
#include "settings/shortcut.h"

enum class SettingKind { Integer, Boolean, String };

enum class SettingId {
  Zoom,
  Transparency,
  ShowCross,
  ShowBorders,
  MoveToMouse,
  AlwaysTop,
  ShowMousePos,
  Left,
  Top,
  Width,
  Height,
  ShortCutDialog,
  ShortCutShowHide,
  ShortCutZoom,
  ShortCutSize,
  ShortCutTransparent,
  ShortCutClipboard,
  ShortCutSaveFile,
};

constexpr size_t kSettingCount = 18;

struct SettingRow {
  SettingId id;
  const char* name;         // the registry value name
  SettingKind kind;
  int32_t defaultNumber;    // Integer; Boolean as 0 or 1; 0 for String
  const char* defaultText;  // String: the shortcut text; "" otherwise
};

// The rows in load and save order.
const std::array<SettingRow, kSettingCount>& SettingsTable();

// The window's stored position and outer size. On load a value of 0 leaves the window's design
// value in place; on save the window's current geometry is written.
struct StoredWindowGeometry {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

using SettingTarget = std::variant<int32_t*, bool*, TShortCut*>;

// The field that row `id` reads into and writes from.
SettingTarget SettingTargetOf(SettingId id, MagnifierState& state, StoredWindowGeometry& geometry);

// Repairs for hand-edited values, applied after loading.

// A zoom step below 2 (0 would divide by zero in the capture tick) becomes 2.
int32_t SanitizeZoom(int32_t zoom);

// A transparency outside 0..100 is no value the program stores: it becomes the default 20, so
// that a damaged value (2147483647) cannot hide the lens behind an alpha of 0 from the start.
int32_t SanitizeTransparency(int32_t percent);

struct WindowSizeLimits {
  int32_t minWidth;
  int32_t minHeight;
  int32_t maxWidth;   // e.g. the virtual screen's size; a maximum below the minimum counts as the minimum
  int32_t maxHeight;
};

struct StoredWindowSize {
  int32_t width;
  int32_t height;
};

// Each side: 0 stays 0 (keep the design size); negative or below the minimum becomes the
// minimum; above the maximum becomes the maximum.
StoredWindowSize SanitizeWindowSize(int32_t width, int32_t height, const WindowSizeLimits& limits);
