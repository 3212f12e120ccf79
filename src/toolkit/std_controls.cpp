#include "toolkit/std_controls.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "toolkit/form.h"

namespace {

// Registers the common-control classes the first time one of them is needed.
void EnsureCommonControl(const char* class_name, DWORD classes) {
  WNDCLASSA wc{};
  if (GetClassInfoA(nullptr, class_name, &wc)) return;
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), classes};
  InitCommonControlsEx(&icc);
}

TForm* ParentForm(TControl* control) {
  for (TWinControl* p = control->Parent(); p; p = p->Parent())
    if (auto* form = dynamic_cast<TForm*>(p)) return form;
  return nullptr;
}

UINT AlignmentFlag(TAlignment alignment) {
  switch (alignment) {
    case TAlignment::taRightJustify:
      return DT_RIGHT;
    case TAlignment::taCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

// 1-pixel edges, as a panel's bevels are drawn.
UINT BevelEdge(TBevelCut cut) { return cut == TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER; }

}  // namespace

// ---- TButton --------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = WC_BUTTONA;
  params.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool on) {
  if (on == default_) return;
  default_ = on;
  if (HandleAllocated())
    SendMessageA(Handle(), BM_SETSTYLE, default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (modal_result_ != mrNone)
    if (TForm* form = ParentForm(this)) form->SetModalResult(modal_result_);
  if (OnClick) OnClick(this);
}

void TButton::CommandNotify(WORD code) {
  if (code == BN_CLICKED) Click();
}

// ---- TGlyphButton ---------------------------------------------------------------------------

void TGlyphButton::SetGlyph(const char* resourceName) {
  glyph_name_ = resourceName;
  LoadGlyph();
}

void TGlyphButton::LoadGlyph() {
  auto load = [this](int width, int height) {
    return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), glyph_name_.c_str(),
                                           IMAGE_BITMAP, width, height, LR_LOADMAP3DCOLORS));
  };
  glyph_.reset(load(0, 0));
  BITMAP size{};
  if (glyph_ && Dpi() != kDesignDpi && GetObjectA(glyph_.get(), sizeof size, &size))
    glyph_.reset(load(Scaled(size.bmWidth), Scaled(size.bmHeight)));
  if (HandleAllocated())
    SendMessageA(Handle(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_.get()));
}

void TGlyphButton::ChangeScale(int multiplier, int divisor) {
  TButton::ChangeScale(multiplier, divisor);
  if (!glyph_name_.empty()) LoadGlyph();
}

void TGlyphButton::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.style |= BS_BITMAP;
}

void TGlyphButton::HandleCreated() {
  SendMessageA(Handle(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_.get()));
  if (Hint().empty()) return;
  EnsureCommonControl(TOOLTIPS_CLASSA, ICC_WIN95_CLASSES);
  // A new tooltip for each window of the button. It has no owner, so only this object
  // destroys it, never the system along with a dialog.
  tooltip_.reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
  if (!tooltip_) return;
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(Handle());
  std::string text = Hint();  // the tooltip keeps a copy
  tool.lpszText = text.data();
  SendMessageA(tooltip_.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// ---- TStaticText ----------------------------------------------------------------------------

TStaticText::TStaticText(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 65, 17); }

void TStaticText::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = WC_STATICA;
  params.style |= SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
}

// ---- TCheckBox ------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = WC_BUTTONA;
  params.style |= BS_AUTOCHECKBOX;
}

void TCheckBox::HandleCreated() {
  SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::Checked() const {
  if (wnd_) return SendMessageA(wnd_.get(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return checked_;
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == Checked()) return;
  checked_ = checked;
  if (HandleAllocated())
    SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (OnClick) OnClick(this);
}

void TCheckBox::CommandNotify(WORD code) {
  if (code != BN_CLICKED) return;
  checked_ = Checked();
  if (OnClick) OnClick(this);
}

// ---- TTrackBar ------------------------------------------------------------------------------

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 150, 45);
}

void TTrackBar::CreateParams(TCreateParams& params) {
  EnsureCommonControl(TRACKBAR_CLASSA, ICC_BAR_CLASSES);
  TWinControl::CreateParams(params);
  params.class_name = TRACKBAR_CLASSA;
  params.style |= TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS;
}

void TTrackBar::HandleCreated() {
  HWND wnd = Handle();
  SendMessageA(wnd, TBM_SETRANGEMIN, FALSE, min_);
  SendMessageA(wnd, TBM_SETRANGEMAX, FALSE, max_);
  SendMessageA(wnd, TBM_SETLINESIZE, 0, 1);
  SendMessageA(wnd, TBM_SETPAGESIZE, 0, page_size_);
  SendMessageA(wnd, TBM_SETTICFREQ, frequency_, 0);
  SendMessageA(wnd, TBM_SETPOS, TRUE, position_);
}

void TTrackBar::SetMin(int value) { SetRange(value, std::max(value, max_)); }
void TTrackBar::SetMax(int value) { SetRange(std::min(min_, value), value); }

void TTrackBar::SetRange(int min, int max) {
  if (max < min) max = min;
  if (min == min_ && max == max_) return;
  min_ = min;
  max_ = max;
  ApplyRange();
}

void TTrackBar::ApplyRange() {
  if (HandleAllocated()) {
    SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, min_);
    SendMessageA(Handle(), TBM_SETRANGEMAX, TRUE, max_);
    // Keep the thumb inside the range whatever this control version does on its own.
    int pos = static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0));
    if (pos < min_ || pos > max_) SendMessageA(Handle(), TBM_SETPOS, TRUE, std::clamp(pos, min_, max_));
  }
  PositionMaybeChanged();
}

int TTrackBar::Position() const {
  if (wnd_) return static_cast<int>(SendMessageA(wnd_.get(), TBM_GETPOS, 0, 0));
  return std::clamp(position_, min_, max_);
}

void TTrackBar::SetPosition(int value) {
  if (HandleAllocated()) {
    SendMessageA(Handle(), TBM_SETPOS, TRUE, value);
    PositionMaybeChanged();
    return;
  }
  value = std::clamp(value, min_, max_);
  if (value == position_) return;
  position_ = value;
  if (OnChange) OnChange(this);
}

void TTrackBar::PositionMaybeChanged() {
  int now = Position();
  if (now == position_) return;
  position_ = now;
  if (OnChange) OnChange(this);
}

void TTrackBar::SetPageSize(int value) {
  if (value == page_size_) return;
  page_size_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETPAGESIZE, 0, value);
}

void TTrackBar::SetFrequency(int value) {
  if (value == frequency_) return;
  frequency_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), TBM_SETTICFREQ, value, 0);
}

void TTrackBar::ScrollNotify(WORD) { PositionMaybeChanged(); }

// ---- THotKeyEdit ----------------------------------------------------------------------------

THotKeyEdit::THotKeyEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
}

void THotKeyEdit::CreateParams(TCreateParams& params) {
  EnsureCommonControl(HOTKEY_CLASSA, ICC_HOTKEY_CLASS);
  TWinControl::CreateParams(params);
  params.class_name = HOTKEY_CLASSA;
  params.ex_style |= WS_EX_CLIENTEDGE;
}

void THotKeyEdit::HandleCreated() {
  HWND wnd = Handle();
  SendMessageA(wnd, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL, 0));
  SendMessageA(wnd, HKM_SETHOTKEY, hot_key_, 0);
}

uint16_t THotKeyEdit::HotKey() const {
  if (wnd_) return LOWORD(SendMessageA(wnd_.get(), HKM_GETHOTKEY, 0, 0));
  return hot_key_;
}

void THotKeyEdit::SetHotKey(uint16_t value) {
  hot_key_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), HKM_SETHOTKEY, value, 0);
}

void THotKeyEdit::CommandNotify(WORD code) {
  if (code != EN_CHANGE) return;
  hot_key_ = HotKey();
  if (OnChange) OnChange(this);
}

// ---- TPanel ---------------------------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.style |= WS_CLIPCHILDREN;
  params.ex_style |= WS_EX_CONTROLPARENT;  // Tab walks on into the panel's children
}

void TPanel::SetBevelOuter(TBevelCut cut) {
  if (cut == bevel_outer_) return;
  bevel_outer_ = cut;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut cut) {
  if (cut == bevel_inner_) return;
  bevel_inner_ = cut;
  Invalidate();
}

RECT TPanel::InnerRect() const {
  RECT r = ClientRect();
  int inset = BorderWidth() + (bevel_outer_ != TBevelCut::bvNone) + (bevel_inner_ != TBevelCut::bvNone);
  InflateRect(&r, -inset, -inset);
  return r;
}

void TPanel::CaptionChanged() {
  TWinControl::CaptionChanged();
  Invalidate();
}

void TPanel::FontChanged() {
  TWinControl::FontChanged();
  Invalidate();
}

void TPanel::SetPressed(bool pressed) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  Invalidate();
}

void TPanel::PaintWindow(HDC dc) {
  RECT r;
  GetClientRect(wnd_.get(), &r);
  TBevelCut outer = pressed_ ? TBevelCut::bvLowered : bevel_outer_;
  if (outer != TBevelCut::bvNone) DrawEdge(dc, &r, BevelEdge(outer), BF_RECT | BF_ADJUST);
  InflateRect(&r, -BorderWidth(), -BorderWidth());
  if (bevel_inner_ != TBevelCut::bvNone) DrawEdge(dc, &r, BevelEdge(bevel_inner_), BF_RECT | BF_ADJUST);
  if (Caption().empty()) return;
  if (pressed_) OffsetRect(&r, 1, 1);
  SelectGuard font(dc, Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Enabled() ? ColorToRGB(Font().Color()) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(dc, Caption().c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT TPanel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      if (OnClick && Enabled()) {
        SetCapture(wnd_.get());
        tracking_ = true;
        SetPressed(true);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (tracking_) {
        RECT r;
        GetClientRect(wnd_.get(), &r);
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        SetPressed(PtInRect(&r, p) != FALSE);
      }
      break;
    case WM_LBUTTONUP:
      if (tracking_) {
        bool inside = pressed_;
        tracking_ = false;
        SetPressed(false);
        ReleaseCapture();
        if (inside && OnClick) OnClick(this);
        return 0;
      }
      return 0;
    case WM_CAPTURECHANGED:
      tracking_ = false;
      SetPressed(false);
      break;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TLabel ---------------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  opaque_ = true;
  SetBounds(0, 0, 65, 13);
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TLabel::SetTransparent(bool on) {
  if (on == !opaque_) return;
  opaque_ = !on;
  InvalidateArea(true);
}

void TLabel::SetWordWrap(bool on) {
  if (on == word_wrap_) return;
  word_wrap_ = on;
  Invalidate();
}

void TLabel::SetShowAccelChar(bool on) {
  if (on == show_accel_char_) return;
  show_accel_char_ = on;
  Invalidate();
}

void TLabel::SetAutoSize(bool on) {
  if (on == auto_size_) return;
  auto_size_ = on;
  AdjustSize();
}

void TLabel::CaptionChanged() {
  AdjustSize();
  Invalidate();
}

void TLabel::FontChanged() {
  AdjustSize();
  Invalidate();
}

void TLabel::AdjustSize() {
  if (!auto_size_) return;
  WindowDC screen(nullptr);
  SelectGuard font(screen.get(), Font().Handle());
  RECT r{0, 0, 0, 0};
  const std::string text = Caption().empty() ? " " : Caption();
  DrawTextA(screen.get(), text.c_str(), -1, &r,
            DT_CALCRECT | DT_EXPANDTABS | (show_accel_char_ ? 0 : DT_NOPREFIX));
  SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TPaintBox::Paint(HDC dc) {
  if (!OnPaint) return;
  canvas_ = dc;
  OnPaint(this);
  canvas_ = nullptr;
}

void TBevelLine::Paint(HDC dc) {
  RECT r = ClientRect();
  DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
}

void TLabel::Paint(HDC dc) {
  RECT r = ClientRect();
  if (opaque_) {
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color())));
    FillRect(dc, &r, brush.get());
  }
  SelectGuard font(dc, Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Enabled() ? ColorToRGB(Font().Color()) : GetSysColor(COLOR_GRAYTEXT));
  UINT format = DT_EXPANDTABS | AlignmentFlag(alignment_);
  if (word_wrap_) format |= DT_WORDBREAK;
  if (!show_accel_char_) format |= DT_NOPREFIX;
  DrawTextA(dc, Caption().c_str(), -1, &r, format);
}

// ---- Dialog keys ----------------------------------------------------------------------------

namespace {

TButton* FindButton(TWinControl& parent, bool (*match)(TButton&)) {
  for (TControl* c : parent.Controls()) {
    if (auto* b = dynamic_cast<TButton*>(c); b && match(*b)) return b;
    if (auto* w = dynamic_cast<TWinControl*>(c))
      if (TButton* found = FindButton(*w, match)) return found;
  }
  return nullptr;
}

bool Usable(TButton& b) {
  return b.HandleAllocated() && IsWindowVisible(b.Handle()) && IsWindowEnabled(b.Handle());
}

}  // namespace

bool ClickDialogButton(TWinControl& root, int id) {
  TButton* button = nullptr;
  if (id == IDOK) {
    button = FindButton(root, [](TButton& b) { return b.HandleAllocated() && b.Handle() == GetFocus(); });
    if (!button) button = FindButton(root, [](TButton& b) { return b.Default() && Usable(b); });
  } else if (id == IDCANCEL) {
    button = FindButton(root, [](TButton& b) { return b.Cancel() && Usable(b); });
  }
  if (!button) return false;
  button->Click();
  return true;
}
