// The magnifier window against the real platform: wheel modes and the overlay, the size step,
// the window mode's styles, the start-up and the shutdown's stored geometry.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/magnifier_state.h"
#include "app/picture_image.h"
#include "app/save_picture_dialog.h"
#include "app/zoom_form.h"
#include "app/zoom_text_win32.h"
#include "desktop/hotkey.h"
#include "desktop/rx_label.h"
#include "settings/program_setup.h"
#include "settings/settings_table.h"
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
  // The overlay's text changes between ticks, so that each tick repaints (a still screen alone
  // would not).
  int changes = 0;
  EXPECT_TRUE(tktest::WaitFor([&] {
    form_->lInfo->SetCaption(std::to_string(++changes));
    return probe.paints >= 20;
  }, 10000)) << probe.paints;
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

// ---- Guards: second requests, a picture that cannot be made, copy without a picture, the
// lens out of the topmost band, "Exit" from inside the setup dialog, a picture smaller than
// the zoom step.

// Visible top-level windows of this thread with the given title.
std::vector<HWND> ThreadWindowsTitled(const char* title) {
  struct Search {
    const char* title;
    std::vector<HWND> found;
  } search{title, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND wnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        char text[64] = {};
        GetWindowTextA(wnd, text, sizeof(text));
        if (std::strcmp(text, s->title) == 0 && IsWindowVisible(wnd)) s->found.push_back(wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// True when `upper` lies above `lower` in the z-order.
bool IsAbove(HWND upper, HWND lower) {
  for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
    if (w == upper) return true;
  return false;
}

// Lets `count` capture ticks run: the cursor is moved to a new point each time, and each tick
// notes where it is.
bool TicksSeeTheCursor(const MagnifierState& state, int count) {
  for (int i = 0; i < count; ++i) {
    const int x = 300 + (i % 2 ? 17 : 3) + i, y = 310;
    SetCursorPos(x, y);
    if (!tktest::WaitFor([&] { return state.CursorPos.x == x && state.CursorPos.y == y; },
                         tktest::kPatience))
      return false;
  }
  return true;
}

// After the dialog: the capture runs again and makes the picture anew.
void ExpectTheCaptureToRunAgain(TfrmZoom& form, const MagnifierState& state) {
  EXPECT_FALSE(state.Busy);
  form.Image1->Clear();
  EXPECT_TRUE(tktest::WaitFor([&] { return form.Image1->HasSurface(); }, tktest::kPatience))
      << "no tick made the picture again";
}

TEST_F(ZoomFormTest, ASecondSetupRequestWhileTheDialogIsOpenIsIgnored) {
  Start(false);
  bool asked = false, busy_inside = false;
  size_t most_dialogs = 0;
  TTimer act(nullptr);
  act.SetInterval(20);
  act.SetOnTimer([&](TComponent*) {
    const auto dialogs = ThreadWindowsTitled("Zoom Setup");
    most_dialogs = std::max(most_dialogs, dialogs.size());
    if (dialogs.empty()) return;
    if (!asked) {
      asked = true;
      // The hotkey and the tray menu's item, each while the dialog runs.
      form_->fHKDialogHotKey();
      form_->SetupDialog1Click();
      busy_inside = state_.Busy;
      most_dialogs = std::max(most_dialogs, ThreadWindowsTitled("Zoom Setup").size());
    }
    // Closes the dialog (each of them, should more have opened).
    for (HWND dialog : dialogs) PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  form_->SetupDialog1Click();
  act.SetEnabled(false);
  ASSERT_TRUE(asked);
  EXPECT_EQ(most_dialogs, 1u) << "a second setup dialog opened";
  EXPECT_TRUE(busy_inside);
  EXPECT_TRUE(ThreadWindowsTitled("Zoom Setup").empty());
  ExpectTheCaptureToRunAgain(*form_, state_);
}

TEST_F(ZoomFormTest, ASecondSaveRequestWhileTheSaveDialogIsOpenIsIgnored) {
  Start(false);
  bool asked = false, busy_inside = false;
  size_t most_dialogs = 0;
  TTimer act(nullptr);
  act.SetInterval(20);
  act.SetOnTimer([&](TComponent*) {
    const auto dialogs = tktest::ThreadWindowsOfClass("#32770");
    most_dialogs = std::max(most_dialogs, dialogs.size());
    if (dialogs.empty()) return;
    if (!asked) {
      asked = true;
      form_->fHKFileHotKey();
      busy_inside = state_.Busy;
      most_dialogs = std::max(most_dialogs, tktest::ThreadWindowsOfClass("#32770").size());
    }
    for (HWND dialog : dialogs) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  form_->fHKFileHotKey();
  act.SetEnabled(false);
  ASSERT_TRUE(asked);
  EXPECT_EQ(most_dialogs, 1u) << "a second save dialog opened";
  EXPECT_TRUE(busy_inside);
  EXPECT_FALSE(form_->SavePictureDialog->Running());
  EXPECT_TRUE(tktest::ThreadWindowsOfClass("#32770").empty());
  ExpectTheCaptureToRunAgain(*form_, state_);
}

TEST_F(ZoomFormTest, APictureThatCannotBeMadeIsReportedOnceAndAgainOnlyAfterTheSizeChanges) {
  Start(false);
  tktest::ReportedErrors errors;
  // A picture control of 30000 x 30000 pixels: more than a bitmap can hold (over 2 GiB of
  // pixels). The window itself cannot be made that large, so the control is sized alone.
  const int huge = 30000;
  form_->Image1->SetAlign(TAlign::alNone);
  form_->Image1->SetBounds(0, 0, huge, huge);
  ASSERT_EQ(form_->Image1->Width(), huge);
  ASSERT_EQ(form_->Image1->Height(), huge);
  {
    HDC screen = GetDC(nullptr);
    HBITMAP probe = CreateCompatibleBitmap(screen, huge, huge);
    ReleaseDC(nullptr, screen);
    if (probe) DeleteObject(probe);
    ASSERT_EQ(probe, nullptr) << "the platform makes a bitmap this large";
  }
  ASSERT_TRUE(TicksSeeTheCursor(state_, 12));
  EXPECT_FALSE(form_->Image1->HasSurface());
  ASSERT_EQ(errors.texts.size(), 1u) << "reported once, not on every tick";
  EXPECT_FALSE(errors.texts[0].empty());

  // The window's size changes, the picture still cannot be made: one more report.
  form_->SetBounds(100, 100, 210, 190);
  ASSERT_TRUE(TicksSeeTheCursor(state_, 12));
  EXPECT_FALSE(form_->Image1->HasSurface());
  EXPECT_EQ(errors.texts.size(), 2u);

  // A size that can be made: the picture comes back and nothing more is reported.
  form_->Image1->SetAlign(TAlign::alClient);
  form_->SetBounds(100, 100, 200, 180);
  EXPECT_TRUE(tktest::WaitFor([&] { return form_->Image1->HasSurface(); }, tktest::kPatience));
  ASSERT_TRUE(TicksSeeTheCursor(state_, 4));
  EXPECT_EQ(errors.texts.size(), 2u);
}

TEST_F(ZoomFormTest, CopyWithoutAPictureLeavesTheClipboardAlone) {
  Start(false);
  state_.Busy = true;  // no tick makes the picture again
  form_->Image1->Clear();
  ASSERT_FALSE(form_->Image1->HasSurface());

  const char text[] = "Lumeview clipboard keeps this";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  std::memcpy(GlobalLock(memory), text, sizeof text);
  GlobalUnlock(memory);
  const bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
  CloseClipboard();
  ASSERT_TRUE(placed);

  form_->fHKClipboardHotKey();

  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_TEXT);
  std::string found;
  if (data) {
    found = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(found, text);
}

TEST_F(ZoomFormTest, OutOfTheTopmostBandTheLensKeepsItsOwnerAndIsNotRaisedByTicks) {
  Start(false);
  state_.AlwaysTop = false;
  form_->ApplyWindowMode();  // as the setup dialog's OK does
  HWND lens = form_->Handle();
  EXPECT_FALSE(GetWindowLongA(lens, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(lens, GW_OWNER), Application->Handle());
  EXPECT_FALSE(GetWindowLongA(lens, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "a taskbar button";

  // Another program's window over the lens (not activated: see the focus note).
  RECT r;
  GetWindowRect(lens, &r);
  HWND cover = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", "", WS_POPUP,
                               r.left + 10, r.top + 10, 60, 60, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(cover, nullptr);
  SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ASSERT_TRUE(IsAbove(cover, lens));
  EXPECT_TRUE(TicksSeeTheCursor(state_, 8));
  EXPECT_TRUE(IsAbove(cover, lens)) << "a tick raised the lens";
  EXPECT_FALSE(GetWindowLongA(lens, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(lens, GW_OWNER), Application->Handle());
  DestroyWindow(cover);
}

// "Exit" from the tray while the setup dialog runs, as the program runs it: the lens is the
// main form and Run is the message loop. Returns 0 when "Exit" was chosen inside the dialog,
// the dialog's modal run ended without further help and Run ended and destroyed the lens.
int ExitInsideTheSetupDialog(const std::string& key) {
  {
    TProgramSetup store(key);
    store.WriteBool("Move Window", false);
    store.WriteInteger("Left", 140);
    store.WriteInteger("Top", 120);
  }
  MagnifierState state;
  auto* form = CreateForm<TfrmZoom>(Application, state, key);
  if (Application->MainForm() != form) return 2;
  bool opened = false, exited = false, stuck = false;
  const ULONGLONG began = GetTickCount64();
  TTimer open(nullptr), quit(nullptr);
  open.SetInterval(50);
  open.SetOnTimer([&](TComponent*) {
    if (opened) return;
    opened = true;
    state.Zoom = 7;
    form->SetupDialog1Click();  // from the tray menu
  });
  quit.SetInterval(20);
  quit.SetOnTimer([&](TComponent*) {
    const auto dialogs = ThreadWindowsTitled("Zoom Setup");
    if (dialogs.empty()) return;
    if (!exited) {
      exited = true;
      form->Exit1Click();  // from the tray menu
    } else if (GetTickCount64() - began > tktest::kPatience) {
      stuck = true;  // the dialog outlived "Exit"
      PostMessageA(dialogs.front(), WM_CLOSE, 0, 0);
    }
  });
  Application->Run();  // destroys the lens when it ends
  open.SetEnabled(false);
  quit.SetEnabled(false);
  return !exited ? 3 : stuck ? 4 : Application->MainForm() ? 5 : 0;
}

// In a process of its own: the application's loop ends there for good.
TEST_F(ZoomFormTest, ExitWhileTheSetupDialogRunsEndsTheProgramAndStoresAllValues) {
  EXPECT_EXIT(std::exit(ExitInsideTheSetupDialog(key_.Path())), ::testing::ExitedWithCode(0), "");

  const std::vector<std::string> names = key_.ValueNames();
  EXPECT_EQ(names.size(), kSettingCount);
  for (const SettingRow& row : SettingsTable())
    EXPECT_NE(std::find(names.begin(), names.end(), row.name), names.end()) << row.name;
  EXPECT_TRUE(key_.Get("Zoom").IsDword(7));
  EXPECT_TRUE(key_.Get("Left").IsDword(140));
  EXPECT_TRUE(key_.Get("Top").IsDword(120));
}

TEST_F(ZoomFormTest, APictureSmallerThanTheZoomStepIsNoHarm) {
  Start(false);
  tktest::ReportedErrors errors;
  state_.Zoom = 16;
  // A picture 4 pixels high shows less than one screen row at this step (it would take 8).
  form_->SetClientSize(150, 4 + 2 * form_->BorderWidth());
  ASSERT_GT(form_->Image1->Height(), 0);
  ASSERT_LT(form_->Image1->Height(), state_.Zoom / 2);
  EXPECT_TRUE(TicksSeeTheCursor(state_, 6));
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
  // Back to a usable size, the picture is made again.
  form_->SetBounds(100, 100, 150, 150);
  form_->Image1->Clear();
  EXPECT_TRUE(tktest::WaitFor([&] { return form_->Image1->HasSurface(); }, tktest::kPatience));
}

}  // namespace
