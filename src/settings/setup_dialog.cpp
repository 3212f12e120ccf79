#include "settings/setup_dialog.h"

#include "app/zoom_text_win32.h"
#include "settings/shortcut.h"

namespace {

// The dialog's grid, in client pixels.
constexpr int kClientWidth = 280;
constexpr int kClientHeight = 424;
constexpr int kTopPanelHeight = 185;
constexpr int kButtonPanelHeight = 37;
constexpr int kMargin = 8;

constexpr int kShortcutLabelLeft = kMargin;
constexpr int kEditorLeft = 156;
constexpr int kEditorWidth = kClientWidth - 6 - kEditorLeft;
constexpr int kEditorHeight = 21;
constexpr int kRowTop = 27;
constexpr int kRowPitch = 24;

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

template <class C>
C* Make(TComponent* owner, TWinControl* parent, const char* name) {
  C* control = new C(owner);
  control->Name = name;
  control->SetParent(parent);
  return control;
}

}  // namespace

Tfrmzoomsetup::Tfrmzoomsetup(TComponent* owner, MagnifierState& state)
    : TForm(owner), state_(state) {
  Name = "frmzoomsetup";
  SetCaption("Zoom Setup");
  SetBorderStyle(TBorderStyle::bsSingle);
  SetSystemMenu(true);
  SetStayOnTop(true);
  SetPosition(TPosition::poDesktopCenter);
  SetDialogKeys(true);
  SetClientSize(kClientWidth, kClientHeight);

  CreateControls();

  OnCreate = [this](TComponent* s) { FormCreate(s); };
  OnShow = [this](TComponent* s) { FormShow(s); };
}

// The handler uses this part of the form, so it runs before this part goes.
Tfrmzoomsetup::~Tfrmzoomsetup() { DoDestroy(); }

void Tfrmzoomsetup::CreateControls() {
  // Creation order is the tab order: the top panel's controls, the seven editors, the buttons.
  Panel1 = Make<TPanel>(this, this, "Panel1");
  Panel1->SetBounds(0, 0, kClientWidth, kTopPanelHeight);
  lzoom = Make<TRxLabel>(this, Panel1, "lzoom");
  szoom = Make<TTrackBar>(this, Panel1, "szoom");
  Label2 = Make<TLabel>(this, Panel1, "Label2");
  tbtransparent = Make<TTrackBar>(this, Panel1, "tbtransparent");
  cbmovewindow = Make<TCheckBox>(this, Panel1, "cbmovewindow");
  cbshowcross = Make<TCheckBox>(this, Panel1, "cbshowcross");
  cbshowcaption = Make<TCheckBox>(this, Panel1, "cbshowcaption");
  cbstayontop = Make<TCheckBox>(this, Panel1, "cbstayontop");
  cbshowposition = Make<TCheckBox>(this, Panel1, "cbshowposition");
  LayoutTopPanel();

  Panel2 = Make<TPanel>(this, this, "Panel2");
  Panel2->SetBounds(0, kTopPanelHeight, kClientWidth,
                    kClientHeight - kTopPanelHeight - kButtonPanelHeight);
  RxLabel2 = Make<TRxLabel>(this, Panel2, "RxLabel2");
  Label3 = Make<TLabel>(this, Panel2, "Label3");
  hksetup = Make<THotKeyEdit>(this, Panel2, "hksetup");
  Label1 = Make<TLabel>(this, Panel2, "Label1");
  hkshowhide = Make<THotKeyEdit>(this, Panel2, "hkshowhide");
  Label4 = Make<TLabel>(this, Panel2, "Label4");
  hkzoom = Make<THotKeyEdit>(this, Panel2, "hkzoom");
  Label5 = Make<TLabel>(this, Panel2, "Label5");
  hksize = Make<THotKeyEdit>(this, Panel2, "hksize");
  Label6 = Make<TLabel>(this, Panel2, "Label6");
  hktransparent = Make<THotKeyEdit>(this, Panel2, "hktransparent");
  Label7 = Make<TLabel>(this, Panel2, "Label7");
  hkclipboard = Make<THotKeyEdit>(this, Panel2, "hkclipboard");
  Label8 = Make<TLabel>(this, Panel2, "Label8");
  hkfile = Make<THotKeyEdit>(this, Panel2, "hkfile");
  LayoutShortcutPanel();

  Panel3 = Make<TPanel>(this, this, "Panel3");
  Panel3->SetBounds(0, kClientHeight - kButtonPanelHeight, kClientWidth, kButtonPanelHeight);
  bok = Make<TButton>(this, Panel3, "bok");
  bcancel = Make<TButton>(this, Panel3, "bcancel");
  Panel5 = Make<TPanel>(this, Panel3, "Panel5");
  LayoutButtonPanel();

  TNotifyEvent change = [this](TComponent* s) { ChangeGeneral(s); };
  szoom->OnChange = change;
  tbtransparent->OnChange = change;
  for (TCheckBox* box : {cbmovewindow, cbshowcross, cbshowcaption, cbstayontop, cbshowposition})
    box->OnClick = change;
  bok->OnClick = [this](TComponent* s) { bokClick(s); };
  bcancel->OnClick = [this](TComponent* s) { bcancelClick(s); };
  Panel5->OnClick = [this](TComponent* s) { Panel5Click(s); };
}

void Tfrmzoomsetup::LayoutTopPanel() {
  const int width = kClientWidth - 2 * kMargin;
  // Fixed width, so the zoom text stays centred over the slider as it changes.
  lzoom->SetAutoSize(false);
  lzoom->SetCaption("Zoom");
  lzoom->Font().SetBold(true);
  lzoom->SetAlignment(TAlignment::taCenter);
  lzoom->SetTransparent(true);
  lzoom->SetBounds(kMargin, 9, width, 16);

  szoom->SetRange(2, 50);
  szoom->SetPageSize(1);
  szoom->SetFrequency(2);
  szoom->SetBounds(kMargin, 27, width, 30);

  Label2->SetCaption("Transparent");
  Label2->SetAlignment(TAlignment::taCenter);
  Label2->SetTransparent(true);
  Label2->SetBounds(kMargin, 64, width, 14);

  tbtransparent->SetRange(1, 100);
  tbtransparent->SetPageSize(1);
  tbtransparent->SetFrequency(5);
  tbtransparent->SetBounds(kMargin, 80, width, 30);

  // Two columns of options: window behaviour on the left, the rest on the right.
  const int left = 10, right = 150, top = 122, pitch = 20, height = 17;
  cbmovewindow->SetCaption("Move Window to Mouse");
  cbmovewindow->SetBounds(left, top, right - left - 4, height);
  cbshowcross->SetCaption("Show Crosshair");
  cbshowcross->SetBounds(left, top + pitch, right - left - 4, height);
  cbshowcaption->SetCaption("Show Border");
  cbshowcaption->SetBounds(left, top + 2 * pitch, right - left - 4, height);
  cbstayontop->SetCaption("Always Stay On Top");
  cbstayontop->SetBounds(right, top, kClientWidth - 6 - right, height);
  cbshowposition->SetCaption("Show Mouse Position");
  cbshowposition->SetBounds(right, top + pitch, kClientWidth - 6 - right, height);
}

void Tfrmzoomsetup::LayoutShortcutPanel() {
  RxLabel2->SetTransparent(true);
  RxLabel2->SetBounds(kMargin, 8, 0, 0);  // sized to its text
  RxLabel2->Font().SetBold(true);
  RxLabel2->SetCaption("Short Cuts");

  struct Row {
    TLabel* label;
    THotKeyEdit* editor;
    const char* caption;
  };
  const Row rows[] = {
      {Label3, hksetup, "Open Setup Dialog"},
      {Label1, hkshowhide, "Toogle Show / Hide Zoom"},
      {Label4, hkzoom, "Wheel change Zoom size"},
      {Label5, hksize, "Wheel change Window size"},
      {Label6, hktransparent, "Wheel change Transparency"},
      {Label7, hkclipboard, "Save Image to Clipboard"},
      {Label8, hkfile, "Save Image To File"},
  };
  int top = kRowTop;
  for (const Row& row : rows) {
    row.label->SetCaption(row.caption);
    row.label->SetTransparent(true);
    // Text baseline level with the editor's text.
    row.label->SetBounds(kShortcutLabelLeft, top + 4, kEditorLeft - kShortcutLabelLeft - 4, 14);
    row.editor->SetBounds(kEditorLeft, top, kEditorWidth, kEditorHeight);
    top += kRowPitch;
  }
}

void Tfrmzoomsetup::LayoutButtonPanel() {
  const int top = (kButtonPanelHeight - kButtonHeight) / 2;
  bok->SetCaption("OK");
  bok->SetDefault(true);
  bok->SetModalResult(mrOk);
  bok->SetBounds(kClientWidth - kMargin - 2 * kButtonWidth - 6, top, kButtonWidth, kButtonHeight);
  bcancel->SetCaption("Cancel");
  bcancel->SetCancel(true);
  bcancel->SetModalResult(mrCancel);
  bcancel->SetBounds(kClientWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
  Panel5->SetCaption("About...");
  Panel5->SetBounds(kMargin, top, kButtonWidth, kButtonHeight);
}

// ---- Handlers -------------------------------------------------------------------------------

void Tfrmzoomsetup::FormCreate(TComponent*) { initialising_ = true; }

void Tfrmzoomsetup::FormShow(TComponent*) {
  cbshowcross->SetChecked(state_.ShowCross);
  cbshowcaption->SetChecked(state_.ShowBorders);
  cbmovewindow->SetChecked(state_.MoveToMouse);
  cbstayontop->SetChecked(state_.AlwaysTop);
  szoom->SetPosition(state_.Zoom);  // the track bars keep values within their ranges
  tbtransparent->SetPosition(state_.Transparency);
  cbshowposition->SetChecked(state_.ShowMousePos);
  hkshowhide->SetHotKey(ShortCutToHotKeyValue(state_.Shortcuts[scShowHide]));
  hksetup->SetHotKey(ShortCutToHotKeyValue(state_.Shortcuts[scDialog]));
  hkzoom->SetHotKey(ShortCutToHotKeyValue(state_.Shortcuts[scZoom]));
  hksize->SetHotKey(ShortCutToHotKeyValue(state_.Shortcuts[scSize]));
  hktransparent->SetHotKey(ShortCutToHotKeyValue(state_.Shortcuts[scTransparent]));
  hkclipboard->SetHotKey(ShortCutToHotKeyValue(state_.Shortcuts[scClipboard]));
  hkfile->SetHotKey(ShortCutToHotKeyValue(state_.Shortcuts[scSaveFile]));
  lzoom->SetCaption(UserZoomText(state_.Zoom));
  initialising_ = false;
}

void Tfrmzoomsetup::ChangeGeneral(TComponent*) {
  if (initialising_) return;
  lzoom->SetCaption(UserZoomText(szoom->Position()));
}

void Tfrmzoomsetup::bokClick(TComponent*) {
  state_.ShowCross = cbshowcross->Checked();
  state_.ShowBorders = cbshowcaption->Checked();
  state_.MoveToMouse = cbmovewindow->Checked();
  state_.AlwaysTop = cbstayontop->Checked();
  state_.Zoom = szoom->Position();
  state_.Transparency = tbtransparent->Position();
  state_.ShowMousePos = cbshowposition->Checked();
  state_.Shortcuts[scShowHide] = HotKeyValueToShortCut(hkshowhide->HotKey());
  state_.Shortcuts[scDialog] = HotKeyValueToShortCut(hksetup->HotKey());
  state_.Shortcuts[scZoom] = HotKeyValueToShortCut(hkzoom->HotKey());
  state_.Shortcuts[scSize] = HotKeyValueToShortCut(hksize->HotKey());
  state_.Shortcuts[scTransparent] = HotKeyValueToShortCut(hktransparent->HotKey());
  state_.Shortcuts[scClipboard] = HotKeyValueToShortCut(hkclipboard->HotKey());
  state_.Shortcuts[scSaveFile] = HotKeyValueToShortCut(hkfile->HotKey());
  if (InModalRun())
    SetModalResult(mrOk);
  else
    Close();
}

void Tfrmzoomsetup::bcancelClick(TComponent*) { Close(); }

void Tfrmzoomsetup::Panel5Click(TComponent*) {
  if (OnAbout) OnAbout(this);
}

// ---- Keyboard focus and dialog keys ---------------------------------------------------------

LRESULT Tfrmzoomsetup::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      // Enter and Esc, as the dialog manager reports them.
      if (lp == 0 && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        if (!ClickDialogButton(*this, LOWORD(wp)) && LOWORD(wp) == IDCANCEL) Close();
        return 0;
      }
      break;
    case WM_ACTIVATE: {
      HWND wnd = Handle();
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(wnd, focus)) last_focus_ = focus;
        return TForm::WndProc(msg, wp, lp);
      }
      LRESULT result = TForm::WndProc(msg, wp, lp);
      // Back to the control that had the focus, or the first one.
      HWND target = last_focus_ && IsWindow(last_focus_) && IsChild(wnd, last_focus_)
                        ? last_focus_
                        : GetNextDlgTabItem(wnd, nullptr, FALSE);
      if (target) ::SetFocus(target);
      return result;
    }
    default:
      break;
  }
  return TForm::WndProc(msg, wp, lp);
}
