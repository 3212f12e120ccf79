// The magnifier window against the real platform: wheel modes and the overlay, the size step,
// the window mode's styles, the start-up and the shutdown's stored geometry.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/magnifier_state.h"
#include "app/picture_image.h"
#include "app/zoom_form.h"
#include "app/zoom_text_win32.h"
#include "desktop/hotkey.h"
#include "desktop/rx_label.h"
#include "settings/program_setup.h"
#include "support/test_registry_key.h"
#include "toolkit/timer.h"
#include "toolkit_test_support.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

// Topmost follows the z-order, and the system adds the window-edge flag to framed windows.
constexpr DWORD kExStyleMask = ~static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_WINDOWEDGE);

class ZoomFormTest : public ::testing::Test {
 protected:
  // Starts the window on a settings key of its own, with the given stored values.
  void Start(bool follow, int width = 150, int height = 150, int left = 100, int top = 100) {
    {
      TProgramSetup store(key_.Path());
      store.WriteBool("Move Window", follow);
      store.WriteInteger("Left", left);
      store.WriteInteger("Top", top);
      store.WriteInteger("Width", width);
      store.WriteInteger("Height", height);
    }
    form_ = tktest::NewForm<TfrmZoom>(state_, key_.Path());
    form_->Show();
    // The first tick hides the overlay that applying the mode showed.
    ASSERT_TRUE(tktest::WaitFor([&] { return !state_.FirstTick; }, 5000));
  }
  void TearDown() override { form_.reset(); }

  DWORD ExStyle() const { return static_cast<DWORD>(GetWindowLongA(form_->Handle(), GWL_EXSTYLE)); }
  DWORD Style() const { return static_cast<DWORD>(GetWindowLongA(form_->Handle(), GWL_STYLE)); }
  std::string Info() const { return form_->lInfo->Caption(); }
  bool InfoShown() const { return form_->lInfo->Visible(); }

  void Wheel(int delta) {
    SendMessageA(form_->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)),
                 MAKELPARAM(0, 0));
  }

  static BYTE Alpha(HWND wnd) {
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(wnd, nullptr, &alpha, &flags));
    EXPECT_EQ(flags & LWA_ALPHA, static_cast<DWORD>(LWA_ALPHA));
    return alpha;
  }

  TestRegistryKey key_;
  MagnifierState state_;
  std::unique_ptr<TfrmZoom> form_;
};

TEST_F(ZoomFormTest, StartsFromStoredSettingsWithoutATaskbarButton) {
  Start(true);
  EXPECT_EQ(form_->Width(), 150);
  EXPECT_EQ(form_->Height(), 150);
  EXPECT_EQ(form_->Timer1->Interval(), 25u);
  EXPECT_TRUE(form_->Timer1->Running());
  EXPECT_FALSE(InfoShown());
  EXPECT_EQ(GetWindow(form_->Handle(), GW_OWNER), Application->Handle());
  EXPECT_TRUE(GetWindowLongA(Application->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  // The stored hotkeys are bound.
  EXPECT_TRUE(form_->fHKZOOM->Registered());
  EXPECT_EQ(form_->fHKZOOM->Key(), 0xC05A);
}

TEST_F(ZoomFormTest, TheWheelDoesNothingBeforeAModeHotkey) {
  Start(false);
  const int zoom = state_.Zoom;
  Wheel(120);
  Wheel(-240);
  EXPECT_EQ(state_.Zoom, zoom);
  EXPECT_FALSE(InfoShown());
}

TEST_F(ZoomFormTest, ZoomModeStepsTheZoomAndStopsAtTwo) {
  Start(false);
  state_.Zoom = 3;
  form_->fHKZOOMHotKey();
  EXPECT_EQ(state_.WheelMode, wmZoom);
  EXPECT_TRUE(InfoShown());
  EXPECT_EQ(Info(), "Mouse Wheel Zoom");

  Wheel(-120);
  EXPECT_EQ(state_.Zoom, 2);
  EXPECT_EQ(Info(), UserZoomText(2));
  EXPECT_EQ(Info(), "Zoom:1");
  Wheel(-120);
  EXPECT_EQ(state_.Zoom, 2);
  // Half notches add up to one.
  Wheel(60);
  EXPECT_EQ(state_.Zoom, 2);
  Wheel(60);
  EXPECT_EQ(state_.Zoom, 3);
  EXPECT_EQ(Info(), UserZoomText(3));
  // No upper limit on the wheel's path.
  state_.Zoom = 60;
  Wheel(120);
  EXPECT_EQ(state_.Zoom, 61);
}

TEST_F(ZoomFormTest, TransparencyModeKeepsTheWindowLayeredFromOpaqueToInvisible) {
  Start(true);
  form_->fHKTransparentHotKey();
  EXPECT_EQ(Info(), "Mouse Wheel Transparency");
  EXPECT_EQ(Alpha(form_->Handle()), 204);  // the default 20 %

  state_.Transparency = 100;
  Wheel(120);
  EXPECT_EQ(state_.Transparency, 100);
  EXPECT_EQ(Info(), "Transparent:100");
  EXPECT_EQ(Alpha(form_->Handle()), 0);

  state_.Transparency = 2;
  Wheel(-120);
  EXPECT_EQ(state_.Transparency, 0);
  EXPECT_EQ(Info(), "Transparent:0");
  EXPECT_TRUE(ExStyle() & WS_EX_LAYERED);
  EXPECT_TRUE(ExStyle() & WS_EX_TRANSPARENT) << "still click-through in follow mode";
  EXPECT_EQ(Alpha(form_->Handle()), 255);
}

TEST_F(ZoomFormTest, SizeModeGrowsAndShrinksAboutTheCentreAndKeepsAUsableMinimum) {
  Start(false);
  state_.Busy = true;  // the tick leaves the window where the test puts it
  form_->SetBounds(100, 100, 150, 150);
  form_->fHKSizeHotKey();
  EXPECT_EQ(Info(), "Mouse Wheel Size");

  Wheel(-120);
  EXPECT_EQ(form_->Left(), 101);
  EXPECT_EQ(form_->Top(), 101);
  EXPECT_EQ(form_->Width(), 148);
  EXPECT_EQ(form_->Height(), 148);
  EXPECT_EQ(Info(), "Size:148,148");
  RECT r;
  GetWindowRect(form_->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 148);

  form_->SetBounds(100, 100, 149, 149);
  Wheel(120);
  EXPECT_EQ(form_->Width(), 151);
  EXPECT_EQ(form_->Left(), 99);
  EXPECT_EQ(form_->Top(), 99);
  EXPECT_EQ(Info(), "Size:151,151");

  // The framed window stops where the system's smallest frame does, or sooner.
  for (int i = 0; i < 120; ++i) Wheel(-120);
  RECT client;
  GetClientRect(form_->Handle(), &client);
  EXPECT_GE(client.right - 2 * form_->BorderWidth(), 16);
  EXPECT_GE(client.bottom - 2 * form_->BorderWidth(), 16);
}

TEST_F(ZoomFormTest, TheFramelessLensShrinksNoFurtherThanASixteenPixelPicture) {
  Start(true);
  state_.Busy = true;
  form_->fHKSizeHotKey();
  for (int i = 0; i < 120; ++i) Wheel(-120);
  RECT client;
  GetClientRect(form_->Handle(), &client);
  EXPECT_EQ(client.right - 2 * form_->BorderWidth(), 16);
  EXPECT_EQ(client.bottom - 2 * form_->BorderWidth(), 16);
  EXPECT_EQ(Info(), "Size:18,18");
}

TEST_F(ZoomFormTest, TheOverlayGoesWithinTwoSeconds) {
  Start(false);
  form_->fHKZOOMHotKey();
  ASSERT_TRUE(InfoShown());
  EXPECT_TRUE(form_->fadetimer->Running());
  EXPECT_TRUE(tktest::WaitFor([&] { return !InfoShown(); }, 3000));
  // The overlay timer keeps running once started.
  EXPECT_TRUE(form_->fadetimer->Running());
}

TEST_F(ZoomFormTest, WindowModeStylesAfterEachSwitchAndBack) {
  Start(true);
  EXPECT_EQ(ExStyle() & kExStyleMask, static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT));
  EXPECT_EQ(Style() & WS_CAPTION, 0u);
  EXPECT_TRUE(ExStyle() & WS_EX_TOPMOST);
  const int height = form_->Height();

  state_.MoveToMouse = false;
  state_.Busy = true;
  form_->ApplyWindowMode();
  EXPECT_EQ(Style() & (WS_CAPTION | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION | WS_THICKFRAME));
  EXPECT_EQ(ExStyle() & kExStyleMask, static_cast<DWORD>(WS_EX_LAYERED));
  EXPECT_EQ(form_->Height(), height);
  char caption[64] = {};
  GetWindowTextA(form_->Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Zoom Tool");
  EXPECT_EQ(Info(), "Transparent:20");

  state_.MoveToMouse = true;
  form_->ApplyWindowMode();
  EXPECT_EQ(ExStyle() & kExStyleMask, static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT));
  EXPECT_EQ(Style() & WS_CAPTION, 0u);
  EXPECT_EQ(form_->Height(), height - GetSystemMetrics(SM_CYCAPTION));

  state_.AlwaysTop = false;
  form_->ApplyWindowMode();
  EXPECT_FALSE(ExStyle() & WS_EX_TOPMOST);
  state_.ShowBorders = false;
  state_.ShowMousePos = true;
  form_->ApplyWindowMode();
  EXPECT_EQ(form_->BorderWidth(), 0);
  EXPECT_TRUE(form_->Label1->Visible());
}

TEST_F(ZoomFormTest, FollowModeCentresTheWindowOnTheCursor) {
  Start(true, 151, 120);
  SetCursorPos(400, 300);
  EXPECT_TRUE(tktest::WaitFor([&] { return form_->Left() == 400 - 151 / 2 && form_->Top() == 300 - 60; },
                              3000))
      << form_->Left() << "," << form_->Top();
  // While busy the window stays put.
  state_.Busy = true;
  tktest::PumpFor(100);
  SetCursorPos(500, 350);
  tktest::PumpFor(200);
  EXPECT_EQ(form_->Left(), 400 - 75);
}

TEST_F(ZoomFormTest, ShutdownStoresTheWindowsGeometryAndSettings) {
  Start(false);
  state_.Busy = true;
  form_->SetBounds(222, 133, 260, 170);
  state_.Zoom = 9;
  state_.Shortcuts[scZoom] = 0;
  form_.reset();
  TProgramSetup store(key_.Path());
  EXPECT_EQ(store.ReadInteger("Left", -1), 222);
  EXPECT_EQ(store.ReadInteger("Top", -1), 133);
  EXPECT_EQ(store.ReadInteger("Width", -1), 260);
  EXPECT_EQ(store.ReadInteger("Height", -1), 170);
  EXPECT_EQ(store.ReadInteger("Zoom", -1), 9);
  EXPECT_EQ(store.ReadString("ShortCut ZOOM", "x"), "");
  EXPECT_EQ(store.ReadString("ShortCut Dialog", "x"), "Ctrl+Alt+D");
}

// A windowless control over the picture that makes every repaint slow (longer than the
// capture timer's 25 ms) and notes how many capture ticks run while it paints.
class SlowPaintProbe : public TGraphicControl {
 public:
  explicit SlowPaintProbe(TfrmZoom& form) : TGraphicControl(nullptr), form_(form) {
    SetParent(&form);
    SetBounds(0, 0, 8, 8);
  }
  void Paint(HDC) override {
    ++paints;
    deepest = std::max(deepest, form_.TicksRunning());
    Sleep(35);
  }
  int paints = 0;
  int deepest = 0;

 private:
  TfrmZoom& form_;
};

TEST_F(ZoomFormTest, ASlowTickNeverRunsAnotherInsideItself) {
  Start(false);
  SlowPaintProbe probe(*form_);
  EXPECT_TRUE(tktest::WaitFor([&] { return probe.paints >= 20; }, 10000)) << probe.paints;
  EXPECT_EQ(probe.deepest, 1);
}

TEST_F(ZoomFormTest, ThePictureIsMadeAnewWhenTheBorderIsTurnedOffAndOn) {
  Start(false);
  for (bool borders : {false, true}) {
    SCOPED_TRACE(borders);
    state_.ShowBorders = borders;
    form_->ApplyWindowMode();
    const int edge = borders ? 2 : 0;
    EXPECT_TRUE(tktest::WaitFor(
        [&] {
          return form_->Image1->HasSurface() &&
                 form_->Image1->SurfaceWidth() == form_->ClientWidth() - edge &&
                 form_->Image1->SurfaceHeight() == form_->ClientHeight() - edge;
        },
        3000))
        << form_->Image1->SurfaceWidth() << " x " << form_->Image1->SurfaceHeight();
  }
}

TEST_F(ZoomFormTest, ATrayPressInsideTheSetupDialogKeepsTheCapturePaused) {
  Start(false);
  bool acted = false, busy_after_press = false;
  TTimer act(nullptr);
  act.SetInterval(20);
  act.SetOnTimer([&](TComponent*) {
    HWND dialog = FindWindowA(nullptr, "Zoom Setup");
    if (acted || !dialog || !IsWindowVisible(dialog)) return;
    acted = true;
    form_->RxTrayIcon1MouseDown();
    form_->RxTrayIcon1MouseUp();
    busy_after_press = state_.Busy;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  form_->SetupDialog1Click();
  ASSERT_TRUE(acted);
  EXPECT_TRUE(busy_after_press);
  EXPECT_FALSE(state_.Busy) << "the last user is done";
}

// The monitor work area the window lies in wholly, or an empty rectangle.
RECT WorkAreaHolding(HWND wnd) {
  RECT window;
  GetWindowRect(wnd, &window);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoA(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &info);
  RECT both;
  IntersectRect(&both, &window, &info.rcWork);
  return EqualRect(&both, &window) ? info.rcWork : RECT{};
}

TEST_F(ZoomFormTest, ALensStoredOffScreenComesBackWholeOntoAMonitor) {
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  struct Case {
    const char* name;
    int left, top, width, height;
  } const cases[] = {
      {"far away", 5000, 4000, 150, 150},
      {"just off the right edge", screen_width - 100, 100, 150, 150},
      {"overflowing", 2147483647, 2147483647, 100000, 100000},
      {"far left and up", -2147483647, -2147483647, 300, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(false, c.width, c.height, c.left, c.top);
    const RECT work = WorkAreaHolding(form_->Handle());
    EXPECT_FALSE(IsRectEmpty(&work)) << form_->Left() << "," << form_->Top() << " " << form_->Width();
    EXPECT_GE(form_->Width(), 32);
    EXPECT_GE(form_->Height(), 32);
    if (c.left == screen_width - 100) {
      EXPECT_EQ(form_->Left(), work.right - c.width) << "moved only as far as needed";
      EXPECT_EQ(form_->Top(), c.top);
    }
    form_.reset();
  }

  // A position wholly on the monitor is kept exactly; one left off screen while the program
  // runs comes back when the displays change.
  Start(false, 160, 140, 37, 51);
  EXPECT_EQ(form_->Left(), 37);
  EXPECT_EQ(form_->Top(), 51);
  form_->SetBounds(-3000, 200, 160, 140);
  SendMessageA(form_->Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN),
                                                                 GetSystemMetrics(SM_CYSCREEN)));
  const RECT work = WorkAreaHolding(form_->Handle());
  EXPECT_FALSE(IsRectEmpty(&work)) << form_->Left() << "," << form_->Top();
  EXPECT_EQ(form_->Top(), 200);
}

}  // namespace
