#pragma once
// The magnifier's process-wide record: its settings and the run-time flags that the capture
// tick, the wheel, the hotkeys and the dialogs share. Exactly one exists, owned by the
// application (see TfrmZoom); the setup dialog edits the settings fields in place.

#include <array>
#include <cstdint>

#include "settings/shortcut.h"

class TProgramSetup;

// The seven hotkeys, in their fixed order.
enum ShortcutSlot : int {
  scDialog = 0,
  scShowHide,
  scZoom,
  scSize,
  scTransparent,
  scClipboard,
  scSaveFile,
  scCount
};

enum WheelModeKind : int32_t { wmNone = 0, wmZoom = 1, wmTransparency = 2, wmSize = 3 };

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

struct MagnifierState {
  // Stored settings.
  int32_t Zoom = 4;            // zoom step N; magnification N/2; never below 2
  int32_t Transparency = 20;   // percent: 0 opaque .. 100 invisible
  bool ShowCross = false;
  bool ShowBorders = true;
  bool MoveToMouse = true;
  bool AlwaysTop = true;
  bool ShowMousePos = false;
  std::array<TShortCut, scCount> Shortcuts{0xC044, 0xC048, 0xC05A, 0xC053, 0xC054, 0xC043, 0xC046};

  // Run-time flags.
  bool Busy = false;
  bool FirstTick = false;
  int32_t WheelMode = wmNone;
  ScreenPoint CursorPos{};
  TProgramSetup* Settings = nullptr;  // opened by the settings load, kept until the process ends
};
