// The lens picture, judged pixel for pixel: Lumeview starts in fixed mode from preset settings,
// the driver shows a pattern whose every pixel has its own colour, places the cursor on it, and
// the lens must show exactly the enlargement of the screen around the cursor.

#include <gtest/gtest.h>

#include "support/driver.h"

namespace {

using namespace e2e;

// The pattern covers the screen's top-left part; the lens sits to its right, away from
// everything it magnifies.
constexpr RECT kPatternArea{0, 0, 640, 560};
constexpr POINT kInside{300, 260};

struct PictureCase {
  int zoom;
  bool cross;
  bool borders;
  int width;  // outer size of the window
  int height;
};

class MagnifierPicture : public ::testing::TestWithParam<PictureCase> {
 protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }
};

// One start per case: the picture around a cursor in the middle of the pattern, then with the
// cursor in the screen's top-left corner, where the copied area is shifted onto the screen
// and the cursor is off the picture's centre.
TEST_P(MagnifierPicture, ShowsTheExactEnlargementAroundTheCursor) {
  const PictureCase c = GetParam();
  WriteSettings({.zoom = c.zoom,
                 .showCross = c.cross,
                 .showBorders = c.borders,
                 .moveWindow = false,
                 .left = 760,
                 .top = 300,
                 .width = c.width,
                 .height = c.height});
  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());
  ASSERT_TRUE(MoveCursor(kInside.x, kInside.y));

  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start());
  pattern.Raise();
  const RECT outer = WindowRectOf(lumeview.Lens());
  EXPECT_EQ(760, outer.left);
  EXPECT_EQ(300, outer.top);
  EXPECT_EQ(c.width, Width(outer));
  EXPECT_EQ(c.height, Height(outer));

  LensView view = ViewOf(lumeview.Lens(), kInside, c.zoom, true, c.cross, c.borders);
  ASSERT_GT(view.width, 0);
  EXPECT_TRUE(WaitForPicture(view, pattern));

  if (c.borders) {
    // The 1-pixel border around the picture is the window's background, not picture.
    const Image ring = CaptureScreen(ClientRectOnScreen(lumeview.Lens()));
    const uint32_t face = ButtonFaceColor();
    for (int x = 0; x < ring.width; ++x) {
      EXPECT_EQ(face, ring.At(x, 0)) << "top border at x=" << x;
      EXPECT_EQ(face, ring.At(x, ring.height - 1)) << "bottom border at x=" << x;
    }
    for (int y = 0; y < ring.height; ++y) {
      EXPECT_EQ(face, ring.At(0, y)) << "left border at y=" << y;
      EXPECT_EQ(face, ring.At(ring.width - 1, y)) << "right border at y=" << y;
    }
  }

  ASSERT_TRUE(MoveCursor(0, 0));
  view.cursor = POINT{0, 0};
  EXPECT_TRUE(WaitForPicture(view, pattern));

  EXPECT_TRUE(lumeview.Close());
}

// Zoom 2 copies without enlarging; 4 on a picture whose side is not a multiple of 4 replicates
// unevenly; 6 triples. Odd and even picture sizes, with and without the crosshair and border.
INSTANTIATE_TEST_SUITE_P(
    ZoomSteps, MagnifierPicture,
    ::testing::Values(PictureCase{2, false, true, 150, 150}, PictureCase{2, true, false, 151, 149},
                      PictureCase{4, false, false, 150, 150}, PictureCase{4, true, true, 161, 143},
                      PictureCase{6, false, true, 180, 160}, PictureCase{6, true, false, 150, 150}),
    [](const ::testing::TestParamInfo<PictureCase>& info) {
      const PictureCase& c = info.param;
      return "Zoom" + std::to_string(c.zoom) + (c.cross ? "Cross" : "") +
             (c.borders ? "Border" : "") + std::to_string(c.width) + "x" +
             std::to_string(c.height);
    });

// A tick that would show the same picture leaves the window alone: a mark drawn over the
// lens from outside stays while nothing under the cursor changes, and goes with the next
// paint message, and with the next tick once the picture changes.
TEST(MagnifierRepaint, AnUnchangedPictureIsNotRepaintedAndAChangedOneIs) {
  ClearSettings();
  WriteSettings({.moveWindow = false, .left = 760, .top = 300, .width = 150, .height = 150});
  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());
  ASSERT_TRUE(MoveCursor(kInside.x, kInside.y));
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start());
  pattern.Raise();
  LensView view = ViewOf(lumeview.Lens(), kInside, 4, true, false, true);
  ASSERT_TRUE(WaitForPicture(view, pattern));

  // A white square in the picture's top-left corner, drawn into the lens window.
  const RECT mark{0, 0, 12, 12};
  const RECT client = ClientRectOnScreen(lumeview.Lens());
  const RECT markOnScreen{view.onScreen.left, view.onScreen.top, view.onScreen.left + 12,
                          view.onScreen.top + 12};
  struct WindowContext {
    HWND wnd;
    HDC dc = GetDC(wnd);
    ~WindowContext() { ReleaseDC(wnd, dc); }
  };
  auto drawMark = [&] {
    WindowContext lens{lumeview.Lens()};
    RECT r = mark;
    OffsetRect(&r, view.onScreen.left - client.left, view.onScreen.top - client.top);
    FillRect(lens.dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  };
  auto markShown = [&] {
    const Image shown = CaptureScreen(markOnScreen);
    for (uint32_t pixel : shown.pixels)
      if (pixel != 0xFFFFFF) return false;
    return true;
  };
  auto markGone = [&] { return !markShown(); };

  // The paint messages of the start (the lens raised above the pattern) repaint as ever;
  // once they are over, a mark stays for 20 ticks' time while nothing changes.
  bool stayed = false;
  WaitFor([&] {
    drawMark();
    stayed = WaitFor(markShown) && !WaitFor(markGone, 500);
    return stayed;
  }, 4 * kWait);
  EXPECT_TRUE(stayed) << "an unchanged picture was repainted";

  // A paint message paints the picture as before.
  InvalidateRect(lumeview.Lens(), nullptr, FALSE);
  EXPECT_TRUE(WaitFor(markGone)) << "a paint message did not repaint";
  EXPECT_TRUE(WaitForPicture(view, pattern));

  // The cursor moves by a pixel: the picture changes and the tick repaints.
  drawMark();
  ASSERT_TRUE(WaitFor(markShown)) << "the mark never reached the screen";
  ASSERT_TRUE(MoveCursor(kInside.x + 1, kInside.y));
  view.cursor.x += 1;
  EXPECT_TRUE(WaitFor(markGone)) << "a changed picture was not repainted";
  EXPECT_TRUE(WaitForPicture(view, pattern));

  EXPECT_TRUE(lumeview.Close());
  ClearSettings();
}

}  // namespace
