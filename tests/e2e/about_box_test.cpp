// The about box as the user opens it: from the tray menu's "About..." and from the setup
// dialog's "About..." panel. It reads the program's name, version and company, freezes the lens
// while it is open, closes with Enter, hands its web and mail links to the shell, and is the
// one window translated from a Protected\forms.txt_e beside the program.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/driver.h"
#include "support/tray_driver.h"
#include "tools/url_recorder.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;

constexpr size_t kAboutLine = 4;

bool HasLine(const urlrec::UrlRecorder& recorder, const std::string& line) {
  for (const std::string& l : recorder.Lines())
    if (l.find(line) != std::string::npos) return true;
  return false;
}

// A left click through the X server at a point of a window's client area.
::testing::AssertionResult ClickInClient(HWND wnd, int x, int y) {
  const RECT client = ClientRectOnScreen(wnd);
  ::testing::AssertionResult moved = MoveCursor(client.left + x, client.top + y);
  if (!moved) return moved;
  if (!XServerClick()) return ::testing::AssertionFailure() << "xdotool did not run";
  return ::testing::AssertionSuccess();
}

TEST(AboutBox, OpensFromTheTrayAndTheSetupDialogTranslatedAndWithWorkingLinks) {
  ClearSettings();
  WriteSettings({.zoom = 2, .moveWindow = false, .left = 900, .top = 700});
  // A copy of the program with a Spanish catalogue beside it.
  tray_driver::ScratchFolder folder;
  const std::string exe = folder.Path() + "Lumeview.exe";
  ASSERT_TRUE(CopyFileA(LumeviewPath().c_str(), exe.c_str(), FALSE));
  ASSERT_TRUE(CreateDirectoryA((folder.Path() + "Protected").c_str(), nullptr));
  std::ofstream(folder.Path() + "Protected\\forms.txt_e", std::ios::binary) << "ok=Aceptar\r\n";
  urlrec::UrlRecorder recorder({"http", "mailto"});
  ASSERT_TRUE(recorder.Error().empty()) << recorder.Error();

  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait, exe));
  const DWORD pid = lumeview.Id();
  std::optional<POINT> at;
  ASSERT_TRUE(WaitFor([&] { return (at = tray_driver::NewestTrayIconPoint()).has_value(); }, kSlowWait));
  tray_driver::TrayIconInput icon(*at);
  const auto menu = tray_driver::ShowReferenceMenu(
      {{"Show Window", true}, {"-"}, {"Setup Dialog..."}, {"-"}, {"About..."}, {"-"}, {"Exit"}}, *at);
  ASSERT_TRUE(menu.has_value());
  // The lens magnifies a window of the driver that changes all the time.
  const RECT lensPicture = PictureRect(lumeview.Lens(), true);
  tray_driver::Ticker ticker({300, 300, 420, 380});
  ASSERT_TRUE(MoveCursor(360, 340));
  ASSERT_TRUE(WaitFor([&] { return tray_driver::ChangesSeen(lensPicture, 300) >= 2; }, kSlowWait));

  icon.RightClick();
  tray_driver::ClickMenuLine(tray_driver::WaitForMenuWindow(pid), *menu, kAboutLine);
  HWND box = tray_driver::WaitForTopWindow(pid, "LumeviewWindow", "About ...");
  ASSERT_NE(nullptr, box) << "no about box;" << tray_driver::InputState();
  for (const char* text : {"Lumeview", "Version: 1.0.0.0", "Quorvant"})
    EXPECT_NE(nullptr, tray_driver::FindDescendant(box, "Static", text)) << text;
  EXPECT_NE(nullptr, tray_driver::FindDescendant(box, "Button", "Aceptar")) << "not translated";
  EXPECT_EQ(0, tray_driver::ChangesSeen(lensPicture, 500)) << "the lens moved behind the box";

  // Its links go to the shell: the web site and the mail address.
  ASSERT_TRUE(ClickInClient(box, 125, 134));
  EXPECT_TRUE(WaitFor([&] { return HasLine(recorder, "http://www.quorvant.example"); }, kSlowWait));
  ASSERT_TRUE(ClickInClient(box, 125, 158));
  EXPECT_TRUE(WaitFor([&] { return HasLine(recorder, "mailto:info@quorvant.example"); }, kSlowWait));

  // Enter is its default button; the lens moves on afterwards.
  ASSERT_TRUE(tray_driver::PressInDialog(box, VK_RETURN));
  EXPECT_TRUE(tray_driver::WaitForNoTopWindow(pid, "LumeviewWindow", "About ..."));
  EXPECT_TRUE(MoveCursor(360, 340));  // back over the changing window
  EXPECT_TRUE(WaitFor([&] { return tray_driver::ChangesSeen(lensPicture, 300) >= 2; }, kSlowWait))
      << "the lens stays frozen";

  // From the setup dialog, over it; the setup dialog itself is not translated.
  tray_driver::PressHotkey('D');
  HWND setup = tray_driver::WaitForTopWindow(pid, "LumeviewWindow", "Zoom Setup");
  ASSERT_NE(nullptr, setup) << tray_driver::InputState();
  HWND about_panel = tray_driver::FindDescendant(setup, "LumeviewWindow", "About...");
  ASSERT_NE(nullptr, about_panel);
  const POINT panel = tray_driver::CenterOf(about_panel);
  ASSERT_TRUE(MoveCursor(panel.x, panel.y));
  ASSERT_TRUE(XServerClick());
  box = tray_driver::WaitForTopWindow(pid, "LumeviewWindow", "About ...");
  ASSERT_NE(nullptr, box) << "the panel opened no about box";
  EXPECT_NE(nullptr, tray_driver::FindDescendant(setup, "Button", "OK"));
  ASSERT_TRUE(tray_driver::PressInDialog(box, VK_RETURN));
  EXPECT_TRUE(tray_driver::WaitForNoTopWindow(pid, "LumeviewWindow", "About ..."));
  EXPECT_TRUE(IsWindowVisible(setup)) << "the setup dialog went with the box";
  ASSERT_TRUE(tray_driver::PressInDialog(setup, VK_ESCAPE));
  EXPECT_TRUE(tray_driver::WaitForNoTopWindow(pid, "LumeviewWindow", "Zoom Setup"));
  EXPECT_TRUE(lumeview.Close(kSlowWait));
  ClearSettings();
}

}  // namespace
