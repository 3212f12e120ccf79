// Forms against the real window manager: creation order, frame styles and client sizes, the
// modal run, wheel notches, resize events, windowless children painted by the form, and
// children aligned to the client area.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/component.h"
#include "toolkit/control.h"
#include "toolkit/errors.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"
#include "toolkit_test_support.h"

namespace {

using tktest::NewForm;
using tktest::ReportedErrors;
using tktest::WaitFor;
using Log = std::vector<std::string>;

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

RECT WindowRectOf(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }

SIZE ClientSizeOf(HWND wnd) {
  RECT r{};
  GetClientRect(wnd, &r);
  return SizeOf(r);
}

std::string Show(const SIZE& s) { return std::to_string(s.cx) + "x" + std::to_string(s.cy); }
std::string Show(const RECT& r) {
  return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + "}";
}

// ---- Creation -----------------------------------------------------------------------------

class Recorder : public TComponent {
 public:
  Recorder(TComponent* owner, const std::string& name, Log& log) : TComponent(owner), log_(log) {
    Name = name;
  }

 protected:
  void LoadingFinished() override { log_.push_back("loaded " + Name); }

 private:
  Log& log_;
};

class CreationForm : public TForm {
 public:
  CreationForm(TComponent* owner, Log& log, bool fail) : TForm(owner) {
    new Recorder(this, "first", log);
    new Recorder(this, "second", log);
    OnCreate = [this, &log, fail](TComponent* sender) {
      log.push_back(std::string("create") + (Loading() ? " while loading" : "") +
                    (sender == this ? "" : " from a stranger"));
      if (fail) throw ERegistryException("Failed to set data for 'Zoom'");
      log.push_back("create done");
    };
  }
};

// A window the system destroys (with its owner, or by a call from elsewhere) is forgotten by
// its form and its windowed children: nothing later uses or destroys a handle that is gone.
TEST(FormWindows, AWindowDestroyedByTheSystemIsForgotten) {
  auto form = NewForm();
  auto* child = new TWinControl(form.get());
  child->SetParent(form.get());
  form->Show();
  const HWND wnd = form->Handle();
  ASSERT_TRUE(child->HandleAllocated());
  DestroyWindow(wnd);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_FALSE(child->HandleAllocated());
}

TEST(FormCreation, OnCreateComesAfterEveryComponentHeardLoadingFinished) {
  Log log;
  auto form = NewForm<CreationForm>(log, false);
  EXPECT_EQ(log, (Log{"loaded first", "loaded second", "create", "create done"}));
  EXPECT_FALSE(form->Loading());
}

TEST(FormCreation, AFailingOnCreateIsReportedAndTheFormStillComes) {
  ReportedErrors errors;
  Log log;
  std::unique_ptr<CreationForm> form;
  EXPECT_NO_THROW(form = NewForm<CreationForm>(log, true));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(log, (Log{"loaded first", "loaded second", "create"}));
  EXPECT_EQ(errors.texts, std::vector<std::string>{"Failed to set data for 'Zoom'"});
  form->SetBounds(50, 50, 120, 80);
  form->Show();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

// ---- Frame styles and sizes ---------------------------------------------------------------

struct StyleBits {
  DWORD style;
  DWORD ex_style;
};

StyleBits StyleOf(HWND wnd) {
  return StyleBits{static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE)),
                   static_cast<DWORD>(GetWindowLongA(wnd, GWL_EXSTYLE))};
}

TEST(FormStyle, BorderStylesGiveTheirWindowStyles) {
  auto none = NewForm();
  none->SetBorderStyle(TBorderStyle::bsNone);
  StyleBits s = StyleOf(none->Handle());
  EXPECT_TRUE(s.style & WS_POPUP);
  EXPECT_EQ(s.style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU), 0u);
  EXPECT_EQ(s.ex_style & (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | WS_EX_TOPMOST), 0u);

  auto tool = NewForm();
  tool->SetBorderStyle(TBorderStyle::bsSizeToolWin);
  s = StyleOf(tool->Handle());
  EXPECT_EQ(s.style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(s.style & WS_THICKFRAME);
  EXPECT_TRUE(s.ex_style & WS_EX_TOOLWINDOW);

  auto single = NewForm();
  single->SetBorderStyle(TBorderStyle::bsSingle);
  s = StyleOf(single->Handle());
  EXPECT_EQ(s.style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(s.style & WS_SYSMENU);
  EXPECT_EQ(s.style & (WS_THICKFRAME | WS_POPUP), 0u);
  EXPECT_EQ(s.ex_style & WS_EX_TOOLWINDOW, 0u);

  auto top = NewForm();
  top->SetBorderStyle(TBorderStyle::bsNone);
  top->SetStayOnTop(true);
  EXPECT_TRUE(StyleOf(top->Handle()).ex_style & WS_EX_TOPMOST);
  top->SetStayOnTop(false);
  EXPECT_EQ(StyleOf(top->Handle()).ex_style & WS_EX_TOPMOST, 0u);
}

// A form that asks for an extended style of its own at creation, as the magnifier does.
class NoActivateForm : public TForm {
 public:
  using TForm::TForm;

 protected:
  void CreateParams(TCreateParams& params) override {
    TForm::CreateParams(params);
    params.ex_style |= WS_EX_NOACTIVATE;
  }
};

TEST(FormStyle, SwitchingALiveWindowKeepsItsSizeAndStartsFromTheCreationExStyle) {
  // What fresh windows of each style carry.
  DWORD fresh_none, fresh_tool, fresh_single;
  {
    auto f = NewForm<NoActivateForm>();
    f->SetBorderStyle(TBorderStyle::bsNone);
    fresh_none = StyleOf(f->Handle()).ex_style;
    auto g = NewForm<NoActivateForm>();
    g->SetBorderStyle(TBorderStyle::bsSizeToolWin);
    fresh_tool = StyleOf(g->Handle()).ex_style;
    auto h = NewForm<NoActivateForm>();
    h->SetBorderStyle(TBorderStyle::bsSingle);
    fresh_single = StyleOf(h->Handle()).ex_style;
  }
  EXPECT_TRUE(fresh_none & WS_EX_NOACTIVATE);

  auto form = NewForm<NoActivateForm>();
  form->SetBorderStyle(TBorderStyle::bsSingle);
  form->SetBounds(120, 110, 300, 200);
  form->Show();
  HWND wnd = form->Handle();
  const SIZE outer = SizeOf(WindowRectOf(wnd));
  ASSERT_EQ(Show(outer), "300x200");
  EXPECT_EQ(StyleOf(wnd).ex_style, fresh_single);

  // Something else (the transparency) changes the extended style meanwhile.
  SetWindowLongA(wnd, GWL_EXSTYLE,
                 GetWindowLongA(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TRANSPARENT);

  form->SetBorderStyle(TBorderStyle::bsNone);
  StyleBits s = StyleOf(wnd);
  EXPECT_EQ(Show(SizeOf(WindowRectOf(wnd))), Show(outer));
  EXPECT_EQ(Show(ClientSizeOf(wnd)), Show(outer)) << "no frame is left around the client area";
  EXPECT_TRUE(s.style & WS_POPUP);
  EXPECT_TRUE(s.style & WS_VISIBLE);
  EXPECT_EQ(s.style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME), 0u);
  EXPECT_EQ(s.ex_style, fresh_none);

  SetWindowLongA(wnd, GWL_EXSTYLE, GetWindowLongA(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  form->SetBorderStyle(TBorderStyle::bsSizeToolWin);
  s = StyleOf(wnd);
  EXPECT_EQ(Show(SizeOf(WindowRectOf(wnd))), Show(outer));
  EXPECT_EQ(s.style & (WS_CAPTION | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION | WS_THICKFRAME));
  EXPECT_EQ(s.ex_style, fresh_tool);

  form->SetBorderStyle(TBorderStyle::bsSingle);
  EXPECT_EQ(Show(SizeOf(WindowRectOf(wnd))), Show(outer));
  EXPECT_EQ(StyleOf(wnd).ex_style, fresh_single);
  EXPECT_EQ(form->Width(), 300);
  EXPECT_EQ(form->Height(), 200);
}

TEST(FormSize, SetClientSizeGivesThatClientAreaInsideEveryFrame) {
  const TBorderStyle styles[] = {TBorderStyle::bsSingle, TBorderStyle::bsSizeable,
                                 TBorderStyle::bsSizeToolWin, TBorderStyle::bsDialog,
                                 TBorderStyle::bsNone};
  int n = 0;
  for (TBorderStyle style : styles) {
    SCOPED_TRACE("border style " + std::to_string(n++));
    // Before the window exists...
    auto early = NewForm();
    early->SetBorderStyle(style);
    early->SetLeft(30 + 10 * n);
    early->SetTop(30);
    early->SetClientSize(257, 143);
    early->Show();
    EXPECT_EQ(Show(ClientSizeOf(early->Handle())), "257x143");
    EXPECT_EQ(early->ClientWidth(), 257);
    EXPECT_EQ(early->ClientHeight(), 143);
    // ...and on a live one.
    early->SetClientSize(180, 95);
    EXPECT_EQ(Show(ClientSizeOf(early->Handle())), "180x95");
    EXPECT_EQ(early->ClientWidth(), 180);
    EXPECT_EQ(Show(SizeOf(WindowRectOf(early->Handle()))),
              Show(SIZE{early->Width(), early->Height()}));
    if (style != TBorderStyle::bsNone) {
      EXPECT_GT(early->Height(), 95) << "a captioned frame is taller than its client area";
    }
  }
}

TEST(FormPlace, ScreenCenterPlacesTheWindowInTheMiddleWhenFirstShown) {
  auto form = NewForm();
  form->SetBorderStyle(TBorderStyle::bsDialog);
  form->SetPosition(TPosition::poScreenCenter);
  form->SetBounds(0, 0, 240, 160);
  form->Show();
  RECT r = WindowRectOf(form->Handle());
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 240) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 160) / 2);
  EXPECT_EQ(Show(SizeOf(r)), "240x160");
  // Shown again after being moved, it stays where it was put.
  form->Hide();
  form->SetBounds(10, 20, 240, 160);
  form->Show();
  EXPECT_EQ(WindowRectOf(form->Handle()).left, 10);
}

TEST(FormEvents, ActivationAndShowingReachTheirEvents) {
  Log log;
  auto first = NewForm();
  first->SetBounds(60, 400, 150, 100);
  first->OnShow = [&](TComponent*) { log.push_back("first shown"); };
  first->OnHide = [&](TComponent*) { log.push_back("first hidden"); };
  first->OnActivate = [&](TComponent*) { log.push_back("first active"); };
  first->OnDeactivate = [&](TComponent*) { log.push_back("first inactive"); };
  auto second = NewForm();
  second->SetBounds(260, 400, 150, 100);
  second->OnActivate = [&](TComponent*) { log.push_back("second active"); };
  first->Show();
  ASSERT_TRUE(WaitFor([&] { return GetActiveWindow() == first->Handle(); }, tktest::kPatience));
  EXPECT_EQ(log, (Log{"first shown", "first active"}));
  log.clear();
  // Two windows able to take the focus are not left to the X server's late focus events
  // (focus note in toolkit_test_support.h): the first is hidden before messages run again.
  second->Show();
  EXPECT_EQ(log, (Log{"first inactive", "second active"}));
  log.clear();
  first->Hide();
  EXPECT_EQ(log, Log{"first hidden"});
  EXPECT_TRUE(WaitFor([&] { return GetActiveWindow() == second->Handle(); }, tktest::kPatience));
}

// ---- Modal run ----------------------------------------------------------------------------

// Drives a modal run from a timer: `act` is called on each tick while the modal form is up
// (with the tick number), and the run is ended with mrAbort if it lasts too long.
class ModalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    other_ = NewForm();
    other_->SetBounds(20, 500, 150, 100);
    other_->Show();
    hidden_ = NewForm();
    hidden_->SetBounds(200, 500, 150, 100);
    hidden_->Handle();
    disabled_ = NewForm();
    disabled_->SetBounds(380, 500, 150, 100);
    disabled_->Show();
    EnableWindow(disabled_->Handle(), FALSE);
    modal_ = NewForm();
    modal_->SetBorderStyle(TBorderStyle::bsDialog);
    modal_->SetBounds(300, 200, 240, 160);
    modal_->OnClose = [this](TComponent*) { ++closes_; };
    SetForegroundWindow(other_->Handle());
    SetActiveWindow(other_->Handle());
  }

  int RunModal(std::function<void(int tick)> act) {
    TTimer driver(nullptr);
    driver.SetInterval(30);
    int tick = 0;
    const ULONGLONG start = GetTickCount64();
    driver.SetOnTimer([&](TComponent*) {
      if (!modal_->InModalRun()) return;
      if (GetTickCount64() - start > 3 * tktest::kPatience / 2) {
        timed_out_ = true;
        modal_->SetModalResult(mrAbort);
        return;
      }
      act(++tick);
    });
    return modal_->ShowModal();
  }

  // What the program's windows looked like during the run.
  void LookAround() {
    during_.other_enabled = IsWindowEnabled(other_->Handle()) != FALSE;
    during_.hidden_enabled = IsWindowEnabled(hidden_->Handle()) != FALSE;
    during_.modal_enabled = IsWindowEnabled(modal_->Handle()) != FALSE;
    during_.modal_visible = IsWindowVisible(modal_->Handle()) != FALSE;
    during_.app_visible = IsWindowVisible(Application->Handle()) != FALSE;
    during_.seen = true;
  }

  struct During {
    bool seen = false;
    bool other_enabled = true, hidden_enabled = false, modal_enabled = false;
    bool modal_visible = false, app_visible = true;
  } during_;

  static constexpr int mrAbort = IDABORT;
  std::unique_ptr<TForm> other_, hidden_, disabled_, modal_;
  int closes_ = 0;
  bool timed_out_ = false;
};

TEST_F(ModalTest, OtherWindowsAreDisabledDuringTheRunAndTheResultComesBack) {
  int result = RunModal([&](int tick) {
    if (tick == 1) LookAround();
    if (tick == 2) modal_->SetModalResult(mrOk);
  });
  EXPECT_FALSE(timed_out_);
  EXPECT_EQ(result, mrOk);
  ASSERT_TRUE(during_.seen);
  EXPECT_FALSE(during_.other_enabled);
  EXPECT_TRUE(during_.hidden_enabled) << "a hidden window is left alone";
  EXPECT_TRUE(during_.modal_enabled);
  EXPECT_TRUE(during_.modal_visible);
  EXPECT_FALSE(during_.app_visible);
  EXPECT_EQ(closes_, 1);

  EXPECT_TRUE(IsWindowEnabled(other_->Handle()));
  EXPECT_TRUE(IsWindowEnabled(hidden_->Handle()));
  EXPECT_FALSE(IsWindowEnabled(disabled_->Handle())) << "was disabled before the run";
  EXPECT_FALSE(IsWindowVisible(modal_->Handle()));
  EXPECT_FALSE(modal_->InModalRun());
  EXPECT_EQ(GetActiveWindow(), other_->Handle());
  EXPECT_EQ(GetForegroundWindow(), other_->Handle());
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));

  // A second run of the same form starts afresh.
  result = RunModal([&](int tick) {
    if (tick == 1) modal_->SetModalResult(mrCancel);
  });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(closes_, 2);
  EXPECT_TRUE(IsWindowEnabled(other_->Handle()));
}

TEST_F(ModalTest, CloseDuringTheRunGivesCancel) {
  int result = RunModal([&](int tick) {
    if (tick == 1) modal_->Close();
  });
  EXPECT_FALSE(timed_out_);
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(closes_, 1);
  EXPECT_TRUE(IsWindowEnabled(other_->Handle()));
}

TEST_F(ModalTest, WindowCloseMessageGivesCancel) {
  int result = RunModal([&](int tick) {
    if (tick == 1) PostMessageA(modal_->Handle(), WM_CLOSE, 0, 0);
  });
  EXPECT_FALSE(timed_out_);
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(closes_, 1);
  EXPECT_FALSE(IsWindowVisible(modal_->Handle()));
}

TEST_F(ModalTest, AVisibleFormCannotRunModally) {
  modal_->Show();
  EXPECT_THROW(modal_->ShowModal(), EError);
  EXPECT_TRUE(IsWindowEnabled(other_->Handle()));
}

// ---- Wheel and resize ---------------------------------------------------------------------

struct WheelCount {
  int up = 0;
  int down = 0;
};

WheelCount Turn(std::initializer_list<int> deltas) {
  auto form = NewForm();
  WheelCount count;
  form->OnMouseWheelUp = [&](TComponent*) { ++count.up; };
  form->OnMouseWheelDown = [&](TComponent*) { ++count.down; };
  HWND wnd = form->Handle();
  for (int delta : deltas)
    SendMessageA(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                 MAKELPARAM(10, 10));
  return count;
}

TEST(FormWheel, EveryFullNotchGivesOneEvent) {
  auto expect = [](std::initializer_list<int> deltas, int up, int down) {
    WheelCount c = Turn(deltas);
    std::string what;
    for (int d : deltas) what += std::to_string(d) + " ";
    EXPECT_EQ(c.up, up) << what;
    EXPECT_EQ(c.down, down) << what;
  };
  expect({60, 60}, 1, 0);
  expect({240}, 2, 0);
  expect({-120}, 0, 1);
  expect({120, -60}, 1, 0);
  expect({60}, 0, 0);
  expect({30, 30, 30, 30, 30}, 1, 0);
  expect({-60, 60, -60, -60}, 0, 1);
  expect({-360, 120}, 1, 3);
}

TEST(FormResize, OnResizeComesWithEverySizeChange) {
  auto form = NewForm();
  form->SetBorderStyle(TBorderStyle::bsNone);
  form->SetBounds(100, 100, 200, 100);
  form->Show();
  std::vector<std::string> sizes;
  form->OnResize = [&](TComponent*) {
    sizes.push_back(std::to_string(form->ClientWidth()) + "x" +
                    std::to_string(form->ClientHeight()));
  };
  form->SetBounds(100, 100, 220, 100);
  form->SetBounds(100, 100, 220, 130);
  form->SetClientSize(90, 60);
  // The system or the user resizing the window.
  SetWindowPos(form->Handle(), nullptr, 0, 0, 150, 70, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(sizes, (std::vector<std::string>{"220x100", "220x130", "90x60", "150x70"}));
  EXPECT_EQ(form->Width(), 150);
  EXPECT_EQ(form->Height(), 70);
  // Moving is not resizing.
  form->SetBounds(140, 120, 150, 70);
  EXPECT_EQ(sizes.size(), 4u);
}

// ---- Windowless children and alignment ----------------------------------------------------

// A frameless white form of 120 x 90 at (700, top), for the paint tests.
std::unique_ptr<TForm> NewWhiteForm(int top) {
  auto form = NewForm();
  form->SetBorderStyle(TBorderStyle::bsNone);
  form->SetStayOnTop(true);
  form->SetColor(clWhite);
  form->SetBounds(700, top, 120, 90);
  return form;
}

// A windowless child of `form` with the given bounds.
template <class C>
C* AddChild(TForm& form, int left, int top, int width, int height) {
  auto* child = new C(&form);
  child->SetBounds(left, top, width, height);
  child->SetParent(&form);
  return child;
}

// What the screen shows at a point of a window's client area.
COLORREF ClientPixel(HWND wnd, int x, int y) {
  POINT p = tktest::ClientToScreenPoint(wnd, x, y);
  return tktest::ScreenPixel(p.x, p.y);
}

// Fills everything it may touch with green, its own client rectangle with red, and marks its
// corners: blue top-left, yellow bottom-right.
class Filler : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  int paints = 0;

  void Paint(HDC dc) override {
    ++paints;
    RECT everything{-2000, -2000, 4000, 4000};
    UniqueBrush green(CreateSolidBrush(RGB(0, 255, 0)));
    FillRect(dc, &everything, green.get());
    RECT r = ClientRect();
    UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0)));
    FillRect(dc, &r, red.get());
    SetPixel(dc, 0, 0, RGB(0, 0, 255));
    SetPixel(dc, r.right - 1, r.bottom - 1, RGB(255, 255, 0));
  }
};

TEST(FormPaint, WindowlessChildrenArePaintedAtTheirPlaceAndClippedToIt) {
  auto form = NewWhiteForm(150);
  auto* child = AddChild<Filler>(*form, 20, 10, 40, 30);
  auto* hidden = AddChild<Filler>(*form, 80, 10, 20, 20);
  hidden->SetVisible(false);
  form->Show();
  HWND wnd = form->Handle();
  auto at = [wnd](int x, int y) { return ClientPixel(wnd, x, y); };
  const COLORREF white = RGB(255, 255, 255), red = RGB(255, 0, 0), blue = RGB(0, 0, 255),
                 yellow = RGB(255, 255, 0);
  ASSERT_TRUE(
      WaitFor([&] { return at(20, 10) == blue && at(59, 39) == yellow && at(0, 0) == white; },
              tktest::kPatience))
      << "the child's corners never showed; top-left is " << std::hex << at(20, 10);
  EXPECT_GE(child->paints, 1);
  EXPECT_EQ(hidden->paints, 0);
  EXPECT_EQ(at(21, 10), red);
  EXPECT_EQ(at(40, 25), red);
  EXPECT_EQ(at(58, 39), red);
  // Nothing outside the child: all four sides, and where the hidden child is.
  EXPECT_EQ(at(19, 10), white);
  EXPECT_EQ(at(20, 9), white);
  EXPECT_EQ(at(60, 39), white);
  EXPECT_EQ(at(59, 40), white);
  EXPECT_EQ(at(90, 20), white);
  EXPECT_EQ(at(119, 89), white);

  // Moving the child repaints both places.
  child->SetBounds(50, 40, 40, 30);
  ASSERT_TRUE(
      WaitFor([&] { return at(50, 40) == blue && at(20, 10) == white; }, tktest::kPatience));
  EXPECT_EQ(at(89, 69), yellow);
  EXPECT_EQ(at(49, 40), white);

  // Hiding it, and deleting it, give its place back to the form.
  hidden->SetBounds(10, 60, 20, 20);
  hidden->SetVisible(true);
  ASSERT_TRUE(WaitFor([&] { return at(10, 60) == blue; }, tktest::kPatience));
  hidden->SetVisible(false);
  EXPECT_TRUE(
      WaitFor([&] { return at(10, 60) == white && at(15, 65) == white; }, tktest::kPatience))
      << "a hidden child stayed on screen";
  delete child;
  EXPECT_TRUE(
      WaitFor([&] { return at(50, 40) == white && at(70, 55) == white; }, tktest::kPatience))
      << "a deleted child stayed on screen";
  EXPECT_EQ(form->Controls().size(), 1u);
}

// An opaque windowless child filled with one colour.
class Tile : public TGraphicControl {
 public:
  explicit Tile(TComponent* owner) : TGraphicControl(owner) { opaque_ = true; }
  COLORREF colour = RGB(255, 0, 0);
  int paints = 0;

  void Paint(HDC dc) override {
    ++paints;
    RECT r = ClientRect();
    UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
  }
};

TEST(FormPaint, RepaintShowsAnOpaqueChildAndWhatLiesAboveItAtOnce) {
  auto form = NewWhiteForm(300);
  auto* tile = AddChild<Tile>(*form, 10, 10, 100, 70);
  auto* above = AddChild<Filler>(*form, 90, 60, 20, 20);  // partly over the tile
  auto* beside = AddChild<Filler>(*form, 0, 0, 8, 8);     // outside the tile
  form->Show();
  HWND wnd = form->Handle();
  auto at = [wnd](int x, int y) { return ClientPixel(wnd, x, y); };
  ASSERT_TRUE(WaitFor([&] { return at(50, 40) == RGB(255, 0, 0) && at(90, 60) == RGB(0, 0, 255); },
                      tktest::kPatience));
  const int tile_paints = tile->paints, above_paints = above->paints,
            beside_paints = beside->paints;

  tile->colour = RGB(0, 128, 255);
  tile->Repaint();
  // Drawn already, with no paint message to come.
  EXPECT_EQ(tile->paints, tile_paints + 1);
  EXPECT_EQ(above->paints, above_paints + 1) << "the child above was painted over";
  EXPECT_EQ(beside->paints, beside_paints);
  EXPECT_FALSE(GetUpdateRect(wnd, nullptr, FALSE));
  EXPECT_TRUE(WaitFor([&] { return at(50, 40) == RGB(0, 128, 255); }, tktest::kPatience))
      << "the new colour never reached the screen";
  EXPECT_EQ(at(90, 60), RGB(0, 0, 255)) << "the child above lost its corner";
  EXPECT_EQ(at(89, 60), RGB(0, 128, 255));
}

TEST(FormPaint, AMovedWindowKeepsItsPictureAndAResizedOneRepaints) {
  auto form = NewWhiteForm(300);
  auto* tile = AddChild<Tile>(*form, 0, 0, 120, 90);
  form->Show();
  HWND wnd = form->Handle();
  ASSERT_TRUE(WaitFor([&] { return tile->paints > 0 && !GetUpdateRect(wnd, nullptr, FALSE); },
                      tktest::kPatience));

  // Moved by the system (as a drag or the follow mode does): the control's bounds follow and
  // nothing is invalidated.
  SetWindowPos(wnd, nullptr, 730, 320, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form->Left(), 730);
  EXPECT_EQ(form->Top(), 320);
  EXPECT_FALSE(GetUpdateRect(wnd, nullptr, FALSE)) << "a move invalidated the window";

  SetWindowPos(wnd, nullptr, 0, 0, 140, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form->Width(), 140);
  EXPECT_TRUE(GetUpdateRect(wnd, nullptr, FALSE)) << "a resize left the old picture";
}

class PlainChild : public TWinControl {
 public:
  using TWinControl::TWinControl;
};

TEST(FormAlign, ClientAlignedChildrenFillTheClientAreaLessTheBorderWidth) {
  auto form = NewForm();
  form->SetBorderStyle(TBorderStyle::bsSingle);
  form->SetBounds(200, 150, 100, 100);
  form->SetBorderWidth(5);
  auto* picture = new Filler(form.get());
  picture->SetParent(form.get());
  picture->SetAlign(TAlign::alClient);
  auto* panel = new PlainChild(form.get());
  panel->SetParent(form.get());
  panel->SetAlign(TAlign::alClient);
  form->SetClientSize(200, 120);
  form->Handle();  // the window exists but is not shown yet, as during a form's creation
  EXPECT_EQ(Show(picture->BoundsRect()), Show(RECT{5, 5, 195, 115}));
  form->Show();

  EXPECT_EQ(Show(picture->BoundsRect()), Show(RECT{5, 5, 195, 115}));
  EXPECT_EQ(Show(panel->BoundsRect()), Show(RECT{5, 5, 195, 115}));
  RECT native = WindowRectOf(panel->Handle());
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&native), 2);
  EXPECT_EQ(Show(native), Show(RECT{5, 5, 195, 115}));

  form->SetClientSize(150, 90);
  EXPECT_EQ(Show(picture->BoundsRect()), Show(RECT{5, 5, 145, 85}));
  form->SetBorderWidth(0);
  EXPECT_EQ(Show(picture->BoundsRect()), Show(RECT{0, 0, 150, 90}));
  native = WindowRectOf(panel->Handle());
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&native), 2);
  EXPECT_EQ(Show(native), Show(RECT{0, 0, 150, 90}));
}

}  // namespace
