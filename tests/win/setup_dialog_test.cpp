// The setup dialog on a real MagnifierState, run modally under the real dialog manager: what
// it shows, what OK copies, what Cancel and the caption's close leave alone, the live zoom
// label, typed hotkeys, Busy, the layout and the tab order.

#include "settings/setup_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/zoom_text_win32.h"
#include "support/modal_run.h"
#include "toolkit_test_support.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

using modaltest::FocusAndWait;
using modaltest::RunModal;
using modaltest::TypeChord;
using modaltest::TypeChordUntil;

constexpr uint16_t kHkShift = HOTKEYF_SHIFT << 8, kHkCtrl = HOTKEYF_CONTROL << 8,
                   kHkAlt = HOTKEYF_ALT << 8, kHkExt = HOTKEYF_EXT << 8;

// Settings every field of which differs from the defaults and from each other where it can.
MagnifierState Before() {
  MagnifierState s;
  s.Zoom = 9;
  s.Transparency = 35;
  s.ShowCross = true;
  s.ShowBorders = false;
  s.MoveToMouse = false;
  s.AlwaysTop = true;
  s.ShowMousePos = true;
  s.Shortcuts = {0xC044,   // Dialog: Ctrl+Alt+D
                 0x6048,   // ShowHide: Shift+Ctrl+H
                 0x805A,   // Zoom: Alt+Z
                 0x4070,   // Size: Ctrl+F1
                 0xE054,   // Transparent: Shift+Ctrl+Alt+T
                 0xC043,   // Clipboard: Ctrl+Alt+C
                 0x402E};  // SaveFile: Ctrl+Del
  s.Busy = true;
  return s;
}

void ExpectSameSettings(const MagnifierState& actual, const MagnifierState& expected) {
  EXPECT_EQ(actual.Zoom, expected.Zoom);
  EXPECT_EQ(actual.Transparency, expected.Transparency);
  EXPECT_EQ(actual.ShowCross, expected.ShowCross);
  EXPECT_EQ(actual.ShowBorders, expected.ShowBorders);
  EXPECT_EQ(actual.MoveToMouse, expected.MoveToMouse);
  EXPECT_EQ(actual.AlwaysTop, expected.AlwaysTop);
  EXPECT_EQ(actual.ShowMousePos, expected.ShowMousePos);
  for (int i = 0; i < scCount; ++i)
    EXPECT_EQ(actual.Shortcuts[i], expected.Shortcuts[i]) << "shortcut slot " << i;
}

std::string WindowText(HWND wnd) {
  char text[256] = {};
  GetWindowTextA(wnd, text, sizeof text);
  return text;
}

bool IsChecked(TCheckBox* box) { return SendMessageA(box->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
int ThumbOf(TTrackBar* bar) { return static_cast<int>(SendMessageA(bar->Handle(), TBM_GETPOS, 0, 0)); }
uint16_t ValueOf(THotKeyEdit* edit) { return LOWORD(SendMessageA(edit->Handle(), HKM_GETHOTKEY, 0, 0)); }
void Click(TWinControl* control) { SendMessageA(control->Handle(), BM_CLICK, 0, 0); }

class SetupDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = Before();
    owner_ = tktest::NewForm<TForm>();
    dialog_.reset(CreateForm<Tfrmzoomsetup>(owner_.get(), state_));
  }

  // Runs the dialog with `steps` acting inside it; returns the modal result.
  int Run(const std::function<void(Tfrmzoomsetup&)>& steps) {
    return RunModal(*dialog_, [&] { steps(*dialog_); });
  }

  // Moves every control away from what Before() shows.
  void ChangeEverything(Tfrmzoomsetup& d) {
    for (TCheckBox* box : {d.cbmovewindow, d.cbshowcross, d.cbshowcaption, d.cbstayontop, d.cbshowposition})
      Click(box);
    d.szoom->SetPosition(17);
    d.tbtransparent->SetPosition(64);
    SendMessageA(d.hksetup->Handle(), HKM_SETHOTKEY, kHkShift | VK_F12, 0);
    SendMessageA(d.hkshowhide->Handle(), HKM_SETHOTKEY, kHkCtrl | 'M', 0);
    SendMessageA(d.hkzoom->Handle(), HKM_SETHOTKEY, kHkAlt | kHkShift | '7', 0);
    SendMessageA(d.hksize->Handle(), HKM_SETHOTKEY, kHkCtrl | kHkAlt | kHkExt | VK_DELETE, 0);
    SendMessageA(d.hktransparent->Handle(), HKM_SETHOTKEY, 0, 0);
    SendMessageA(d.hkclipboard->Handle(), HKM_SETHOTKEY, kHkCtrl | kHkShift | 'V', 0);
    SendMessageA(d.hkfile->Handle(), HKM_SETHOTKEY, VK_F9, 0);
  }

  // What ChangeEverything makes OK store.
  static MagnifierState Changed() {
    MagnifierState s;
    s.Zoom = 17;
    s.Transparency = 64;
    s.ShowCross = false;
    s.ShowBorders = true;
    s.MoveToMouse = true;
    s.AlwaysTop = false;
    s.ShowMousePos = false;
    s.Shortcuts[scDialog] = 0x2000 | VK_F12;
    s.Shortcuts[scShowHide] = 0x4000 | 'M';
    s.Shortcuts[scZoom] = 0xA000 | '7';
    s.Shortcuts[scSize] = 0xC000 | VK_DELETE;  // the extended-key flag is lost
    s.Shortcuts[scTransparent] = 0;
    s.Shortcuts[scClipboard] = 0x6000 | 'V';
    s.Shortcuts[scSaveFile] = VK_F9;
    return s;
  }

  MagnifierState state_;
  std::unique_ptr<TForm> owner_;
  std::unique_ptr<Tfrmzoomsetup> dialog_;
};

// ---- Showing and OK -------------------------------------------------------------------------

TEST_F(SetupDialogTest, ShowsTheStateAndOkCopiesEveryField) {
  int result = Run([&](Tfrmzoomsetup& d) {
    EXPECT_TRUE(IsChecked(d.cbshowcross));
    EXPECT_FALSE(IsChecked(d.cbshowcaption));
    EXPECT_FALSE(IsChecked(d.cbmovewindow));
    EXPECT_TRUE(IsChecked(d.cbstayontop));
    EXPECT_TRUE(IsChecked(d.cbshowposition));
    EXPECT_EQ(ThumbOf(d.szoom), 9);
    EXPECT_EQ(ThumbOf(d.tbtransparent), 35);
    EXPECT_EQ(ValueOf(d.hksetup), kHkCtrl | kHkAlt | 'D');
    EXPECT_EQ(ValueOf(d.hkshowhide), kHkShift | kHkCtrl | 'H');
    EXPECT_EQ(ValueOf(d.hkzoom), kHkAlt | 'Z');
    EXPECT_EQ(ValueOf(d.hksize), kHkCtrl | VK_F1);
    EXPECT_EQ(ValueOf(d.hktransparent), kHkShift | kHkCtrl | kHkAlt | 'T');
    EXPECT_EQ(ValueOf(d.hkclipboard), kHkCtrl | kHkAlt | 'C');
    EXPECT_EQ(ValueOf(d.hkfile), kHkCtrl | VK_DELETE);
    EXPECT_EQ(d.lzoom->Caption(), UserZoomText(9));

    ChangeEverything(d);
    ExpectSameSettings(state_, Before());  // nothing is copied before OK
    Click(d.bok);
  });
  EXPECT_EQ(result, mrOk);
  ExpectSameSettings(state_, Changed());
  EXPECT_TRUE(state_.Busy) << "Busy belongs to the command that runs the dialog";
}

TEST_F(SetupDialogTest, EachCheckBoxShowsAndEditsItsOwnField) {
  bool MagnifierState::*const fields[] = {&MagnifierState::MoveToMouse, &MagnifierState::ShowCross,
                                          &MagnifierState::ShowBorders, &MagnifierState::AlwaysTop,
                                          &MagnifierState::ShowMousePos};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    for (auto field : fields) state_.*field = false;
    state_.*fields[i] = true;
    dialog_.reset(CreateForm<Tfrmzoomsetup>(owner_.get(), state_));
    int result = Run([&](Tfrmzoomsetup& d) {
      TCheckBox* boxes[] = {d.cbmovewindow, d.cbshowcross, d.cbshowcaption, d.cbstayontop, d.cbshowposition};
      for (int j = 0; j < 5; ++j) EXPECT_EQ(IsChecked(boxes[j]), i == j) << "box " << j;
      Click(boxes[i]);                  // off again
      Click(boxes[(i + 1) % 5]);        // and the next one on
      Click(d.bok);
    });
    EXPECT_EQ(result, mrOk);
    for (int j = 0; j < 5; ++j) EXPECT_EQ(state_.*fields[j], j == (i + 1) % 5) << "field " << j;
  }
}

TEST_F(SetupDialogTest, OutOfRangeValuesAreShownClampedAndStoredClampedByOk) {
  state_.Zoom = 60;  // the wheel can go past the slider's end
  state_.Transparency = 0;
  dialog_.reset(CreateForm<Tfrmzoomsetup>(owner_.get(), state_));
  int result = Run([&](Tfrmzoomsetup& d) {
    EXPECT_EQ(ThumbOf(d.szoom), 50);
    EXPECT_EQ(ThumbOf(d.tbtransparent), 1);
    EXPECT_EQ(d.lzoom->Caption(), UserZoomText(60));  // the label shows the state's zoom
    Click(d.bok);
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(state_.Zoom, 50);
  EXPECT_EQ(state_.Transparency, 1);
}

TEST_F(SetupDialogTest, EnterTypedOnACheckBoxIsOk) {
  int result = Run([&](Tfrmzoomsetup& d) {
    ChangeEverything(d);
    ASSERT_TRUE(FocusAndWait(d.cbstayontop->Handle()));
    TypeChord({VK_RETURN});
    tktest::WaitFor([&] { return d.ModalResult() != mrNone; }, 3000);
  });
  EXPECT_EQ(result, mrOk);
  ExpectSameSettings(state_, Changed());
}

// ---- Cancel and close -----------------------------------------------------------------------

struct CloseWay {
  const char* name;
  std::function<void(Tfrmzoomsetup&)> close;
};

class SetupDialogCloseTest : public SetupDialogTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(SetupDialogCloseTest, CopiesNothingAndLeavesBusyAlone) {
  int result = Run([&](Tfrmzoomsetup& d) {
    ChangeEverything(d);
    GetParam().close(d);
  });
  EXPECT_EQ(result, mrCancel);
  ExpectSameSettings(state_, Before());
  EXPECT_TRUE(state_.Busy);
  EXPECT_FALSE(IsWindowVisible(dialog_->Handle()));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, SetupDialogCloseTest,
    ::testing::Values(
        CloseWay{"CancelButton", [](Tfrmzoomsetup& d) { Click(d.bcancel); }},
        CloseWay{"WmClose", [](Tfrmzoomsetup& d) { SendMessageA(d.Handle(), WM_CLOSE, 0, 0); }},
        CloseWay{"CaptionCloseButton",
                 [](Tfrmzoomsetup& d) { SendMessageA(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        CloseWay{"EscapeInAnEditor",
                 [](Tfrmzoomsetup& d) {
                   ASSERT_TRUE(FocusAndWait(d.hkzoom->Handle()));
                   TypeChord({VK_ESCAPE});
                   tktest::WaitFor([&] { return d.ModalResult() != mrNone; }, 3000);
                 }}),
    [](const ::testing::TestParamInfo<CloseWay>& info) { return std::string(info.param.name); });

TEST_F(SetupDialogTest, TheDialogLeavesBusyToTheCommandThatRunsIt) {
  // Another user (a save dialog under this one) may still need the capture paused.
  Run([&](Tfrmzoomsetup& d) { Click(d.bok); });
  EXPECT_TRUE(state_.Busy);
  dialog_.reset();
  EXPECT_TRUE(state_.Busy);
}

// ---- Live zoom label ------------------------------------------------------------------------

TEST_F(SetupDialogTest, ZoomLabelFollowsTheSliderAtOnce) {
  char separator[8] = {};
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator), 1);
  const std::string three_and_a_half = std::string("Zoom:3") + separator[0] + "5";

  int result = Run([&](Tfrmzoomsetup& d) {
    HWND slider = d.szoom->Handle();
    SendMessageA(slider, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(d.lzoom->Caption(), "Zoom:1");
    for (int i = 0; i < 5; ++i) SendMessageA(slider, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(ThumbOf(d.szoom), 7);
    EXPECT_EQ(d.lzoom->Caption(), three_and_a_half);
    if (separator[0] == '.') {
      EXPECT_EQ(d.lzoom->Caption(), "Zoom:3.5");
    }

    // Track bar and check boxes share the handler: a click shows the slider's zoom too.
    SendMessageA(slider, TBM_SETPOS, TRUE, 12);  // moves the thumb without a notification
    EXPECT_EQ(d.lzoom->Caption(), three_and_a_half);
    Click(d.cbshowcross);
    EXPECT_EQ(d.lzoom->Caption(), "Zoom:6");
    Click(d.bcancel);
  });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(state_.Zoom, 9);
  EXPECT_TRUE(state_.ShowCross);
}

// ---- Typed hotkeys --------------------------------------------------------------------------

TEST_F(SetupDialogTest, QTypedAloneBecomesCtrlQ) {
  int result = Run([&](Tfrmzoomsetup& d) {
    ASSERT_TRUE(FocusAndWait(d.hkfile->Handle()));
    EXPECT_TRUE(TypeChordUntil({'Q'}, [&] { return ValueOf(d.hkfile) == (kHkCtrl | 'Q'); }))
        << std::hex << ValueOf(d.hkfile);
    ASSERT_TRUE(FocusAndWait(d.hksetup->Handle()));
    EXPECT_TRUE(TypeChordUntil({VK_SHIFT, 'P'}, [&] { return ValueOf(d.hksetup) == (kHkCtrl | 'P'); }))
        << std::hex << ValueOf(d.hksetup);
    Click(d.bok);
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(state_.Shortcuts[scSaveFile], 0x4051);
  EXPECT_EQ(state_.Shortcuts[scDialog], 0x4050);
  EXPECT_EQ(state_.Shortcuts[scShowHide], Before().Shortcuts[scShowHide]);
}

TEST_F(SetupDialogTest, ClearedEditorGivesCodeZero) {
  int result = Run([&](Tfrmzoomsetup& d) {
    ASSERT_TRUE(FocusAndWait(d.hkzoom->Handle()));
    EXPECT_TRUE(TypeChordUntil({VK_BACK}, [&] { return ValueOf(d.hkzoom) == 0; }))
        << std::hex << ValueOf(d.hkzoom);
    Click(d.bok);
  });
  EXPECT_EQ(result, mrOk);
  MagnifierState expected = Before();
  expected.Shortcuts[scZoom] = 0;
  ExpectSameSettings(state_, expected);
}

// ---- About ----------------------------------------------------------------------------------

TEST_F(SetupDialogTest, AboutPanelRaisesOnAboutAndTheDialogStaysOpen) {
  std::vector<TComponent*> senders;
  int result = Run([&](Tfrmzoomsetup& d) {
    HWND about = d.Panel5->Handle();
    SendMessageA(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(about, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));  // no handler yet: nothing
    d.OnAbout = [&](TComponent* sender) { senders.push_back(sender); };
    SendMessageA(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(about, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(d.InModalRun());
    EXPECT_EQ(d.ModalResult(), mrNone);
    Click(d.bcancel);
  });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(senders, (std::vector<TComponent*>{dialog_.get()}));
}

// ---- Window, layout and tab order -----------------------------------------------------------

TEST_F(SetupDialogTest, WindowIsAFixedTopmostDialogCentredOnTheDesktop) {
  Run([&](Tfrmzoomsetup& d) {
    HWND wnd = d.Handle();
    EXPECT_EQ(WindowText(wnd), "Zoom Setup");
    EXPECT_EQ(d.Name, "frmzoomsetup");
    RECT client;
    GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 280);
    EXPECT_EQ(client.bottom, 424);
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT window;
    GetWindowRect(wnd, &window);
    const int desk_x = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) / 2;
    const int desk_y = GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN) / 2;
    EXPECT_NEAR((window.left + window.right) / 2, desk_x, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, desk_y, 1);
    // The first control has the focus when the dialog comes up.
    EXPECT_TRUE(tktest::WaitFor([&] { return GetFocus() == d.szoom->Handle(); }, 2000));
    Click(d.bcancel);
  });
}

TEST_F(SetupDialogTest, ControlsCarryTheirCaptionsAndRanges) {
  Run([&](Tfrmzoomsetup& d) {
    const std::pair<TControl*, const char*> captions[] = {
        {d.Label2, "Transparent"},
        {d.cbmovewindow, "Move Window to Mouse"},
        {d.cbshowcross, "Show Crosshair"},
        {d.cbshowcaption, "Show Border"},
        {d.cbstayontop, "Always Stay On Top"},
        {d.cbshowposition, "Show Mouse Position"},
        {d.RxLabel2, "Short Cuts"},
        {d.Label3, "Open Setup Dialog"},
        {d.Label1, "Toogle Show / Hide Zoom"},
        {d.Label4, "Wheel change Zoom size"},
        {d.Label5, "Wheel change Window size"},
        {d.Label6, "Wheel change Transparency"},
        {d.Label7, "Save Image to Clipboard"},
        {d.Label8, "Save Image To File"},
        {d.bok, "OK"},
        {d.bcancel, "Cancel"},
        {d.Panel5, "About..."},
    };
    for (const auto& [control, caption] : captions) {
      EXPECT_EQ(control->Caption(), caption);
      if (auto* win = dynamic_cast<TWinControl*>(control)) {
        EXPECT_EQ(WindowText(win->Handle()), caption);
      }
    }
    EXPECT_TRUE(d.RxLabel2->Font().Bold());
    EXPECT_TRUE(d.lzoom->Font().Bold());

    HWND zoom = d.szoom->Handle(), transparency = d.tbtransparent->Handle();
    EXPECT_EQ(SendMessageA(zoom, TBM_GETRANGEMIN, 0, 0), 2);
    EXPECT_EQ(SendMessageA(zoom, TBM_GETRANGEMAX, 0, 0), 50);
    EXPECT_EQ(SendMessageA(zoom, TBM_GETPAGESIZE, 0, 0), 1);
    EXPECT_EQ(SendMessageA(transparency, TBM_GETRANGEMIN, 0, 0), 1);
    EXPECT_EQ(SendMessageA(transparency, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageA(transparency, TBM_GETPAGESIZE, 0, 0), 1);
    EXPECT_TRUE(d.bok->Default());
    EXPECT_EQ(d.bok->ModalResult(), mrOk);
    EXPECT_TRUE(d.bcancel->Cancel());
    EXPECT_EQ(d.bcancel->ModalResult(), mrCancel);
    Click(d.bcancel);
  });
}

// The width the control needs to show its caption whole.
int NeededWidth(TControl* control) {
  WindowDC screen(nullptr);
  SelectGuard font(screen.get(), control->Font().Handle());
  SIZE size{};
  const std::string& text = control->Caption();
  GetTextExtentPoint32A(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
  if (dynamic_cast<TCheckBox*>(control)) return size.cx + GetSystemMetrics(SM_CXMENUCHECK) + 6;
  if (dynamic_cast<TButton*>(control) || dynamic_cast<TPanel*>(control)) return size.cx + 8;
  return size.cx + 2;
}

TEST_F(SetupDialogTest, LayoutKeepsEveryControlInsideItsPanelWithoutOverlaps) {
  Run([&](Tfrmzoomsetup& d) {
    // Three panels stacked over the whole client area.
    TPanel* panels[] = {d.Panel1, d.Panel2, d.Panel3};
    const int heights[] = {185, 424 - 185 - 37, 37};
    int top = 0;
    for (int i = 0; i < 3; ++i) {
      RECT r;
      GetWindowRect(panels[i]->Handle(), &r);
      MapWindowPoints(nullptr, d.Handle(), reinterpret_cast<POINT*>(&r), 2);
      EXPECT_EQ(r.left, 0);
      EXPECT_EQ(r.right, 280);
      EXPECT_EQ(r.top, top) << "panel " << i;
      EXPECT_EQ(r.bottom - r.top, heights[i]) << "panel " << i;
      top = r.bottom;
    }

    for (TPanel* panel : panels) {
      const RECT inner = panel->InnerRect();
      std::vector<std::pair<TControl*, RECT>> placed;
      for (TControl* c : panel->Controls()) {
        SCOPED_TRACE(c->Name);
        RECT b = c->BoundsRect();
        if (auto* win = dynamic_cast<TWinControl*>(c)) {  // where the window really is
          GetWindowRect(win->Handle(), &b);
          MapWindowPoints(nullptr, panel->Handle(), reinterpret_cast<POINT*>(&b), 2);
          EXPECT_TRUE(IsWindowVisible(win->Handle()));
        }
        EXPECT_TRUE(c->Visible());
        EXPECT_GT(b.right - b.left, 0);
        EXPECT_GT(b.bottom - b.top, 0);
        EXPECT_GE(b.left, inner.left);
        EXPECT_GE(b.top, inner.top);
        EXPECT_LE(b.right, inner.right);
        EXPECT_LE(b.bottom, inner.bottom);
        if (!c->Caption().empty() && c != d.lzoom) {
          EXPECT_GE(b.right - b.left, NeededWidth(c));
        }
        for (const auto& [other, r] : placed) {
          RECT meet;
          EXPECT_FALSE(IntersectRect(&meet, &b, &r)) << "overlaps " << other->Name;
        }
        placed.emplace_back(c, b);
      }
    }
    // The widest zoom text fits the zoom label.
    d.lzoom->SetCaption(UserZoomText(49));
    EXPECT_GE(d.lzoom->Width(), NeededWidth(d.lzoom));
    Click(d.bcancel);
  });
}

TEST_F(SetupDialogTest, TabOrderRunsThroughSlidersOptionsEditorsAndButtons) {
  Run([&](Tfrmzoomsetup& d) {
    const std::vector<TWinControl*> order = {
        d.szoom,  d.tbtransparent, d.cbmovewindow,  d.cbshowcross, d.cbshowcaption, d.cbstayontop,
        d.cbshowposition, d.hksetup, d.hkshowhide, d.hkzoom, d.hksize, d.hktransparent,
        d.hkclipboard, d.hkfile, d.bok, d.bcancel};
    HWND wnd = d.Handle();
    HWND item = GetNextDlgTabItem(wnd, nullptr, FALSE);
    for (size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(item, order[i]->Handle()) << "stop " << i << " should be " << order[i]->Name;
      item = GetNextDlgTabItem(wnd, item, FALSE);
    }
    EXPECT_EQ(item, d.szoom->Handle());  // round again
    EXPECT_EQ(GetNextDlgTabItem(wnd, d.szoom->Handle(), TRUE), d.bcancel->Handle());

    // The Tab key walks the same way.
    ASSERT_TRUE(FocusAndWait(d.cbshowposition->Handle()));
    TypeChord({VK_TAB});
    EXPECT_TRUE(tktest::WaitFor([&] { return GetFocus() == d.hksetup->Handle(); }, 2000));
    Click(d.bcancel);
  });
}

}  // namespace
