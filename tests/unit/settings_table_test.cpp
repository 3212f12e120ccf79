// The table of stored settings: names, kinds, defaults and order, the fields each row fills,
// and the repairs of hand-edited values.

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <type_traits>

#include "settings/settings_table.h"

namespace {

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string NoLayoutNames(uint8_t) { return std::string(); }

}  // namespace

TEST(SettingsTable, NamesKindsAndDefaultsInLoadOrder) {
  struct Expected {
    const char* name;
    SettingKind kind;
    int32_t number;
    const char* text;
  } expected[kSettingCount] = {
      {"Zoom", SettingKind::Integer, 4, ""},
      {"Transparency", SettingKind::Integer, 20, ""},
      {"Show Cross", SettingKind::Boolean, 0, ""},
      {"Show Borders", SettingKind::Boolean, 1, ""},
      {"Move Window", SettingKind::Boolean, 1, ""},
      {"Always Top", SettingKind::Boolean, 1, ""},
      {"Show Mouse Pos", SettingKind::Boolean, 0, ""},
      {"Left", SettingKind::Integer, 0, ""},
      {"Top", SettingKind::Integer, 0, ""},
      {"Width", SettingKind::Integer, 150, ""},
      {"Height", SettingKind::Integer, 150, ""},
      {"ShortCut Dialog", SettingKind::String, 0, "Ctrl+Alt+D"},
      {"ShortCut ShowHide", SettingKind::String, 0, "Ctrl+Alt+H"},
      {"ShortCut ZOOM", SettingKind::String, 0, "Ctrl+Alt+Z"},
      {"ShortCut SIZE", SettingKind::String, 0, "Ctrl+Alt+S"},
      {"ShortCut TRANSPARENT", SettingKind::String, 0, "Ctrl+Alt+T"},
      {"ShortCut CLIPBOARD", SettingKind::String, 0, "Ctrl+Alt+C"},
      {"ShortCut SAVEFILE", SettingKind::String, 0, "Ctrl+Alt+F"},
  };
  const auto& table = SettingsTable();
  for (size_t i = 0; i < kSettingCount; ++i) {
    EXPECT_STREQ(table[i].name, expected[i].name) << i;
    EXPECT_EQ(table[i].kind, expected[i].kind) << i;
    EXPECT_EQ(table[i].defaultNumber, expected[i].number) << i;
    EXPECT_STREQ(table[i].defaultText, expected[i].text) << i;
  }
}

TEST(SettingsTable, EachRowHasItsOwnFieldOfItsKind) {
  MagnifierState state;
  StoredWindowGeometry geometry;
  std::set<const void*> fields;
  for (const SettingRow& row : SettingsTable()) {
    const SettingTarget target = SettingTargetOf(row.id, state, geometry);
    switch (row.kind) {
      case SettingKind::Integer: EXPECT_TRUE(std::holds_alternative<int32_t*>(target)) << row.name; break;
      case SettingKind::Boolean: EXPECT_TRUE(std::holds_alternative<bool*>(target)) << row.name; break;
      case SettingKind::String: EXPECT_TRUE(std::holds_alternative<TShortCut*>(target)) << row.name; break;
    }
    fields.insert(std::visit([](auto* p) { return static_cast<const void*>(p); }, target));
  }
  EXPECT_EQ(fields.size(), kSettingCount);
}

TEST(SettingsTable, RowsReachTheNamedFields) {
  MagnifierState state;
  StoredWindowGeometry geometry;
  EXPECT_EQ(std::get<int32_t*>(SettingTargetOf(SettingId::Zoom, state, geometry)), &state.Zoom);
  EXPECT_EQ(std::get<bool*>(SettingTargetOf(SettingId::MoveToMouse, state, geometry)), &state.MoveToMouse);
  EXPECT_EQ(std::get<bool*>(SettingTargetOf(SettingId::ShowMousePos, state, geometry)), &state.ShowMousePos);
  EXPECT_EQ(std::get<int32_t*>(SettingTargetOf(SettingId::Top, state, geometry)), &geometry.Top);
  EXPECT_EQ(std::get<int32_t*>(SettingTargetOf(SettingId::Height, state, geometry)), &geometry.Height);
  EXPECT_EQ(std::get<TShortCut*>(SettingTargetOf(SettingId::ShortCutZoom, state, geometry)),
            &state.Shortcuts[scZoom]);
  EXPECT_EQ(std::get<TShortCut*>(SettingTargetOf(SettingId::ShortCutSaveFile, state, geometry)),
            &state.Shortcuts[scSaveFile]);
}

// Loading every default through the table must give exactly the state a fresh MagnifierState
// starts with: the two cannot drift apart.
TEST(SettingsTable, DefaultsLoadedThroughTheTableEqualTheStartState) {
  MagnifierState loaded;
  loaded.Zoom = 99;
  loaded.Transparency = 99;
  loaded.ShowCross = true;
  loaded.ShowBorders = loaded.MoveToMouse = loaded.AlwaysTop = false;
  loaded.ShowMousePos = true;
  loaded.Shortcuts.fill(0);
  StoredWindowGeometry geometry{7, 7, 7, 7};
  for (const SettingRow& row : SettingsTable()) {
    std::visit(
        [&](auto* field) {
          using T = std::remove_pointer_t<decltype(field)>;
          if constexpr (std::is_same_v<T, TShortCut>)
            *field = ParseShortCut(row.defaultText, NoLayoutNames, AsciiEqualsNoCase);
          else
            *field = static_cast<T>(row.defaultNumber);
        },
        SettingTargetOf(row.id, loaded, geometry));
  }
  const MagnifierState fresh;
  EXPECT_EQ(loaded.Zoom, fresh.Zoom);
  EXPECT_EQ(loaded.Transparency, fresh.Transparency);
  EXPECT_EQ(loaded.ShowCross, fresh.ShowCross);
  EXPECT_EQ(loaded.ShowBorders, fresh.ShowBorders);
  EXPECT_EQ(loaded.MoveToMouse, fresh.MoveToMouse);
  EXPECT_EQ(loaded.AlwaysTop, fresh.AlwaysTop);
  EXPECT_EQ(loaded.ShowMousePos, fresh.ShowMousePos);
  EXPECT_EQ(loaded.Shortcuts, fresh.Shortcuts);
  EXPECT_EQ(geometry.Left, 0);
  EXPECT_EQ(geometry.Top, 0);
  EXPECT_EQ(geometry.Width, 150);
  EXPECT_EQ(geometry.Height, 150);
}

TEST(SettingsRepair, ZoomBelowTwo) {
  EXPECT_EQ(SanitizeZoom(0), 2);
  EXPECT_EQ(SanitizeZoom(1), 2);
  EXPECT_EQ(SanitizeZoom(-7), 2);
  EXPECT_EQ(SanitizeZoom(INT32_MIN), 2);
  EXPECT_EQ(SanitizeZoom(2), 2);
  EXPECT_EQ(SanitizeZoom(3), 3);
  EXPECT_EQ(SanitizeZoom(500), 500);  // the wheel may have taken it past 50
}

TEST(SettingsRepair, TransparencyOutsideThePercentRange) {
  for (int32_t kept : {0, 1, 20, 99, 100}) EXPECT_EQ(SanitizeTransparency(kept), kept);
  for (int32_t damaged : {-1, 101, INT32_MIN, INT32_MAX}) EXPECT_EQ(SanitizeTransparency(damaged), 20);
}

TEST(SettingsRepair, WindowSize) {
  const WindowSizeLimits limits{18, 40, 3840, 2160};
  auto fix = [&](int32_t w, int32_t h) {
    const StoredWindowSize s = SanitizeWindowSize(w, h, limits);
    return std::make_pair(s.width, s.height);
  };
  EXPECT_EQ(fix(150, 150), std::make_pair(150, 150));
  EXPECT_EQ(fix(0, 0), std::make_pair(0, 0));  // keep the design size
  EXPECT_EQ(fix(0, 300), std::make_pair(0, 300));
  EXPECT_EQ(fix(-5, -1), std::make_pair(18, 40));
  EXPECT_EQ(fix(INT32_MIN, 1), std::make_pair(18, 40));
  EXPECT_EQ(fix(17, 39), std::make_pair(18, 40));
  EXPECT_EQ(fix(18, 40), std::make_pair(18, 40));
  EXPECT_EQ(fix(100000, INT32_MAX), std::make_pair(3840, 2160));
  EXPECT_EQ(fix(3840, 2160), std::make_pair(3840, 2160));
  // A maximum below the minimum (a tiny screen) gives way to the minimum.
  EXPECT_EQ(SanitizeWindowSize(500, 500, {18, 40, 10, 10}).width, 18);
  EXPECT_EQ(SanitizeWindowSize(500, 500, {18, 40, 10, 10}).height, 40);
}
