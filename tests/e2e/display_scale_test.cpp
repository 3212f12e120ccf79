// Lumeview started at 96, 144 and 192 DPI (LogPixels in the prefix): the lens keeps its stored
// physical size and shows the exact enlargement with a one-pixel crosshair, the coordinates
// read-out's text grows with the scale, and the setup dialog's client area is the design's
// times DPI / 96.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "shared/display_scale.h"
#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;

constexpr RECT kPatternArea{0, 0, 640, 560};
constexpr POINT kInside{300, 260};
constexpr int kLensSide = 300;
// Where the read-out may be drawn over the picture, at any of the scales.
constexpr RECT kLabelRegion{0, 0, 240, 48};

// The height of what is drawn over the exact picture inside `region`: the read-out's text.
int InkHeight(const Image& actual, const Image& expected, const RECT& region) {
  int top = region.bottom, bottom = region.top;
  for (int y = region.top; y < std::min<int>(region.bottom, actual.height); ++y)
    for (int x = region.left; x < std::min<int>(region.right, actual.width); ++x)
      if (actual.At(x, y) != expected.At(x, y)) {
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
      }
  return std::max(0, bottom - top);
}

class DisplayScale : public ::testing::Test {
 protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }
};

TEST_F(DisplayScale, LensStaysExactAndTextAndSetupGrowAt96And144And192Dpi) {
  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());
  std::map<int, int> ink;
  for (int dpi : {96, 144, 192}) {
    SCOPED_TRACE(::testing::Message() << dpi << " DPI");
    WriteSettings({.zoom = 4, .showCross = true, .showBorders = false, .moveWindow = false,
                   .showMousePos = true, .left = 760, .top = 300, .width = kLensSide,
                   .height = kLensSide});
    ASSERT_TRUE(MoveCursor(kInside.x, kInside.y));
    ScopedLogPixels scale(static_cast<DWORD>(dpi));
    ASSERT_TRUE(scale.Ok());
    LumeviewProcess lumeview;
    ASSERT_TRUE(lumeview.Start());
    pattern.Raise();

    const RECT outer = WindowRectOf(lumeview.Lens());
    EXPECT_EQ(kLensSide, Width(outer));
    EXPECT_EQ(kLensSide, Height(outer));
    const LensView view = ViewOf(lumeview.Lens(), kInside, 4, true, true, false);
    EXPECT_TRUE(WaitForPicture(view, pattern, kWait, kLabelRegion));
    const Image expected = ExpectedPicture(view, kPatternArea);
    // The start's overlay ("Transparent:20") goes with the first ticks; the read-out stays.
    ULONGLONG since = 0;
    ASSERT_TRUE(WaitFor([&] {
      const int now = InkHeight(CaptureScreen(view.onScreen), expected, kLabelRegion);
      if (now != ink[dpi]) since = GetTickCount64();
      ink[dpi] = now;
      return now > 0 && GetTickCount64() - since >= 500;
    })) << "no steady read-out over the picture";

    tray_driver::PressHotkey('D');
    HWND setup = tray_driver::WaitForTopWindow(lumeview.Id(), "LumeviewWindow", "Zoom Setup");
    ASSERT_NE(nullptr, setup) << "Ctrl+Alt+D opened no \"Zoom Setup\"";
    RECT client;
    GetClientRect(setup, &client);
    EXPECT_NEAR(MulDiv(280, dpi, 96), client.right, 1);
    EXPECT_NEAR(MulDiv(424, dpi, 96), client.bottom, 1);
    PostMessageA(setup, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tray_driver::WaitForNoTopWindow(lumeview.Id(), "LumeviewWindow", "Zoom Setup"));

    // The save dialog's template grows by itself; the preview pane beside it grows with it.
    tray_driver::PressHotkey('F');
    HWND save = tray_driver::WaitForTopWindow(lumeview.Id(), "#32770", nullptr);
    ASSERT_NE(nullptr, save) << "Ctrl+Alt+F opened no save dialog";
    HWND button = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (button = tray_driver::PreviewButtonOf(save)) != nullptr; }));
    const RECT pane = WindowRectOf(GetParent(button));
    const RECT box = WindowRectOf(tray_driver::FileNameBox(save));
    const RECT dialog = ClientRectOnScreen(save);
    EXPECT_NEAR(MulDiv(23, dpi, 96), Width(WindowRectOf(button)), 1);
    EXPECT_GE(pane.left, box.right) << "the pane overlaps the file-name box";
    EXPECT_LE(pane.right, dialog.right);
    ASSERT_TRUE(tray_driver::PressInDialog(save, VK_ESCAPE));
    ASSERT_TRUE(tray_driver::WaitForNoTopWindow(lumeview.Id(), "#32770", nullptr));
    EXPECT_TRUE(lumeview.Close());
  }
  // The read-out's text height follows the scale, give or take the glyphs' hinting.
  ASSERT_GT(ink[96], 0);
  EXPECT_NEAR(1.5, static_cast<double>(ink[144]) / ink[96], 0.2) << ink[144] << " / " << ink[96];
  EXPECT_NEAR(2.0, static_cast<double>(ink[192]) / ink[96], 0.25) << ink[192] << " / " << ink[96];
}

}  // namespace
