// The tray icon as a user meets it: a right click opens the menu ("Show Window" checked while
// the lens is shown, "Setup Dialog...", "About...", "Exit"), its items and a double click on
// the icon hide and show the lens with the check mark following, Ctrl+Alt+H does the same,
// "Exit" ends the program with its settings stored, and holding a button down on the icon
// freezes the picture until the button comes up.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;
using tray_driver::MenuLine;
using tray_driver::ReferenceMenu;

constexpr size_t kShowWindowLine = 0;
constexpr size_t kExitLine = 6;

std::vector<MenuLine> TrayMenuLines(bool lensShown) {
  return {
      {"Show Window", lensShown}, {"-"}, {"Setup Dialog..."}, {"-"}, {"About..."}, {"-"}, {"Exit"}};
}

class TrayMenu : public ::testing::Test {
 protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }

  // The icon of the program just started: the newest one in Wine's tray window.
  ::testing::AssertionResult FindIcon(POINT& icon) {
    std::optional<POINT> found;
    if (!WaitFor(
            [&] {
              found = tray_driver::NewestTrayIconPoint();
              return found.has_value();
            },
            kSlowWait))
      return ::testing::AssertionFailure() << "no icon in the tray window";
    icon = *found;
    return ::testing::AssertionSuccess();
  }
};

::testing::AssertionResult LensVisible(HWND lens, bool visible) {
  if (WaitFor([&] { return (IsWindowVisible(lens) != FALSE) == visible; }, kSlowWait))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the lens is still " << (visible ? "hidden" : "shown")
                                       << ";" << tray_driver::InputState();
}

// Opens the tray menu with a right click and checks it line by line against `reference`.
::testing::AssertionResult OpenMenu(DWORD pid, tray_driver::TrayIconInput& icon,
                                    const ReferenceMenu& reference) {
  icon.RightClick();
  return tray_driver::WaitForMenuLook(pid, reference);
}

::testing::AssertionResult ChooseLine(DWORD pid, const ReferenceMenu& reference, size_t line) {
  HWND menu = tray_driver::WaitForMenuWindow(pid);
  if (!menu) return ::testing::AssertionFailure() << "no menu to choose from";
  tray_driver::ClickMenuLine(menu, reference, line);
  if (!tray_driver::WaitForNoTopWindow(pid, "#32768", nullptr))
    return ::testing::AssertionFailure() << "the menu stays open after a click on a line";
  return ::testing::AssertionSuccess();
}

TEST_F(TrayMenu, ShowsItsItemsTogglesTheLensAndExitsWithTheSettingsStored) {
  WriteSettings({.zoom = 6,
                 .transparency = 30,
                 .moveWindow = false,
                 .left = 760,
                 .top = 300,
                 .width = 170,
                 .height = 160});
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait));
  const DWORD pid = lumeview.Id();
  const HWND lens = lumeview.Lens();
  // A handle of our own: the exit code is read after the program has gone.
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  ASSERT_NE(nullptr, process);

  POINT at{};
  ASSERT_TRUE(FindIcon(at));
  tray_driver::TrayIconInput icon(at);
  const auto checked = tray_driver::ShowReferenceMenu(TrayMenuLines(true), at);
  const auto unchecked = tray_driver::ShowReferenceMenu(TrayMenuLines(false), at);
  ASSERT_TRUE(checked && unchecked) << "the reference menus did not show";
  ASSERT_FALSE(SamePicture(checked->look, unchecked->look)) << "the check mark cannot be told";

  // The menu's own item hides the lens, and the menu then shows it unchecked.
  ASSERT_TRUE(OpenMenu(pid, icon, *checked));
  ASSERT_TRUE(ChooseLine(pid, *checked, kShowWindowLine));
  EXPECT_TRUE(LensVisible(lens, false));
  ASSERT_TRUE(OpenMenu(pid, icon, *unchecked));
  ASSERT_TRUE(ChooseLine(pid, *unchecked, kShowWindowLine));
  EXPECT_TRUE(LensVisible(lens, true));

  // A double click on the icon hides the lens, a second one shows it again; the check mark
  // follows each time. (Each menu is closed through an item: a click beside a menu of another
  // process does not always reach it under Wine.)
  icon.DoubleClick();
  EXPECT_TRUE(LensVisible(lens, false));
  ASSERT_TRUE(OpenMenu(pid, icon, *unchecked));
  ASSERT_TRUE(ChooseLine(pid, *unchecked, kShowWindowLine));
  EXPECT_TRUE(LensVisible(lens, true));
  icon.DoubleClick();
  EXPECT_TRUE(LensVisible(lens, false));
  icon.DoubleClick();
  EXPECT_TRUE(LensVisible(lens, true));
  ASSERT_TRUE(OpenMenu(pid, icon, *checked));
  ASSERT_TRUE(ChooseLine(pid, *checked, kShowWindowLine));
  EXPECT_TRUE(LensVisible(lens, false));

  // Ctrl+Alt+H toggles the lens too.
  tray_driver::PressHotkey('H');
  EXPECT_TRUE(LensVisible(lens, true));
  ASSERT_TRUE(OpenMenu(pid, icon, *checked));
  ASSERT_TRUE(ChooseLine(pid, *checked, kShowWindowLine));
  EXPECT_TRUE(LensVisible(lens, false));
  tray_driver::PressHotkey('H');
  EXPECT_TRUE(LensVisible(lens, true));

  // "Exit" ends the program, which stores all 18 values on its way out.
  const RECT outer = WindowRectOf(lens);
  ASSERT_TRUE(OpenMenu(pid, icon, *checked));
  tray_driver::ClickMenuLine(tray_driver::WaitForMenuWindow(pid), *checked, kExitLine);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, kSlowWait)) << "Lumeview still runs";
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(0u, code);
  CloseHandle(process);

  EXPECT_EQ(SettingNames().size(), StoredValueNames().size());
  auto number = [](const char* name) -> std::optional<DWORD> {
    auto v = ReadSetting(name);
    if (!v || v->type != REG_DWORD) return std::nullopt;
    return v->number;
  };
  EXPECT_EQ(6u, number("Zoom"));
  EXPECT_EQ(30u, number("Transparency"));
  EXPECT_EQ(0u, number("Show Cross"));
  EXPECT_EQ(1u, number("Show Borders"));
  EXPECT_EQ(0u, number("Move Window"));
  EXPECT_EQ(1u, number("Always Top"));
  EXPECT_EQ(0u, number("Show Mouse Pos"));
  EXPECT_EQ(static_cast<DWORD>(outer.left), number("Left"));
  EXPECT_EQ(static_cast<DWORD>(outer.top), number("Top"));
  EXPECT_EQ(static_cast<DWORD>(Width(outer)), number("Width"));
  EXPECT_EQ(static_cast<DWORD>(Height(outer)), number("Height"));
  const std::pair<const char*, const char*> shortcuts[] = {
      {"ShortCut Dialog", "Ctrl+Alt+D"},      {"ShortCut ShowHide", "Ctrl+Alt+H"},
      {"ShortCut ZOOM", "Ctrl+Alt+Z"},        {"ShortCut SIZE", "Ctrl+Alt+S"},
      {"ShortCut TRANSPARENT", "Ctrl+Alt+T"}, {"ShortCut CLIPBOARD", "Ctrl+Alt+C"},
      {"ShortCut SAVEFILE", "Ctrl+Alt+F"}};
  for (const auto& [name, text] : shortcuts) {
    const auto v = ReadSetting(name);
    ASSERT_TRUE(v.has_value()) << name;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), v->type) << name;
    EXPECT_EQ(text, v->text) << name;
  }
}

// While a button is held down on the icon the capture stands still; it runs again once the
// button comes up. A window of the driver beside the tray changes colour all the time, so a
// live lens that magnifies it keeps changing.
TEST_F(TrayMenu, HoldingTheIconDownFreezesThePictureUntilRelease) {
  WriteSettings({.zoom = 2, .moveWindow = false, .left = 760, .top = 300});
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait));
  POINT at{};
  ASSERT_TRUE(FindIcon(at));
  tray_driver::TrayIconInput icon(at);

  const LensView view = ViewOf(lumeview.Lens(), at, 2, true, false, true);
  const RECT source = SourceRect(view);
  const RECT tray = WindowRectOf(tray_driver::TrayWindow());
  RECT tickerArea{tray.left, tray.bottom + 4, tray.left + 120, tray.bottom + 64};
  RECT seen{};
  ASSERT_TRUE(IntersectRect(&seen, &tickerArea, &source))
      << "the lens around the icon copies " << Describe(source) << ", beside "
      << Describe(tickerArea);
  tray_driver::Ticker ticker(tickerArea);
  ASSERT_NE(nullptr, ticker.Handle());

  EXPECT_GE(tray_driver::ChangesSeen(view.onScreen, 600), 3) << "the lens does not follow";

  icon.Press();
  // The picture comes to rest...
  Image rest;
  const bool still = WaitFor(
      [&] {
        rest = CaptureScreen(view.onScreen);
        return tray_driver::HoldsFor(
            [&] { return CaptureScreen(view.onScreen).pixels == rest.pixels; }, 400);
      },
      kSlowWait);
  EXPECT_TRUE(still) << "the picture keeps changing while the icon is held down";
  // ...and stays so while the driver's window goes on changing under the button.
  const int before = ticker.Changes();
  EXPECT_TRUE(tray_driver::HoldsFor(
      [&] { return CaptureScreen(view.onScreen).pixels == rest.pixels; }, 800))
      << "the picture changed while the icon was held down";
  EXPECT_GE(ticker.Changes() - before, 10) << "the driver's window did not change meanwhile";

  icon.Release();
  EXPECT_TRUE(WaitFor([&] { return tray_driver::ChangesSeen(view.onScreen, 300) >= 2; }, kSlowWait))
      << "the picture stays frozen after the button came up";
  EXPECT_TRUE(lumeview.Close());
}

}  // namespace
