// The driver's own oracle, checked without Lumeview: the source rectangle and the expected
// picture against values worked out by hand, and the expected picture against GDI enlarging a
// copy of the screen. The lens tests judge the program by this oracle, so it is judged here.

#include <gtest/gtest.h>

#include "support/driver.h"

namespace {

using namespace e2e;

constexpr RECT kPatternArea{0, 0, 640, 560};
constexpr POINT kInside{300, 260};

LensView View(POINT cursor, int width, int height, int zoom, bool fixedMode = true, bool cross = false) {
  LensView view;
  view.cursor = cursor;
  view.width = width;
  view.height = height;
  view.zoom = zoom;
  view.fixedMode = fixedMode;
  view.cross = cross;
  return view;
}

::testing::AssertionResult IsRect(const RECT& actual, LONG left, LONG top, LONG right, LONG bottom) {
  const RECT expected{left, top, right, bottom};
  if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Describe(actual) << ", expected " << Describe(expected);
}

TEST(PictureOracle, HalfExtentRoundsHalvesToEven) {
  EXPECT_EQ(38, HalfExtent(150, 4));  // 37.5
  EXPECT_EQ(2, HalfExtent(10, 4));    // 2.5
  EXPECT_EQ(4, HalfExtent(14, 4));    // 3.5
  EXPECT_EQ(76, HalfExtent(151, 2));  // 75.5
  EXPECT_EQ(74, HalfExtent(149, 2));  // 74.5
  EXPECT_EQ(27, HalfExtent(160, 6));  // 26.67
  EXPECT_EQ(36, HalfExtent(143, 4));  // 35.75
  EXPECT_EQ(40, HalfExtent(161, 4));  // 40.25
  EXPECT_EQ(50, HalfExtent(150, 3));
}

TEST(PictureOracle, SourceRectIsCentredOnTheCursor) {
  EXPECT_TRUE(IsRect(SourceRect(View(kInside, 150, 150, 4)), 262, 222, 338, 298));
  EXPECT_TRUE(IsRect(SourceRect(View(kInside, 151, 149, 2)), 224, 186, 376, 334));
  EXPECT_TRUE(IsRect(SourceRect(View(kInside, 180, 160, 6)), 270, 233, 330, 287));
}

TEST(PictureOracle, SourceRectIsShiftedOntoTheScreenInFixedModeOnly) {
  const LONG sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(sw, 400);
  ASSERT_GT(sh, 400);
  EXPECT_TRUE(IsRect(SourceRect(View({0, 0}, 150, 150, 4)), 0, 0, 76, 76));
  EXPECT_TRUE(IsRect(SourceRect(View({0, 0}, 150, 150, 4, false)), -38, -38, 38, 38));
  EXPECT_TRUE(IsRect(SourceRect(View({10, 300}, 150, 150, 4)), 0, 262, 76, 338));
  EXPECT_TRUE(IsRect(SourceRect(View({300, 10}, 150, 150, 4)), 262, 0, 338, 76));
  EXPECT_TRUE(IsRect(SourceRect(View({sw - 1, sh - 1}, 150, 150, 4)), sw - 76, sh - 76, sw, sh));
  EXPECT_TRUE(IsRect(SourceRect(View({sw - 1, sh - 1}, 150, 150, 4, false)), sw - 39, sh - 39, sw + 37, sh + 37));
}

TEST(PictureOracle, PatternColoursAreAsDescribed) {
  EXPECT_EQ(0x623000u, PatternColor(98, 48));
  EXPECT_EQ(0x2A0211u, PatternColor(298, 258));
  EXPECT_EQ(0x2D0511u, PatternColor(301, 261));
  EXPECT_EQ(0xFF00F4u, PatternColor(1279, 0x0F00));
}

// Zoom 4 on an 8 x 8 picture copies 4 x 4 pixels, each one a 2 x 2 block.
TEST(PictureOracle, ExpectedPictureReplicatesEachSourcePixel) {
  const Image image = ExpectedPicture(View({100, 50}, 8, 8, 4), kPatternArea);
  ASSERT_EQ(8, image.width);
  ASSERT_EQ(8, image.height);
  ASSERT_EQ(64u, image.pixels.size());
  EXPECT_EQ(0x623000u, image.At(0, 0));
  EXPECT_EQ(0x623000u, image.At(1, 1));
  EXPECT_EQ(0x633000u, image.At(2, 0));
  EXPECT_EQ(0x623100u, image.At(0, 2));
  EXPECT_EQ(0x623300u, image.At(0, 7));
  EXPECT_EQ(0x653300u, image.At(7, 7));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(image.At(x & ~1, y & ~1), image.At(x, y)) << "(" << x << "," << y << ") is not its block's colour";

  const Image around = ExpectedPicture(View(kInside, 8, 8, 4), kPatternArea);
  ASSERT_EQ(64u, around.pixels.size());
  EXPECT_EQ(0x2A0211u, around.At(0, 0));
  EXPECT_EQ(0x2D0511u, around.At(7, 7));
}

TEST(PictureOracle, ExpectedPictureAtZoom2IsThePlainCopy) {
  const Image image = ExpectedPicture(View({100, 50}, 6, 4, 2), kPatternArea);
  ASSERT_EQ(6, image.width);
  ASSERT_EQ(4, image.height);
  EXPECT_EQ(0x613000u, image.At(0, 0));
  EXPECT_EQ(0x643100u, image.At(3, 1));
  EXPECT_EQ(0x663300u, image.At(5, 3));
}

TEST(PictureOracle, ExpectedPictureOfAShiftedSource) {
  const Image image = ExpectedPicture(View({0, 0}, 8, 8, 4), kPatternArea);
  ASSERT_EQ(64u, image.pixels.size());
  EXPECT_EQ(0x000000u, image.At(0, 0));
  EXPECT_EQ(0x010100u, image.At(3, 2));
  EXPECT_EQ(0x030300u, image.At(7, 7));
}

// The crosshair: a black line across the middle row from width/4 left of the centre up to
// width/4 right of it (exclusive), and the same down the middle column.
TEST(PictureOracle, ExpectedPictureDrawsTheCrosshair) {
  const Image image = ExpectedPicture(View({100, 50}, 8, 8, 4, true, true), kPatternArea);
  ASSERT_EQ(64u, image.pixels.size());
  for (int i = 2; i < 6; ++i) {
    EXPECT_EQ(0u, image.At(i, 4)) << "row 4 at x=" << i;
    EXPECT_EQ(0u, image.At(4, i)) << "column 4 at y=" << i;
  }
  EXPECT_EQ(0x623200u, image.At(1, 4));
  EXPECT_EQ(0x653200u, image.At(6, 4));
  EXPECT_EQ(0x643000u, image.At(4, 1));
  EXPECT_EQ(0x643300u, image.At(4, 6));
  EXPECT_EQ(0x643100u, image.At(5, 3));  // beside the crossing, off both lines
}

TEST(PictureOracle, NoPictureForASourceOutsideThePatternOrAnEmptyView) {
  EXPECT_TRUE(ExpectedPicture(View({639, 300}, 8, 8, 4), kPatternArea).pixels.empty());
  EXPECT_TRUE(ExpectedPicture(View({300, 559}, 8, 8, 4), kPatternArea).pixels.empty());
  EXPECT_TRUE(ExpectedPicture(View({100, 50}, 0, 8, 4), kPatternArea).pixels.empty());
  EXPECT_EQ(64u, ExpectedPicture(View({100, 50}, 8, 8, 4), RECT{98, 48, 102, 52}).pixels.size());
  EXPECT_TRUE(ExpectedPicture(View({100, 50}, 8, 8, 4), RECT{99, 0, 200, 100}).pixels.empty());
}

// The oracle itself: the driver's replication matches what GDI does when it enlarges a
// copy of the screen, checked here on the pattern shown by the driver (no Lumeview involved).
TEST(PictureOracle, MatchesAnEnlargedScreenCopy) {
  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());
  for (int zoom : {2, 3, 4, 6}) {
    for (int side : {149, 150}) {
      LensView view;
      view.cursor = kInside;
      view.width = side;
      view.height = side - 7;
      view.zoom = zoom;
      const RECT source = SourceRect(view);
      HDC screen = GetDC(nullptr);
      HDC memory = CreateCompatibleDC(screen);
      HBITMAP bitmap = CreateCompatibleBitmap(screen, view.width, view.height);
      HGDIOBJ old = SelectObject(memory, bitmap);
      StretchBlt(memory, 0, 0, view.width, view.height, screen, source.left, source.top,
                 Width(source), Height(source), SRCCOPY);
      // Put the enlargement on the screen beside the pattern and read it back.
      HWND shown = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC",
                                   "", WS_POPUP, 800, 600, view.width, view.height, nullptr,
                                   nullptr, nullptr, nullptr);
      ASSERT_NE(nullptr, shown);
      ShowWindow(shown, SW_SHOWNOACTIVATE);
      UpdateWindow(shown);
      view.onScreen = RECT{800, 600, 800 + view.width, 600 + view.height};
      const Image expected = ExpectedPicture(view, kPatternArea);
      ::testing::AssertionResult same = ::testing::AssertionFailure();
      WaitFor([&] {
        HDC dc = GetDC(shown);
        BitBlt(dc, 0, 0, view.width, view.height, memory, 0, 0, SRCCOPY);
        ReleaseDC(shown, dc);
        same = SamePicture(CaptureScreen(view.onScreen), expected);
        return static_cast<bool>(same);
      });
      EXPECT_TRUE(same) << "zoom " << zoom << ", " << view.width << "x" << view.height;
      DestroyWindow(shown);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      ReleaseDC(nullptr, screen);
    }
  }
}

}  // namespace
