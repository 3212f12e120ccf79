// The two window modes as a user meets them. Follow mode: a frameless, layered, click-through
// lens centred on the cursor at every tick. Fixed mode: a tool window captioned "Zoom Tool"
// that the user drags by its caption and resizes by its frame; a resize shows the window's
// background until the next capture, then the picture at the new size.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "support/driver.h"

namespace {

using namespace e2e;

constexpr RECT kPatternArea{0, 0, 640, 560};
constexpr POINT kInside{300, 260};

// True while the thread of `wnd` runs the system's move or size loop (a drag of the frame).
bool InMoveSizeLoop(HWND wnd) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(wnd, nullptr), &info) &&
         (info.flags & GUI_INMOVESIZE);
}

bool CentredOn(HWND lens, POINT p) {
  const RECT r = WindowRectOf(lens);
  return r.left == p.x - Width(r) / 2 && r.top == p.y - Height(r) / 2;
}

// True when `upper` is above `lower` in the z-order.
bool Above(HWND upper, HWND lower) {
  for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
    if (w == upper) return true;
  return false;
}

std::string Hex(DWORD v) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "0x%lX", static_cast<unsigned long>(v));
  return buf;
}

class WindowMode : public ::testing::Test {
 protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }
};

TEST_F(WindowMode, FollowModeLensIsCentredOnTheCursorLayeredAndClickThrough) {
  WriteSettings({.moveWindow = true, .width = 150, .height = 140});
  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());
  ASSERT_TRUE(MoveCursor(kInside.x, kInside.y));
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start());
  HWND lens = lumeview.Lens();

  // A window put above it does not stay there: the tick raises the lens again.
  pattern.Raise();
  EXPECT_TRUE(WaitFor([&] { return Above(lens, pattern.Handle()); }));

  // Frameless, exactly layered and click-through (Windows reports the topmost band too).
  EXPECT_EQ(Hex(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST), Hex(ExStyleOf(lens)));
  EXPECT_EQ(0u, StyleOf(lens) & (WS_CAPTION | WS_THICKFRAME)) << Hex(StyleOf(lens));
  EXPECT_TRUE(StyleOf(lens) & WS_POPUP) << Hex(StyleOf(lens));
  EXPECT_EQ(std::optional<BYTE>(204), LayeredAlpha(lens));
  const RECT r = WindowRectOf(lens);
  EXPECT_EQ(150, Width(r));
  EXPECT_EQ(140, Height(r));

  // The centre follows the cursor, also where the lens then reaches over the screen's edges.
  for (POINT p :
       {kInside, POINT{120, 90}, POINT{520, 430}, POINT{0, 0}, POINT{1279, 1023}, kInside}) {
    EXPECT_TRUE(MoveCursor(p.x, p.y));
    EXPECT_TRUE(WaitFor([&] { return CentredOn(lens, p); }))
        << "cursor at " << p.x << "," << p.y << ", lens at " << Describe(WindowRectOf(lens));
  }

  // Clicks at the cursor go through the lens to the window below.
  EXPECT_EQ(pattern.Handle(), WindowFromPoint(kInside));
  const int clicks = pattern.Clicks();
  for (int i = 1; i <= 2; ++i) {
    ASSERT_TRUE(XServerClick()) << "xdotool did not run";
    EXPECT_TRUE(WaitFor([&] { return pattern.Clicks() == clicks + i; }))
        << pattern.Clicks() - clicks << " of " << i << " clicks reached the window below";
  }
  EXPECT_TRUE(CentredOn(lens, kInside));

  EXPECT_TRUE(lumeview.Close());
}

class FixedMode : public WindowMode {
 protected:
  void SetUp() override {
    WindowMode::SetUp();
    WriteSettings({.zoom = 4,
                   .showBorders = true,
                   .moveWindow = false,
                   .left = 1000,
                   .top = 40,
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
    WindowMode::TearDown();
  }

  LensView View() const { return ViewOf(lens_, kInside, 4, true, false, true); }
  bool At(const RECT& r) const { return Describe(WindowRectOf(lens_)) == Describe(r); }

  std::unique_ptr<PatternWindow> pattern_;
  LumeviewProcess lumeview_;
  HWND lens_ = nullptr;
};

// A tool window captioned "Zoom Tool", not click-through; a resize shows the window's
// background until the next capture draws the picture at the new size; the caption drags it.
TEST_F(FixedMode, CaptionedWindowIsRedrawnAfterAResizeAndMovedByItsCaption) {
  EXPECT_EQ("Zoom Tool", TitleOf(lens_));
  EXPECT_EQ(DWORD{WS_CAPTION | WS_THICKFRAME}, StyleOf(lens_) & (WS_CAPTION | WS_THICKFRAME))
      << Hex(StyleOf(lens_));
  // Layered (for the transparency) and topmost, with the edge the system gives a sizeable
  // frame; neither click-through nor a tool window any more.
  EXPECT_EQ(Hex(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_WINDOWEDGE), Hex(ExStyleOf(lens_)));
  const RECT client = ClientRectOnScreen(lens_);
  EXPECT_EQ(lens_, WindowFromPoint(POINT{client.left + 20, client.top + 20}));
  EXPECT_TRUE(WaitForPicture(View(), *pattern_));

  // With the capture paused (the setup dialog is open), a resize leaves the window's
  // background colour where the picture was; once the dialog is gone, the next capture draws
  // the picture at the new size.
  PressCtrlAlt('D');
  HWND setup = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    setup = FindProcessWindow(lumeview_.Id(), "LumeviewWindow", "Zoom Setup");
    return setup && IsWindowVisible(setup);
  })) << "the setup dialog did not open";
  const RECT r = WindowRectOf(lens_);
  SetWindowPos(lens_, nullptr, r.left, r.top, Width(r) + 40, Height(r) + 30,
               SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT grown{r.left, r.top, r.right + 40, r.bottom + 30};
  EXPECT_TRUE(At(grown)) << Describe(WindowRectOf(lens_));
  const uint32_t face = ButtonFaceColor();
  const RECT picture = PictureRect(lens_, true);
  std::string seen;
  EXPECT_TRUE(WaitFor([&] {
    const Image shot = CaptureScreen(picture);
    int other = 0;
    for (uint32_t p : shot.pixels) other += p != face;
    seen = std::to_string(other) + " of " + std::to_string(shot.pixels.size()) +
           " pixels are not the background";
    return other == 0;
  })) << seen;
  PostMessageA(setup, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(setup) || !IsWindowVisible(setup); }));
  // Applying the settings again shows "Transparent:20" in the overlay for a moment.
  EXPECT_TRUE(WaitForPicture(View(), *pattern_, kWait, RECT{0, 0, 400, 40}));
  EXPECT_EQ(Width(picture), View().width);

  // Dragging the caption moves the window by the distance dragged.
  const RECT before = WindowRectOf(lens_);
  const POINT grip{(before.left + before.right) / 2,
                   (before.top + ClientRectOnScreen(lens_).top) / 2};
  RECT moved = before;
  OffsetRect(&moved, -150, 120);
  Drag(grip, POINT{grip.x - 150, grip.y + 120}, 8, [&] { return At(moved); });
  EXPECT_TRUE(WaitFor([&] { return !InMoveSizeLoop(lens_); })) << "still moving after the drag";
  EXPECT_TRUE(At(moved)) << Describe(WindowRectOf(lens_)) << ", expected " << Describe(moved);
  ASSERT_TRUE(MoveCursor(kInside.x, kInside.y));
  EXPECT_TRUE(WaitForPicture(View(), *pattern_));
}

// Dragging the bottom-right corner of the frame resizes the window; the drag ends when the
// button is released, and the picture fills the new size.
TEST_F(FixedMode, FrameDragResizesTheWindow) {
  ASSERT_TRUE(WaitForPicture(View(), *pattern_));
  const RECT before = WindowRectOf(lens_);
  const RECT resized{before.left, before.top, before.right + 30, before.bottom + 20};
  Drag(POINT{before.right - 2, before.bottom - 2}, POINT{before.right + 28, before.bottom + 18}, 8,
       [&] { return At(resized); });
  EXPECT_TRUE(WaitFor([&] { return !InMoveSizeLoop(lens_); }))
      << "the window still follows the mouse after the button was released";
  EXPECT_TRUE(At(resized)) << Describe(WindowRectOf(lens_)) << ", expected " << Describe(resized);
  ASSERT_TRUE(MoveCursor(kInside.x, kInside.y));
  EXPECT_TRUE(WaitForPicture(View(), *pattern_));
}

}  // namespace
