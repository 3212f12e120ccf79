// Living beside the user's other programs, and ending: Ctrl+Alt+H and the save dialog leave the
// user's typing where it was; the settings are stored when the session ends (the process is
// then ended without another message) and when the hidden application window is closed.

#include <gtest/gtest.h>

#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;

bool InMoveSizeLoop(HWND wnd) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(wnd, nullptr), &info) &&
         (info.flags & GUI_INMOVESIZE);
}

::testing::AssertionResult StoredNumber(const char* name, DWORD expected) {
  const auto value = ReadSetting(name);
  if (value && value->type == REG_DWORD && value->number == expected)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << name << " is " << (value ? std::to_string(value->number) : "missing") << ", not "
         << expected;
}

class Lifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    WriteSettings({.moveWindow = false, .left = 700, .top = 200});
  }
  void TearDown() override { ClearSettings(); }
};

TEST_F(Lifecycle, TheUsersTypingKeepsItsPlaceAndSettingsSurviveTheSessionsEnd) {
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait));
  const HWND lens = lumeview.Lens();
  tray_driver::TypingWindow typing;
  ASSERT_TRUE(typing.TakeFocus()) << tray_driver::InputState();

  // Hiding and showing the lens leaves the foreground and the focus with the user's program.
  tray_driver::PressHotkey('H');
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(lens); }, kSlowWait)) << "not hidden";
  tray_driver::PressHotkey('H');
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(lens) != FALSE; }, kSlowWait)) << "not shown";
  EXPECT_TRUE(tray_driver::HoldsFor([&] { return typing.HasFocus(); }, 500))
      << "showing the lens took the focus;" << tray_driver::InputState();

  // The save dialog, cancelled, gives the foreground back to the program that was in front.
  ASSERT_TRUE(typing.TakeFocus());
  tray_driver::PressHotkey('F');
  HWND dialog = tray_driver::WaitForTopWindow(lumeview.Id(), "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog;" << tray_driver::InputState();
  ASSERT_TRUE(tray_driver::PressInDialog(dialog, VK_ESCAPE));
  ASSERT_TRUE(tray_driver::WaitForNoTopWindow(lumeview.Id(), "#32770", nullptr));
  EXPECT_TRUE(WaitFor([&] { return typing.HasFocus(); }, kSlowWait))
      << "the foreground stayed with Lumeview;" << tray_driver::InputState();

  // The user moves the lens by its caption; then the session ends.
  const RECT before = WindowRectOf(lens);
  const POINT grip{(before.left + before.right) / 2,
                   (before.top + ClientRectOnScreen(lens).top) / 2};
  RECT moved = before;
  OffsetRect(&moved, -120, 90);
  auto at = [&] { return Describe(WindowRectOf(lens)) == Describe(moved); };
  Drag(grip, POINT{grip.x - 120, grip.y + 90}, 8, at);
  ASSERT_TRUE(WaitFor([&] { return at() && !InMoveSizeLoop(lens); }, kSlowWait))
      << Describe(WindowRectOf(lens));
  ASSERT_TRUE(lumeview.EndSession());
  EXPECT_TRUE(StoredNumber("Left", static_cast<DWORD>(moved.left)));
  EXPECT_TRUE(StoredNumber("Top", static_cast<DWORD>(moved.top)));
  EXPECT_EQ(SettingNames().size(), StoredValueNames().size());

  // Alt+F4 on the hidden application window ends the program the normal way.
  ClearSettings();
  LumeviewProcess second;
  ASSERT_TRUE(second.Start(kSlowWait));
  ASSERT_TRUE(second.CloseApplicationWindow(kSlowWait));
  EXPECT_EQ(SettingNames().size(), StoredValueNames().size()) << "the settings were not stored";
}

}  // namespace
