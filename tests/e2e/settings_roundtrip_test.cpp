// Settings between runs: Lumeview reads its 18 values at start, writes them all at exit with
// the window's geometry, and the next start restores them.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/driver.h"

namespace {

using namespace e2e;

using Stored = std::map<std::string, StoredValue>;

StoredValue Number(DWORD n) { return StoredValue{REG_DWORD, n, ""}; }
StoredValue Text(const std::string& t) { return StoredValue{REG_SZ, 0, t}; }

std::string Show(const StoredValue& v) {
  if (v.type == REG_DWORD) return "REG_DWORD " + std::to_string(v.number);
  if (v.type == REG_SZ) return "REG_SZ \"" + v.text + "\"";
  return "type " + std::to_string(v.type);
}

// Every value the key holds, by name.
Stored ReadAll() {
  Stored all;
  for (const std::string& name : StoredValueNames())
    if (auto v = ReadSetting(name.c_str())) all[name] = *v;
  return all;
}

// Checks that the key holds exactly the 18 values, each with the expected kind and content.
void ExpectStored(const Stored& expected) {
  const Stored actual = ReadAll();
  EXPECT_EQ(SettingNames().size(), actual.size()) << "values in the key";
  for (const std::string& name : SettingNames()) {
    auto want = expected.find(name);
    ASSERT_NE(want, expected.end()) << name;
    auto got = actual.find(name);
    if (got == actual.end()) {
      ADD_FAILURE() << "\"" << name << "\" was not written";
      continue;
    }
    EXPECT_EQ(want->second, got->second)
        << "\"" << name << "\": " << Show(got->second) << ", expected " << Show(want->second);
  }
}

Stored Defaults(const RECT& window) {
  return Stored{{"Zoom", Number(4)},
                {"Transparency", Number(20)},
                {"Show Cross", Number(0)},
                {"Show Borders", Number(1)},
                {"Move Window", Number(1)},
                {"Always Top", Number(1)},
                {"Show Mouse Pos", Number(0)},
                {"Left", Number(static_cast<DWORD>(window.left))},
                {"Top", Number(static_cast<DWORD>(window.top))},
                {"Width", Number(static_cast<DWORD>(Width(window)))},
                {"Height", Number(static_cast<DWORD>(Height(window)))},
                {"ShortCut Dialog", Text("Ctrl+Alt+D")},
                {"ShortCut ShowHide", Text("Ctrl+Alt+H")},
                {"ShortCut ZOOM", Text("Ctrl+Alt+Z")},
                {"ShortCut SIZE", Text("Ctrl+Alt+S")},
                {"ShortCut TRANSPARENT", Text("Ctrl+Alt+T")},
                {"ShortCut CLIPBOARD", Text("Ctrl+Alt+C")},
                {"ShortCut SAVEFILE", Text("Ctrl+Alt+F")}};
}

void WriteAll(const Stored& values) {
  for (const auto& [name, v] : values) {
    if (v.type == REG_DWORD)
      WriteDword(name.c_str(), v.number);
    else
      WriteString(name.c_str(), v.text);
  }
}

bool CentredOn(HWND lens, POINT p) {
  const RECT r = WindowRectOf(lens);
  return r.left == p.x - Width(r) / 2 && r.top == p.y - Height(r) / 2;
}

class SettingsRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }
};

// A first run: nothing stored. The lens is 150 x 150, follows the cursor, is layered at the
// default transparency; on exit all 18 values are written with their defaults and the
// window's last geometry.
TEST_F(SettingsRoundTrip, FirstStartUsesTheDefaultsAndExitWritesAllValues) {
  ASSERT_TRUE(MoveCursor(400, 380));
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start());
  HWND lens = lumeview.Lens();

  EXPECT_TRUE(WaitFor([&] { return CentredOn(lens, {400, 380}); }))
      << "lens at " << Describe(WindowRectOf(lens));
  EXPECT_EQ(150, Width(WindowRectOf(lens)));
  EXPECT_EQ(150, Height(WindowRectOf(lens)));
  ASSERT_TRUE(MoveCursor(900, 700));
  EXPECT_TRUE(WaitFor([&] { return CentredOn(lens, {900, 700}); }))
      << "lens at " << Describe(WindowRectOf(lens));
  EXPECT_EQ(DWORD{WS_EX_LAYERED | WS_EX_TRANSPARENT},
            ExStyleOf(lens) & (WS_EX_LAYERED | WS_EX_TRANSPARENT));
  EXPECT_TRUE(ExStyleOf(lens) & WS_EX_TOPMOST);
  EXPECT_EQ(std::optional<BYTE>(204), LayeredAlpha(lens));  // (100 - 20) * 255 / 100

  const RECT last = WindowRectOf(lens);
  ASSERT_TRUE(lumeview.Close());
  ExpectStored(Defaults(last));
}

// Without stored geometry (and with "Left" stored as 0, which counts as none) the window
// opens at its design position, 150 x 150; in fixed mode it stays there, and exit stores it.
TEST_F(SettingsRoundTrip, WithoutStoredGeometryTheWindowOpensAtTheDesignPosition) {
  WriteDword("Move Window", 0);
  WriteDword("Left", 0);
  ASSERT_TRUE(MoveCursor(100, 100));
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start());
  const RECT r = WindowRectOf(lumeview.Lens());
  EXPECT_EQ(508, r.left);
  EXPECT_EQ(296, r.top);
  EXPECT_EQ(150, Width(r));
  EXPECT_EQ(150, Height(r));
  EXPECT_TRUE(StyleOf(lumeview.Lens()) & WS_CAPTION) << "fixed mode has a caption";

  ASSERT_TRUE(lumeview.Close());
  Stored expected = Defaults(RECT{508, 296, 658, 446});
  expected["Move Window"] = Number(0);
  ExpectStored(expected);
}

// Every value set away from its default: the program starts with them, exit writes them back
// unchanged with the geometry the window has then, and the next start restores that geometry.
TEST_F(SettingsRoundTrip, StoredValuesAreRestoredAndWrittenBackWithTheWindowGeometry) {
  const Stored preset{{"Zoom", Number(6)},
                      {"Transparency", Number(30)},
                      {"Show Cross", Number(1)},
                      {"Show Borders", Number(0)},
                      {"Move Window", Number(0)},
                      {"Always Top", Number(0)},
                      {"Show Mouse Pos", Number(1)},
                      {"Left", Number(700)},
                      {"Top", Number(200)},
                      {"Width", Number(220)},
                      {"Height", Number(180)},
                      {"ShortCut Dialog", Text("Shift+Ctrl+Q")},
                      {"ShortCut ShowHide", Text("")},
                      {"ShortCut ZOOM", Text("Ctrl+Alt+K")},
                      {"ShortCut SIZE", Text("Shift+Alt+W")},
                      {"ShortCut TRANSPARENT", Text("Ctrl+Alt+T")},
                      {"ShortCut CLIPBOARD", Text("Shift+Ctrl+Alt+F9")},
                      {"ShortCut SAVEFILE", Text("Alt+F8")}};
  WriteAll(preset);
  ASSERT_TRUE(MoveCursor(100, 100));

  Stored afterFirst;
  {
    LumeviewProcess lumeview;
    ASSERT_TRUE(lumeview.Start());
    HWND lens = lumeview.Lens();
    EXPECT_EQ(Describe(RECT{700, 200, 920, 380}), Describe(WindowRectOf(lens)));
    EXPECT_TRUE(StyleOf(lens) & WS_CAPTION) << "fixed mode has a caption";
    EXPECT_FALSE(ExStyleOf(lens) & WS_EX_TOPMOST) << "not always on top";
    EXPECT_EQ(std::optional<BYTE>(178), LayeredAlpha(lens));  // (100 - 30) * 255 / 100

    // The user moves and resizes the window before leaving.
    SetWindowPos(lens, nullptr, 650, 250, 240, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    const std::string moved = Describe(RECT{650, 250, 890, 450});
    EXPECT_TRUE(WaitFor([&] { return Describe(WindowRectOf(lens)) == moved; }))
        << Describe(WindowRectOf(lens));
    ASSERT_TRUE(lumeview.Close());

    Stored expected = preset;
    expected["Left"] = Number(650);
    expected["Top"] = Number(250);
    expected["Width"] = Number(240);
    expected["Height"] = Number(200);
    ExpectStored(expected);
    afterFirst = ReadAll();
  }

  LumeviewProcess again;
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(Describe(RECT{650, 250, 890, 450}), Describe(WindowRectOf(again.Lens())));
  ASSERT_TRUE(again.Close());
  EXPECT_EQ(afterFirst, ReadAll()) << "a start and exit without changes writes the same values";
}

}  // namespace
