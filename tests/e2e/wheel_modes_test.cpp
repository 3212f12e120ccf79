// Wheel modes, driven as a user would: Ctrl+Alt+Z, Ctrl+Alt+S or Ctrl+Alt+T chooses what the
// mouse wheel changes, and each notch turned over the lens changes the magnification, the
// window's size or its transparency at once, reported for a moment in the info overlay.
//
// Under Wine the wheel goes to the window under the pointer, so the notches are turned with
// the pointer over the lens (in fixed mode, where the lens is not click-through); the picture
// is then judged with the pointer back on the pattern.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "support/driver.h"

namespace {

using namespace e2e;

constexpr RECT kPatternArea{0, 0, 640, 560};
constexpr POINT kInside{300, 260};
// The info overlay sits in the picture's top-left corner: a line of bold text and its shadow.
constexpr RECT kOverlayRegion{0, 0, 400, 40};

POINT CentreOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Turns the wheel with the pointer over the lens, then puts the pointer back on the pattern.
// Fails when the pointer does not get to the lens (the notches are then not turned) or back.
::testing::AssertionResult WheelOverLens(HWND lens, int notches) {
  const POINT c = CentreOf(ClientRectOnScreen(lens));
  ::testing::AssertionResult moved = MoveCursor(c.x, c.y);
  if (!moved) return moved << " (over the lens)";
  TurnWheel(notches);
  moved = MoveCursor(kInside.x, kInside.y);
  if (!moved) return moved << " (back on the pattern)";
  return ::testing::AssertionSuccess();
}

// True when the window's rectangle stays the same for `ms` milliseconds.
bool SettledAt(HWND wnd, DWORD ms) {
  const std::string r = Describe(WindowRectOf(wnd));
  return !WaitFor([&] { return Describe(WindowRectOf(wnd)) != r; }, ms);
}

class WheelModes : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    WriteSettings({.zoom = 4,
                   .transparency = 20,
                   .moveWindow = false,
                   .left = 760,
                   .top = 300,
                   .width = 200,
                   .height = 180});
    pattern_ = std::make_unique<PatternWindow>(kPatternArea);
    ASSERT_TRUE(pattern_->WaitShown());
    ASSERT_TRUE(MoveCursor(kInside.x, kInside.y));
    ASSERT_TRUE(lumeview_.Start());
    pattern_->Raise();
    lens_ = lumeview_.Lens();
  }
  void TearDown() override {
    if (lumeview_.Running()) {
      EXPECT_TRUE(lumeview_.Close());
    }
    ClearSettings();
  }

  LensView View(int zoom) const { return ViewOf(lens_, kInside, zoom, true, false, true); }

  // The overlay's timer, once started, fires every 2 s and hides the overlay each time, so an
  // info stays between 0 and 2 s. Shows an info with `press` and waits until the overlay goes:
  // a firing has just happened, and the next is about 2 s away.
  ::testing::AssertionResult CatchOverlayTimer(const std::function<void()>& press, int zoom) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      press();
      if (!WaitForOverlay(View(zoom), *pattern_, kOverlayRegion, 2500)) continue;
      if (WaitForPicture(View(zoom), *pattern_, 2500)) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the overlay never came and went";
  }

  std::unique_ptr<PatternWindow> pattern_;
  LumeviewProcess lumeview_;
  HWND lens_ = nullptr;
};

// Zoom mode: each notch changes the zoom step by one, never below 2; the picture is the exact
// enlargement at the new step, the overlay shows over it and is gone within about 2 s.
// Before any mode hotkey the wheel changes nothing.
TEST_F(WheelModes, ZoomNotchesChangeTheMagnificationWithTheOverlay) {
  ASSERT_TRUE(WaitForPicture(View(4), *pattern_));

  const RECT before = WindowRectOf(lens_);
  const std::optional<BYTE> alpha = LayeredAlpha(lens_);
  // (That the zoom stayed shows below: one notch after Ctrl+Alt+Z gives step 5.)
  ASSERT_TRUE(WheelOverLens(lens_, +2));
  EXPECT_TRUE(WaitForPicture(View(4), *pattern_));
  std::string changed;
  EXPECT_FALSE(WaitFor(
      [&] {
        const RECT now = WindowRectOf(lens_);
        if (!EqualRect(&now, &before)) changed = "the window: " + Describe(now);
        if (LayeredAlpha(lens_) != alpha) changed = "the alpha";
        return !changed.empty();
      },
      600))
      << "the wheel changed " << changed << " before a mode was chosen";

  ASSERT_TRUE(CatchOverlayTimer([] { PressCtrlAlt('Z'); }, 4));
  const ULONGLONG notch = GetTickCount64();
  ASSERT_TRUE(WheelOverLens(lens_, +1));
  EXPECT_TRUE(WaitForOverlay(View(5), *pattern_, kOverlayRegion, 2000));
  EXPECT_TRUE(WaitForPicture(View(5), *pattern_, 3000));
  EXPECT_LE(GetTickCount64() - notch, 2600u) << "the overlay stayed longer than about 2 s";

  ASSERT_TRUE(WheelOverLens(lens_, +1));
  EXPECT_TRUE(WaitForPicture(View(6), *pattern_, kWait, kOverlayRegion));
  ASSERT_TRUE(WheelOverLens(lens_, -5));  // 6 -> 2, the last notch stays at 2
  EXPECT_TRUE(WaitForPicture(View(2), *pattern_, kWait, kOverlayRegion));
  ASSERT_TRUE(WheelOverLens(lens_, +1));
  EXPECT_TRUE(WaitForPicture(View(3), *pattern_, kWait, kOverlayRegion));
  EXPECT_TRUE(WaitForPicture(View(3), *pattern_)) << "overlay still shown";
}

// Size mode: each notch grows or shrinks the window by 2 pixels about its centre, and the next
// tick draws the picture at the new size; it never shrinks below a small usable size.
TEST_F(WheelModes, SizeNotchesResizeTheWindowAboutItsCentre) {
  ASSERT_TRUE(WaitForPicture(View(4), *pattern_));
  PressCtrlAlt('S');
  const RECT r0 = WindowRectOf(lens_);

  ASSERT_TRUE(WheelOverLens(lens_, +3));
  const RECT grown{r0.left - 3, r0.top - 3, r0.right + 3, r0.bottom + 3};
  EXPECT_TRUE(WaitFor([&] { return Describe(WindowRectOf(lens_)) == Describe(grown); }))
      << Describe(WindowRectOf(lens_)) << ", expected " << Describe(grown);
  EXPECT_TRUE(WaitForPicture(View(4), *pattern_, kWait, kOverlayRegion));

  ASSERT_TRUE(WheelOverLens(lens_, -1));
  const RECT shrunk{grown.left + 1, grown.top + 1, grown.right - 1, grown.bottom - 1};
  EXPECT_TRUE(WaitFor([&] { return Describe(WindowRectOf(lens_)) == Describe(shrunk); }))
      << Describe(WindowRectOf(lens_)) << ", expected " << Describe(shrunk);
  EXPECT_TRUE(WaitForPicture(View(4), *pattern_, kWait, kOverlayRegion));

  // Far more notches down than the window has pixels: it stops at a small usable size, still
  // centred where it was.
  const POINT centre = CentreOf(WindowRectOf(lens_));
  ASSERT_TRUE(WheelOverLens(lens_, -120));
  EXPECT_TRUE(WaitFor([&] { return SettledAt(lens_, 600); }, 20000))
      << "still changing: " << Describe(WindowRectOf(lens_));
  RECT smallest = WindowRectOf(lens_);
  ASSERT_TRUE(WheelOverLens(lens_, -3));
  EXPECT_FALSE(WaitFor([&] { return Describe(WindowRectOf(lens_)) != Describe(smallest); }, 600))
      << "went on from " << Describe(smallest) << " to " << Describe(WindowRectOf(lens_));
  smallest = WindowRectOf(lens_);
  const RECT picture = PictureRect(lens_, true);
  EXPECT_GE(Width(picture), 16) << Describe(picture);
  EXPECT_GE(Height(picture), 16) << Describe(picture);
  EXPECT_TRUE(IsWindowVisible(lens_));
  EXPECT_LE(std::abs(CentreOf(smallest).x - centre.x), 1) << Describe(smallest);
  EXPECT_LE(std::abs(CentreOf(smallest).y - centre.y), 1) << Describe(smallest);

  ASSERT_TRUE(WheelOverLens(lens_, +20));
  const RECT regrown{smallest.left - 20, smallest.top - 20, smallest.right + 20,
                     smallest.bottom + 20};
  EXPECT_TRUE(WaitFor([&] { return Describe(WindowRectOf(lens_)) == Describe(regrown); }))
      << Describe(WindowRectOf(lens_)) << ", expected " << Describe(regrown);
  EXPECT_TRUE(WaitForPicture(View(4), *pattern_, kWait, kOverlayRegion));
}

// Transparency mode: each notch changes the transparency by 2 percent within 0..100, seen as
// the layered window's alpha, (100 - t) * 255 / 100; at 0 the window stays layered, opaque.
TEST_F(WheelModes, TransparencyNotchesChangeTheLayeredAlpha) {
  ASSERT_EQ(std::optional<BYTE>(204), LayeredAlpha(lens_));  // 20 %
  PressCtrlAlt('T');

  ASSERT_TRUE(WheelOverLens(lens_, +1));  // 22 %
  EXPECT_TRUE(WaitFor([&] { return LayeredAlpha(lens_) == std::optional<BYTE>(198); }))
      << "alpha " << static_cast<int>(LayeredAlpha(lens_).value_or(0));

  ASSERT_TRUE(WheelOverLens(lens_, -12));  // 0 %, the last notch stays at 0
  EXPECT_TRUE(WaitFor([&] { return LayeredAlpha(lens_) == std::optional<BYTE>(255); }))
      << "alpha " << static_cast<int>(LayeredAlpha(lens_).value_or(0));
  EXPECT_TRUE(ExStyleOf(lens_) & WS_EX_LAYERED);

  ASSERT_TRUE(WheelOverLens(lens_, +1));  // 2 %: proves the floor held at 0
  EXPECT_TRUE(WaitFor([&] { return LayeredAlpha(lens_) == std::optional<BYTE>(249); }))
      << "alpha " << static_cast<int>(LayeredAlpha(lens_).value_or(0));

  ASSERT_TRUE(WheelOverLens(lens_, +50));  // 100 %, the last notch stays at 100
  EXPECT_TRUE(WaitFor([&] { return LayeredAlpha(lens_) == std::optional<BYTE>(0); }))
      << "alpha " << static_cast<int>(LayeredAlpha(lens_).value_or(0));
  ASSERT_TRUE(WheelOverLens(lens_, -10));  // 80 %: proves the ceiling held at 100
  EXPECT_TRUE(WaitFor([&] { return LayeredAlpha(lens_) == std::optional<BYTE>(51); }))
      << "alpha " << static_cast<int>(LayeredAlpha(lens_).value_or(0));

  // The zoom did not change meanwhile.
  EXPECT_TRUE(WaitForPicture(View(4), *pattern_, kWait, kOverlayRegion));
}

}  // namespace
