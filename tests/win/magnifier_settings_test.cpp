// The magnifier's 18 registry values: defaults, repairs of hand-edited values, the geometry
// rule (a stored 0 keeps the design value), shortcut texts, and a save/load round trip.

#include "settings/magnifier_settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/test_registry_key.h"
#include "toolkit/errors.h"

namespace {

// The magnifier window's design position and client size, before the settings replace them.
constexpr StoredWindowGeometry kDesign{508, 296, 307, 274};

class MagnifierSettingsTest : public ::testing::Test {
 protected:
  // Loads from the test key into a fresh state whose fields all differ from the defaults,
  // so every default seen afterwards was put there by the load.
  MagnifierState Load(StoredWindowGeometry& geometry) {
    MagnifierState state;
    state.Zoom = 99;
    state.Transparency = 77;
    state.ShowCross = true;
    state.ShowBorders = false;
    state.MoveToMouse = false;
    state.AlwaysTop = false;
    state.ShowMousePos = true;
    state.Shortcuts.fill(0x1234);
    LoadMagnifierSettings(state, geometry, store_, key_.Path().c_str());
    return state;
  }
  MagnifierState Load() {
    StoredWindowGeometry geometry = kDesign;
    return Load(geometry);
  }
  StoredWindowGeometry LoadGeometry() {
    StoredWindowGeometry geometry = kDesign;
    Load(geometry);
    return geometry;
  }

  TestRegistryKey key_;
  std::unique_ptr<TProgramSetup> store_;
};

void ExpectDefaults(const MagnifierState& state) {
  EXPECT_EQ(state.Zoom, 4);
  EXPECT_EQ(state.Transparency, 20);
  EXPECT_FALSE(state.ShowCross);
  EXPECT_TRUE(state.ShowBorders);
  EXPECT_TRUE(state.MoveToMouse);
  EXPECT_TRUE(state.AlwaysTop);
  EXPECT_FALSE(state.ShowMousePos);
  // Ctrl+Alt+ D, H, Z, S, T, C, F
  const std::array<TShortCut, scCount> expected{0xC044, 0xC048, 0xC05A, 0xC053,
                                                0xC054, 0xC043, 0xC046};
  EXPECT_EQ(state.Shortcuts, expected);
}

void ExpectGeometry(const StoredWindowGeometry& g, int32_t left, int32_t top, int32_t width,
                    int32_t height) {
  EXPECT_EQ(g.Left, left);
  EXPECT_EQ(g.Top, top);
  EXPECT_EQ(g.Width, width);
  EXPECT_EQ(g.Height, height);
}

TEST_F(MagnifierSettingsTest, EmptyKeyGivesTheDefaultsAndSaveWritesAll18) {
  StoredWindowGeometry geometry = kDesign;
  MagnifierState state = Load(geometry);
  ExpectDefaults(state);
  ExpectGeometry(geometry, 508, 296, 150, 150);  // first run: 150 x 150 at the design position
  ASSERT_NE(store_, nullptr);
  EXPECT_EQ(state.Settings, store_.get());
  EXPECT_TRUE(store_->IsOpen());
  EXPECT_TRUE(key_.Exists());
  EXPECT_TRUE(key_.ValueNames().empty());  // loading writes nothing

  SaveMagnifierSettings(state, geometry);
  EXPECT_EQ(key_.ValueNames().size(), 18u);
  const std::vector<std::pair<const char*, uint32_t>> numbers{
      {"Zoom", 4},          {"Transparency", 20}, {"Show Cross", 0}, {"Show Borders", 1},
      {"Move Window", 1},   {"Always Top", 1},    {"Show Mouse Pos", 0},
      {"Left", 508},        {"Top", 296},         {"Width", 150},    {"Height", 150}};
  for (const auto& [name, value] : numbers) {
    EXPECT_TRUE(key_.Get(name).IsDword(value)) << name;
  }
  const std::vector<std::pair<const char*, const char*>> texts{
      {"ShortCut Dialog", "Ctrl+Alt+D"},      {"ShortCut ShowHide", "Ctrl+Alt+H"},
      {"ShortCut ZOOM", "Ctrl+Alt+Z"},        {"ShortCut SIZE", "Ctrl+Alt+S"},
      {"ShortCut TRANSPARENT", "Ctrl+Alt+T"}, {"ShortCut CLIPBOARD", "Ctrl+Alt+C"},
      {"ShortCut SAVEFILE", "Ctrl+Alt+F"}};
  for (const auto& [name, text] : texts) {
    EXPECT_TRUE(key_.Get(name).IsString(text)) << name << " = '" << key_.Get(name).Text() << "'";
  }
}

TEST_F(MagnifierSettingsTest, StoredZeroPositionAndSizeKeepTheDesignValues) {
  key_.SetDword("Left", 0);
  key_.SetDword("Top", 0);
  key_.SetDword("Width", 0);
  key_.SetDword("Height", 0);
  ExpectGeometry(LoadGeometry(), 508, 296, 307, 274);

  // Any other position is taken as it is, off-screen or on a monitor to the left included.
  key_.SetDword("Left", static_cast<uint32_t>(-640));
  key_.SetDword("Top", 12);
  key_.SetDword("Width", 200);
  key_.SetDword("Height", 120);
  ExpectGeometry(LoadGeometry(), -640, 12, 200, 120);
}

TEST_F(MagnifierSettingsTest, MistypedValuesKeepTheirDefaults) {
  key_.SetString("Zoom", "8");
  key_.SetString("Show Borders", "0");
  key_.SetString("Width", "400");
  key_.SetString("Left", "10");
  key_.SetDword("ShortCut ZOOM", 0x4044);
  const BYTE four[4] = {1, 0, 0, 0};
  key_.Set("Always Top", REG_BINARY, four, sizeof(four));

  StoredWindowGeometry geometry = kDesign;
  ExpectDefaults(Load(geometry));
  ExpectGeometry(geometry, 508, 296, 150, 150);
}

TEST_F(MagnifierSettingsTest, AnyNonZeroBooleanIsTrueAndIsSavedAsOne) {
  key_.SetDword("Show Cross", 7);
  key_.SetDword("Move Window", 0);
  MagnifierState state = Load();
  EXPECT_TRUE(state.ShowCross);
  EXPECT_FALSE(state.MoveToMouse);
  SaveMagnifierSettings(state, kDesign);
  EXPECT_TRUE(key_.Get("Show Cross").IsDword(1));
  EXPECT_TRUE(key_.Get("Move Window").IsDword(0));
}

TEST_F(MagnifierSettingsTest, ZoomBelowTwoBecomesTwo) {
  const std::vector<std::pair<int32_t, int32_t>> cases{
      {0, 2}, {-5, 2}, {1, 2}, {INT32_MIN, 2}, {2, 2}, {3, 3}, {50, 50}, {400, 400}};
  for (const auto& [stored, loaded] : cases) {
    key_.SetDword("Zoom", static_cast<uint32_t>(stored));
    EXPECT_EQ(Load().Zoom, loaded) << "stored " << stored;
  }
}

TEST_F(MagnifierSettingsTest, StoredSizeIsKeptUsable) {
  const int32_t screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int32_t screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  const int32_t maxWidth = std::max(screenWidth, kMinimumStoredWindowSide);
  const int32_t maxHeight = std::max(screenHeight, kMinimumStoredWindowSide);
  ASSERT_LT(maxWidth, 100000);
  ASSERT_LT(maxHeight, 100000);

  struct Case {
    int32_t width, height;
    int32_t expectedWidth, expectedHeight;
  };
  const std::vector<Case> cases{
      {-100, -100, kMinimumStoredWindowSide, kMinimumStoredWindowSide},
      {0, 0, 307, 274},  // design size
      {100000, 100000, maxWidth, maxHeight},
      {1, 2, kMinimumStoredWindowSide, kMinimumStoredWindowSide},
      {INT32_MIN, INT32_MAX, kMinimumStoredWindowSide, maxHeight},
      {-100, 0, kMinimumStoredWindowSide, 274},
      {kMinimumStoredWindowSide, 140, kMinimumStoredWindowSide, 140},
  };
  for (const Case& c : cases) {
    key_.SetDword("Width", static_cast<uint32_t>(c.width));
    key_.SetDword("Height", static_cast<uint32_t>(c.height));
    const StoredWindowGeometry g = LoadGeometry();
    EXPECT_EQ(g.Width, c.expectedWidth) << "stored width " << c.width;
    EXPECT_EQ(g.Height, c.expectedHeight) << "stored height " << c.height;
    EXPECT_EQ(g.Left, 508);
    EXPECT_EQ(g.Top, 296);
  }
}

TEST_F(MagnifierSettingsTest, ShortcutTextsParseAndEmptyTextStaysEmpty) {
  key_.SetString("ShortCut SIZE", "");                  // disabled by hand
  key_.SetString("ShortCut CLIPBOARD", "Ctrl+Alt+Nothing");
  key_.SetString("ShortCut ZOOM", "alt+ctrl+q");
  key_.SetString("ShortCut Dialog", "^F2");
  key_.SetString("shortcut savefile", "Shift+Del");     // names are case-insensitive

  MagnifierState state = Load();
  EXPECT_EQ(state.Shortcuts[scSize], 0);
  EXPECT_EQ(state.Shortcuts[scClipboard], 0);
  EXPECT_EQ(state.Shortcuts[scZoom], 0xC051);
  EXPECT_EQ(state.Shortcuts[scDialog], 0x4071);
  EXPECT_EQ(state.Shortcuts[scSaveFile], 0x202E);
  EXPECT_EQ(state.Shortcuts[scShowHide], 0xC048);  // still the default

  SaveMagnifierSettings(state, kDesign);
  EXPECT_TRUE(key_.Get("ShortCut SIZE").IsString(""));
  EXPECT_TRUE(key_.Get("ShortCut CLIPBOARD").IsString(""));
  EXPECT_TRUE(key_.Get("ShortCut ZOOM").IsString("Ctrl+Alt+Q"));
  EXPECT_TRUE(key_.Get("ShortCut Dialog").IsString("Ctrl+F2"));
  EXPECT_TRUE(key_.Get("ShortCut SAVEFILE").IsString("Shift+Del"));
  EXPECT_EQ(key_.ValueNames().size(), 18u);

  // The next start finds the hotkey still disabled.
  EXPECT_EQ(Load().Shortcuts[scSize], 0);
}

TEST_F(MagnifierSettingsTest, SaveAndLoadRestoreEveryField) {
  MagnifierState state = Load();
  state.Zoom = 7;
  state.Transparency = 65;
  state.ShowCross = true;
  state.ShowBorders = false;
  state.MoveToMouse = false;
  state.AlwaysTop = false;
  state.ShowMousePos = true;
  state.Shortcuts = {0x0070, 0x202E, 0x4044, 0x8020, 0xE087, 0x0000, 0x4021};
  const StoredWindowGeometry current{-300, 20, 200, 180};
  SaveMagnifierSettings(state, current);

  store_.reset();  // the next run opens its own store
  StoredWindowGeometry geometry = kDesign;
  MagnifierState loaded = Load(geometry);
  EXPECT_EQ(loaded.Zoom, 7);
  EXPECT_EQ(loaded.Transparency, 65);
  EXPECT_TRUE(loaded.ShowCross);
  EXPECT_FALSE(loaded.ShowBorders);
  EXPECT_FALSE(loaded.MoveToMouse);
  EXPECT_FALSE(loaded.AlwaysTop);
  EXPECT_TRUE(loaded.ShowMousePos);
  EXPECT_EQ(loaded.Shortcuts, state.Shortcuts);
  ExpectGeometry(geometry, -300, 20, 200, 180);
  EXPECT_EQ(loaded.Settings, store_.get());
  EXPECT_TRUE(key_.Get("ShortCut TRANSPARENT").IsString("Shift+Ctrl+Alt+F24"));
}

TEST_F(MagnifierSettingsTest, RefusedSaveRaisesTheStoreError) {
  MagnifierState state = Load();
  ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, key_.Path().c_str()), ERROR_SUCCESS);
  try {
    SaveMagnifierSettings(state, kDesign);
    ADD_FAILURE() << "the save did not report the refused write";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Zoom'");
  }
}

TEST_F(MagnifierSettingsTest, SaveWithoutALoadWritesNothing) {
  MagnifierState state;
  EXPECT_NO_THROW(SaveMagnifierSettings(state, kDesign));
  EXPECT_FALSE(key_.Exists());
}

}  // namespace
