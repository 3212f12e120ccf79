// The standard controls against the real common controls: track bar range and clamping,
// change events from code and from the keyboard, the hot-key editor's rules for typed keys,
// check box state and events, buttons ending modal runs, the dialog-key helper, the panel as
// a button, and what the plain label paints.

#include "toolkit/std_controls.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "support/modal_run.h"
#include "toolkit_test_support.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

using modaltest::FocusAndWait;
using modaltest::RunModal;
using modaltest::TypeChordUntil;

std::unique_ptr<TForm> MakeForm() {
  auto form = tktest::NewForm<TForm>();
  form->SetBorderStyle(TBorderStyle::bsSingle);
  form->SetCaption("Controls");
  form->SetBounds(100, 100, 360, 240);
  return form;
}

template <class C>
C* AddControl(TForm& form, TWinControl* parent, int left, int top, int width, int height) {
  C* c = new C(&form);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

// Shows the form and waits until it is the foreground window, so typed keys reach it.
void ShowInFront(TForm& form) {
  form.Show();
  SetForegroundWindow(form.Handle());
  ASSERT_TRUE(tktest::WaitFor([&] { return GetForegroundWindow() == form.Handle(); }, 3000));
}

// ---- Track bar ------------------------------------------------------------------------------

TEST(TrackBar, ClampsBeforeAndAfterItsWindowExists) {
  auto form = MakeForm();
  auto* bar = AddControl<TTrackBar>(*form, form.get(), 10, 10, 200, 30);
  std::vector<int> changes;
  bar->OnChange = [&](TComponent* sender) {
    EXPECT_EQ(sender, bar);
    changes.push_back(bar->Position());
  };

  bar->SetRange(2, 50);  // pulls the thumb from 0 up to 2
  EXPECT_EQ(bar->Position(), 2);
  bar->SetPosition(60);
  EXPECT_EQ(bar->Position(), 50);
  bar->SetPosition(-3);
  EXPECT_EQ(bar->Position(), 2);
  EXPECT_EQ(changes, (std::vector<int>{2, 50, 2}));

  HWND wnd = bar->Handle();
  EXPECT_EQ(SendMessageA(wnd, TBM_GETRANGEMIN, 0, 0), 2);
  EXPECT_EQ(SendMessageA(wnd, TBM_GETRANGEMAX, 0, 0), 50);
  EXPECT_EQ(SendMessageA(wnd, TBM_GETPOS, 0, 0), 2);

  changes.clear();
  bar->SetPosition(60);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(SendMessageA(wnd, TBM_GETPOS, 0, 0), 50);
  bar->SetPosition(0);
  EXPECT_EQ(bar->Position(), 2);
  bar->SetPosition(7);
  EXPECT_EQ(bar->Position(), 7);
  bar->SetPosition(7);  // unchanged: no event
  EXPECT_EQ(changes, (std::vector<int>{50, 2, 7}));

  // A narrower range pulls the thumb in and says so.
  changes.clear();
  bar->SetMax(5);
  EXPECT_EQ(bar->Position(), 5);
  EXPECT_EQ(bar->Max(), 5);
  EXPECT_EQ(SendMessageA(wnd, TBM_GETRANGEMAX, 0, 0), 5);
  EXPECT_EQ(changes, (std::vector<int>{5}));
}

TEST(TrackBar, KeyboardMovesRaiseChangeWithTheNewPosition) {
  auto form = MakeForm();
  auto* bar = AddControl<TTrackBar>(*form, form.get(), 10, 10, 200, 30);
  bar->SetRange(1, 100);
  bar->SetPageSize(1);
  bar->SetPosition(20);
  std::vector<int> changes;
  bar->OnChange = [&](TComponent*) { changes.push_back(bar->Position()); };
  ShowInFront(*form);
  HWND wnd = bar->Handle();
  EXPECT_EQ(SendMessageA(wnd, TBM_GETPAGESIZE, 0, 0), 1);

  // The control answers the keys itself and reports through WM_HSCROLL to its parent.
  SendMessageA(wnd, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(bar->Position(), 21);
  SendMessageA(wnd, WM_KEYDOWN, VK_NEXT, 0);  // one page
  EXPECT_EQ(bar->Position(), 22);
  bar->SetPageSize(10);
  SendMessageA(wnd, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(bar->Position(), 32);
  SendMessageA(wnd, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(bar->Position(), 100);
  SendMessageA(wnd, WM_KEYDOWN, VK_END, 0);  // already there: nothing changes
  EXPECT_EQ(changes, (std::vector<int>{21, 22, 32, 100}));
}

// ---- Hot-key editor -------------------------------------------------------------------------

TEST(HotKeyEdit, ValuesGivenByCodeAreKeptUnchanged) {
  auto form = MakeForm();
  auto* edit = AddControl<THotKeyEdit>(*form, form.get(), 10, 10, 150, 21);
  edit->SetHotKey(0x0051);  // Q alone, which the rules refuse for typed keys
  EXPECT_EQ(edit->HotKey(), 0x0051);
  HWND wnd = edit->Handle();  // the value set before the window exists is given to it
  EXPECT_EQ(LOWORD(SendMessageA(wnd, HKM_GETHOTKEY, 0, 0)), 0x0051);
  EXPECT_EQ(edit->HotKey(), 0x0051);
  for (uint16_t value : {0x0151, 0x0851, 0x0000, 0x0644, 0x0D2E}) {
    edit->SetHotKey(value);
    EXPECT_EQ(edit->HotKey(), value);
  }
  EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & WS_TABSTOP, WS_TABSTOP);
}

TEST(HotKeyEdit, TypedKeyWithoutModifierOrWithShiftAloneIsTakenWithCtrl) {
  auto form = MakeForm();
  auto* edit = AddControl<THotKeyEdit>(*form, form.get(), 10, 10, 150, 21);
  int changes = 0;
  edit->OnChange = [&](TComponent*) { ++changes; };
  ShowInFront(*form);
  ASSERT_TRUE(FocusAndWait(edit->Handle()));

  const uint16_t ctrl_q = MAKEWORD('Q', HOTKEYF_CONTROL);
  EXPECT_TRUE(TypeChordUntil({'Q'}, [&] { return edit->HotKey() == ctrl_q; }))
      << std::hex << edit->HotKey();
  EXPECT_GT(changes, 0);

  edit->SetHotKey(0);
  EXPECT_TRUE(TypeChordUntil({VK_SHIFT, 'W'}, [&] { return edit->HotKey() == MAKEWORD('W', HOTKEYF_CONTROL); }))
      << std::hex << edit->HotKey();

  // Combinations the rules allow are kept as typed.
  const uint16_t ctrl_alt_e = MAKEWORD('E', HOTKEYF_CONTROL | HOTKEYF_ALT);
  EXPECT_TRUE(TypeChordUntil({VK_CONTROL, VK_MENU, 'E'}, [&] { return edit->HotKey() == ctrl_alt_e; }))
      << std::hex << edit->HotKey();
  const uint16_t shift_alt_r = MAKEWORD('R', HOTKEYF_SHIFT | HOTKEYF_ALT);
  EXPECT_TRUE(TypeChordUntil({VK_SHIFT, VK_MENU, 'R'}, [&] { return edit->HotKey() == shift_alt_r; }))
      << std::hex << edit->HotKey();

  // Backspace clears the editor.
  EXPECT_TRUE(TypeChordUntil({VK_BACK}, [&] { return edit->HotKey() == 0; }))
      << std::hex << edit->HotKey();
}

// ---- Check box ------------------------------------------------------------------------------

TEST(CheckBox, StateBeforeAndAfterTheWindowAndClickEvents) {
  auto form = MakeForm();
  auto* box = AddControl<TCheckBox>(*form, form.get(), 10, 10, 150, 17);
  box->SetCaption("Option");
  int clicks = 0;
  std::vector<bool> seen;
  box->OnClick = [&](TComponent* sender) {
    EXPECT_EQ(sender, box);
    ++clicks;
    seen.push_back(box->Checked());
  };

  box->SetChecked(true);  // a change by code is a click, as in a form designer
  EXPECT_TRUE(box->Checked());
  box->SetChecked(true);  // no change, no click
  EXPECT_EQ(clicks, 1);

  HWND wnd = box->Handle();
  EXPECT_EQ(SendMessageA(wnd, BM_GETCHECK, 0, 0), BST_CHECKED);
  char text[32] = {};
  GetWindowTextA(wnd, text, sizeof text);
  EXPECT_STREQ(text, "Option");

  form->Show();
  SendMessageA(wnd, BM_CLICK, 0, 0);  // the user's click
  EXPECT_FALSE(box->Checked());
  SendMessageA(wnd, BM_CLICK, 0, 0);
  EXPECT_TRUE(box->Checked());
  box->SetChecked(false);
  EXPECT_EQ(SendMessageA(wnd, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true, false}));
}

// ---- Buttons --------------------------------------------------------------------------------

TEST(Button, ModalResultEndsTheModalRunBeforeOnClickRuns) {
  auto form = MakeForm();
  auto* panel = AddControl<TPanel>(*form, form.get(), 0, 100, 360, 60);  // nested, as in dialogs
  auto* stay = AddControl<TButton>(*form, panel, 10, 10, 75, 25);
  auto* ok = AddControl<TButton>(*form, panel, 100, 10, 75, 25);
  stay->SetCaption("Stay");
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);
  int stay_clicks = 0, ok_clicks = 0, result_in_click = -1;
  stay->OnClick = [&](TComponent*) { ++stay_clicks; };
  ok->OnClick = [&](TComponent*) {
    ++ok_clicks;
    result_in_click = form->ModalResult();
  };

  int result = RunModal(*form, [&] {
    SendMessageA(stay->Handle(), BM_CLICK, 0, 0);
    tktest::PumpFor(100);  // a button without a modal result leaves the run going
    EXPECT_TRUE(form->InModalRun());
    EXPECT_EQ(form->ModalResult(), mrNone);
    SendMessageA(ok->Handle(), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(stay_clicks, 1);
  EXPECT_EQ(ok_clicks, 1);
  EXPECT_EQ(result_in_click, mrOk);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST(Button, DefaultStyleAndDialogKeysFindTheRightButton) {
  auto form = MakeForm();
  auto* panel = AddControl<TPanel>(*form, form.get(), 0, 100, 360, 60);
  auto* ok = AddControl<TButton>(*form, panel, 10, 10, 75, 25);
  auto* cancel = AddControl<TButton>(*form, panel, 100, 10, 75, 25);
  auto* other = AddControl<TButton>(*form, panel, 190, 10, 75, 25);
  ok->SetDefault(true);
  cancel->SetCancel(true);
  std::vector<TComponent*> clicked;
  for (TButton* b : {ok, cancel, other}) b->OnClick = [&](TComponent* s) { clicked.push_back(s); };
  ShowInFront(*form);

  EXPECT_EQ(GetWindowLongA(ok->Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongA(cancel->Handle(), GWL_STYLE) & 0x0F, BS_PUSHBUTTON);

  ASSERT_TRUE(FocusAndWait(form->Handle()));
  EXPECT_TRUE(ClickDialogButton(*form, IDOK));
  EXPECT_TRUE(ClickDialogButton(*form, IDCANCEL));
  ASSERT_TRUE(FocusAndWait(other->Handle()));
  EXPECT_TRUE(ClickDialogButton(*form, IDOK));  // Enter on a focused button clicks that one
  EXPECT_EQ(clicked, (std::vector<TComponent*>{ok, cancel, other}));

  // A disabled default or cancel button does not answer, nor does an unknown command.
  ASSERT_TRUE(FocusAndWait(form->Handle()));
  ok->SetEnabled(false);
  cancel->SetEnabled(false);
  clicked.clear();
  EXPECT_FALSE(ClickDialogButton(*form, IDOK));
  EXPECT_FALSE(ClickDialogButton(*form, IDCANCEL));
  EXPECT_FALSE(ClickDialogButton(*form, IDABORT));
  EXPECT_TRUE(clicked.empty());

  ok->SetDefault(false);
  EXPECT_EQ(GetWindowLongA(ok->Handle(), GWL_STYLE) & 0x0F, BS_PUSHBUTTON);
}

// ---- Panel ----------------------------------------------------------------------------------

TEST(Panel, HoldsChildrenInsideItsBevelsAndWorksAsAButton) {
  auto form = MakeForm();
  auto* panel = AddControl<TPanel>(*form, form.get(), 20, 20, 120, 40);
  panel->SetCaption("About...");
  EXPECT_EQ(panel->BevelOuter(), TBevelCut::bvRaised);
  RECT inner = panel->InnerRect();
  EXPECT_EQ(inner.left, 1);
  EXPECT_EQ(inner.top, 1);
  EXPECT_EQ(inner.right, 119);
  EXPECT_EQ(inner.bottom, 39);
  panel->SetBorderWidth(3);
  panel->SetBevelInner(TBevelCut::bvLowered);
  inner = panel->InnerRect();
  EXPECT_EQ(inner.left, 5);
  EXPECT_EQ(inner.bottom, 35);
  panel->SetBevelOuter(TBevelCut::bvNone);
  EXPECT_EQ(panel->InnerRect().left, 4);

  auto* child = AddControl<TButton>(*form, panel, 10, 8, 50, 20);
  form->Show();
  HWND wnd = panel->Handle();
  EXPECT_EQ(GetParent(child->Handle()), wnd);
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);

  int clicks = 0;
  panel->OnClick = [&](TComponent* sender) {
    EXPECT_EQ(sender, panel);
    ++clicks;
  };
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20));
  EXPECT_EQ(GetCapture(), wnd);
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(100, 20));
  EXPECT_EQ(clicks, 1);
  EXPECT_NE(GetCapture(), wnd);

  // Released away from the panel: no click.
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20));
  SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 20));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 20));
  EXPECT_EQ(clicks, 1);
}

// ---- Label ----------------------------------------------------------------------------------

struct Ink {
  int count = 0;
  RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  int background = 0;  // pixels left in the canvas colour
};

// Paints the label on a white canvas of its size and finds the text's pixels (near black).
Ink PaintLabel(TLabel& label) {
  const int w = label.Width(), h = label.Height();
  WindowDC screen(nullptr);
  UniqueDC dc(CreateCompatibleDC(screen.get()));
  UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), w, h));
  SelectGuard keep(dc.get(), bmp.get());
  RECT all{0, 0, w, h};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  label.Paint(dc.get());
  Ink ink;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = GetPixel(dc.get(), x, y);
      if (c == RGB(255, 255, 255)) ++ink.background;
      if (GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128) {
        ++ink.count;
        ink.box.left = std::min<LONG>(ink.box.left, x);
        ink.box.top = std::min<LONG>(ink.box.top, y);
        ink.box.right = std::max<LONG>(ink.box.right, x + 1);
        ink.box.bottom = std::max<LONG>(ink.box.bottom, y + 1);
      }
    }
  return ink;
}

TEST(Label, PaintsItsCaptionAlignedAndOptionallyOnItsColour) {
  auto form = MakeForm();
  auto* label = AddControl<TLabel>(*form, form.get(), 0, 0, 200, 16);
  label->Font().SetColor(clBlack);
  label->SetColor(RGB(0, 200, 0));
  label->SetCaption("Transparent");

  Ink opaque = PaintLabel(*label);  // opaque by default: no white left
  EXPECT_GT(opaque.count, 20);
  EXPECT_EQ(opaque.background, 0);

  label->SetTransparent(true);
  Ink left = PaintLabel(*label);
  EXPECT_GT(left.background, 200 * 16 / 2);
  EXPECT_LE(left.box.left, 2);

  label->SetAlignment(TAlignment::taCenter);
  Ink centred = PaintLabel(*label);
  EXPECT_NEAR((centred.box.left + centred.box.right) / 2.0, 100.0, 2.0);
  EXPECT_EQ(centred.box.right - centred.box.left, left.box.right - left.box.left);

  label->SetAlignment(TAlignment::taRightJustify);
  Ink right = PaintLabel(*label);
  EXPECT_GE(right.box.right, 198);

  label->SetCaption("");
  EXPECT_EQ(PaintLabel(*label).count, 0);
}

}  // namespace
