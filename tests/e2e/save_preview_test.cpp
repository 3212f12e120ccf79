// The save dialog as the user meets it: Ctrl+Alt+F opens it centred on the lens's monitor with a
// third of the free height above it; choosing a photo in its file list shows the photo's size in
// the preview pane, choosing a GIF shows none; the preview button opens "Preview" with the photo
// in it, Esc closes that, and cancelling the dialog writes nothing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "shared/test_pictures.h"
#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;

uint32_t Photo(int x, int y) {
  return static_cast<uint32_t>(((x * 255 / 640) << 16) | ((y * 255 / 480) << 8) | 0x60);
}

bool ShowsText(HWND dialog, const char* className, const char* text) {
  return tray_driver::FindDescendant(dialog, className, text) != nullptr;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
      return false;
  return true;
}

TEST(SaveDialogPreview, PlacedByTheProgramItPreviewsTheChosenPicture) {
  ClearSettings();
  WriteSettings({.moveWindow = false, .left = 900, .top = 120});
  tray_driver::ScratchFolder folder;
  ASSERT_TRUE(test_pictures::WriteJpeg(folder.Path() + "photo.jpg", 640, 480, Photo));
  ASSERT_TRUE(test_pictures::WriteBmp(folder.Path() + "zz.gif", 8, 8, Photo));  // a GIF in name only
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait));
  const DWORD pid = lumeview.Id();

  tray_driver::PressHotkey('F');
  HWND dialog = tray_driver::WaitForTopWindow(pid, "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog;" << tray_driver::InputState();
  EXPECT_TRUE(WaitFor([&] {
    return tray_driver::PlacedOn(dialog, RECT{0, 0, GetSystemMetrics(SM_CXSCREEN),
                                              GetSystemMetrics(SM_CYSCREEN)});
  })) << tray_driver::PlacedOn(dialog, RECT{0, 0, GetSystemMetrics(SM_CXSCREEN),
                                            GetSystemMetrics(SM_CYSCREEN)}).message();
  EXPECT_TRUE(ShowsText(dialog, "Static", "Picture:"));
  EXPECT_TRUE(ShowsText(dialog, "LumeviewWindow", "(None)"));

  // Into the folder with the pictures, as a user types it, then a click on each file.
  ASSERT_TRUE(tray_driver::EnterFileName(dialog, folder.Path()));
  HWND list = nullptr;
  std::optional<POINT> photo;
  ASSERT_TRUE(WaitFor([&] {
    list = tray_driver::FindDescendant(dialog, "SysListView32");
    photo = list ? tray_driver::ListItemCenter(list, "photo.jpg") : std::nullopt;
    return photo.has_value();
  }, kSlowWait)) << "photo.jpg is not listed";
  tray_driver::LeftClickAt(*photo);
  EXPECT_TRUE(WaitFor([&] { return ShowsText(dialog, "Static", " (640x480)"); }, kSlowWait))
      << "the pane does not show the photo's size";
  EXPECT_FALSE(ShowsText(dialog, "LumeviewWindow", "(None)"));
  HWND button = tray_driver::PreviewButtonOf(dialog);
  ASSERT_NE(nullptr, button);
  EXPECT_TRUE(IsWindowEnabled(button));

  // The preview window shows the photo, its centre where the photo's centre is.
  const POINT on_button = tray_driver::CenterOf(button);
  ASSERT_TRUE(MoveCursor(on_button.x, on_button.y));
  ASSERT_TRUE(XServerClick()) << "xdotool did not run";
  HWND preview = tray_driver::WaitForTopWindow(pid, "LumeviewWindow", "Preview");
  ASSERT_NE(nullptr, preview) << "no Preview window";
  const RECT client = ClientRectOnScreen(preview);
  const POINT middle{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
  uint32_t seen = 0;
  EXPECT_TRUE(WaitFor([&] {
    seen = CaptureScreen(RECT{middle.x, middle.y, middle.x + 1, middle.y + 1}).At(0, 0);
    return Near(seen, Photo(320, 240), 16);
  })) << std::hex << "the middle of the preview is " << seen << ", not near " << Photo(320, 240);
  ASSERT_TRUE(tray_driver::MakeForeground(preview));
  PressKeys({VK_ESCAPE});
  EXPECT_TRUE(tray_driver::WaitForNoTopWindow(pid, "LumeviewWindow", "Preview")) << "Esc left it open";

  // A GIF has no loader: no picture, the button off.
  const auto gif = tray_driver::ListItemCenter(list, "zz.gif");
  ASSERT_TRUE(gif.has_value());
  tray_driver::LeftClickAt(*gif);
  EXPECT_TRUE(WaitFor([&] { return ShowsText(dialog, "LumeviewWindow", "(None)"); }, kSlowWait));
  EXPECT_TRUE(ShowsText(dialog, "Static", "Picture:"));
  EXPECT_FALSE(IsWindowEnabled(button));

  // Cancelled, the dialog writes nothing.
  ASSERT_TRUE(tray_driver::PressInDialog(dialog, VK_ESCAPE));
  ASSERT_TRUE(tray_driver::WaitForNoTopWindow(pid, "#32770", nullptr));
  EXPECT_EQ((std::vector<std::string>{"photo.jpg", "zz.gif"}), folder.FileNames());
  EXPECT_TRUE(lumeview.Close(kSlowWait));
  ClearSettings();
}

}  // namespace
