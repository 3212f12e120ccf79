#include "toolkit/control.h"

#include <windowsx.h>

#include <algorithm>

#include "toolkit/application.h"

namespace {
const char kWindowClass[] = "LumeviewWindow";

LPCSTR CursorResource(TCursor cursor) {
  switch (cursor) {
    case TCursor::crHandPoint:
      return IDC_HAND;
    case TCursor::crArrow:
    case TCursor::crDefault:
      break;
  }
  return IDC_ARROW;
}

// The modifier keys and buttons held during a mouse message.
TShiftState MouseShift(UINT msg, WPARAM wp) {
  TShiftState shift;
  if (wp & MK_SHIFT) shift += ssShift;
  if (wp & MK_CONTROL) shift += ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift += ssAlt;
  if (wp & MK_LBUTTON) shift += ssLeft;
  if (wp & MK_RBUTTON) shift += ssRight;
  if (wp & MK_MBUTTON) shift += ssMiddle;
  if (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK)
    shift += ssDouble;
  return shift;
}
}  // namespace

// ---- TControl -------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
  font_.OnChange = nullptr;
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (visible_) Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged();
  if (visible_) Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (visible_) Invalidate();
  visible_ = visible;
  VisibleChanged();
}

void TControl::VisibleChanged() {
  if (visible_) Invalidate();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  EnabledChanged();
}

void TControl::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  CaptionChanged();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TControl::Invalidate() {}

void TControl::ScaleForDpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  const int old = dpi_;
  dpi_ = dpi;
  ChangeScale(dpi, old);
}

void TControl::ChangeScale(int multiplier, int divisor) {
  auto scale = [=](int v) { return MulDiv(v, multiplier, divisor); };
  const int left = scale(left_), top = scale(top_);
  SetBounds(left, top, scale(left_ + width_) - left, scale(top_ + height_) - top);
  font_.SetHeight(scale(font_.Height()));
}

// ---- TGraphicControl ------------------------------------------------------------------------

void TGraphicControl::Invalidate() { InvalidateArea(!opaque_); }

void TGraphicControl::InvalidateArea(bool erase) {
  if (!parent_ || !parent_->HandleAllocated()) return;
  RECT r = BoundsRect();
  InvalidateRect(parent_->Handle(), &r, erase ? TRUE : FALSE);
}

void TGraphicControl::Repaint() {
  if (!parent_ || !parent_->HandleAllocated() || !Visible()) return;
  if (!opaque_) {
    Invalidate();
    UpdateWindow(parent_->Handle());
    return;
  }
  WindowDC dc(parent_->Handle());
  if (dc) parent_->PaintControls(dc.get(), BoundsRect(), this);
}

void TGraphicControl::MouseMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
  TMouseButton button;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      clicked_ = true;
      button = mbLeft;
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      button = mbRight;
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      button = mbMiddle;
      break;
    case WM_LBUTTONUP: {
      if (!clicked_) return;
      clicked_ = false;
      RECT r = ClientRect();
      if (PtInRect(&r, POINT{x, y}) && OnClick) OnClick(this);
      return;
    }
    default:
      return;
  }
  if (OnMouseDown) OnMouseDown(this, button, MouseShift(msg, wp), x, y);
}

// ---- TWinControl ----------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Children may still reach their parent while they go.
  std::vector<TControl*> children = controls_;
  for (TControl* c : children) RemoveControl(c);
  DestroyHandle();
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
  if (!wnd) return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
}

TWinControl* TWinControl::FindControl(HWND wnd) {
  char name[32] = {};
  if (!wnd || !GetClassNameA(wnd, name, sizeof(name)) || lstrcmpA(name, kWindowClass) != 0)
    return nullptr;
  return FromHandle(wnd);
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  // A control made after its parent was scaled takes the parent's DPI.
  control->ScaleForDpi(Dpi());
  if (auto* win = dynamic_cast<TWinControl*>(control); win && HandleAllocated()) win->Handle();
  if (control->Align() != TAlign::alNone) AlignControls();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  // The area it covered is repainted. Not through control->Invalidate(): when the control is
  // being destroyed, that is no longer the control's own.
  if (wnd_ && control->Visible()) {
    RECT area = control->BoundsRect();
    InvalidateRect(wnd_.get(), &area, TRUE);
  }
  if (auto* win = dynamic_cast<TWinControl*>(control)) win->DestroyHandle();
  if (control == mouse_control_) mouse_control_ = nullptr;
  controls_.erase(it);
  control->parent_ = nullptr;
  if (hover_control_ == control) hover_control_ = nullptr;
  if (mouse_control_ == control) mouse_control_ = nullptr;
}

void TWinControl::SetBorderWidth(int width) {
  if (width == border_width_) return;
  border_width_ = width;
  AlignControls();
  Invalidate();
}

RECT TWinControl::ClientRect() const {
  RECT r{0, 0, width_, height_};
  if (wnd_) GetClientRect(wnd_.get(), &r);
  return r;
}

void TWinControl::AlignControls() {
  RECT r = ClientRect();
  InflateRect(&r, -border_width_, -border_width_);
  for (TControl* c : controls_)
    if (c->Align() == TAlign::alClient)
      c->SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.style = WS_CHILD | WS_CLIPSIBLINGS;
  if (Visible()) params.style |= WS_VISIBLE;
  if (!Enabled()) params.style |= WS_DISABLED;
  if (tab_stop_) params.style |= WS_TABSTOP;
  params.x = left_;
  params.y = top_;
  params.width = width_;
  params.height = height_;
  if (parent_) params.parent = parent_->Handle();
  else if (parent_window_) params.parent = parent_window_;
}

HWND TWinControl::Handle() {
  if (!wnd_) CreateHandle();
  return wnd_.get();
}

void TWinControl::CreateHandle() {
  TCreateParams params;
  CreateParams(params);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  own_class_ = params.class_name.empty();
  if (own_class_) {
    WNDCLASSA wc{};
    if (!GetClassInfoA(instance, kWindowClass, &wc)) {
      // Each window keeps a device context of its own: the magnifier draws into its window
      // 40 times a second, and a context from the shared cache costs more every time.
      wc.style = CS_DBLCLKS | CS_OWNDC;
      wc.lpfnWndProc = &TWinControl::WindowProcThunk;
      wc.hInstance = instance;
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.hIcon = LoadIconA(instance, "MAINICON");
      wc.lpszClassName = kWindowClass;
      RegisterClassA(&wc);
    }
  }
  HWND wnd = CreateWindowExA(params.ex_style, own_class_ ? kWindowClass : params.class_name.c_str(),
                             Caption().c_str(), params.style, params.x, params.y, params.width,
                             params.height, params.parent, nullptr, instance, this);
  if (!wnd) {
    wnd_.release();  // the system already destroyed what it had begun
    throw EOutOfResources(OutOfResourcesText());
  }
  if (wnd_.get() != wnd) wnd_.reset(wnd);
  if (!own_class_) SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
  // An overlapped window hears its first WM_SIZE only when shown; aligned children fit the
  // client area from now on.
  AlignControls();
  for (TControl* c : controls_)
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->Handle();
  HandleCreated();
}

void TWinControl::DestroyHandle() {
  if (!wnd_) return;
  for (TControl* c : controls_)
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->DestroyHandle();
  SetWindowLongPtrA(wnd_.get(), GWLP_USERDATA, 0);
  wnd_.reset();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  if (wnd_) ApplyHandleBounds();
  if (!wnd_) AlignControls();  // no window yet, so no WM_SIZE to do it
}

void TWinControl::ApplyHandleBounds() {
  // Bounds set again from inside this move (a handler that pumps messages) still apply.
  const bool outer = setting_bounds_;
  setting_bounds_ = true;
  SetWindowPos(wnd_.get(), nullptr, left_, top_, width_, height_,
               SWP_NOZORDER | SWP_NOACTIVATE);
  setting_bounds_ = outer;
}

void TWinControl::Invalidate() {
  if (wnd_) InvalidateRect(wnd_.get(), nullptr, TRUE);
}

void TWinControl::SetFocus() {
  if (HandleAllocated()) ::SetFocus(wnd_.get());
}

void TWinControl::CaptionChanged() {
  if (wnd_) SetWindowTextA(wnd_.get(), Caption().c_str());
}

void TWinControl::FontChanged() {
  if (wnd_) SendMessageA(wnd_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
}

void TWinControl::ChangeScale(int multiplier, int divisor) {
  TControl::ChangeScale(multiplier, divisor);
  ScaleChildren(multiplier, divisor);
}

void TWinControl::ScaleChildren(int multiplier, int divisor) {
  border_width_ = MulDiv(border_width_, multiplier, divisor);
  for (TControl* c : controls_) c->ScaleForDpi(Dpi());
  AlignControls();
}

void TWinControl::EnabledChanged() {
  if (wnd_) EnableWindow(wnd_.get(), Enabled());
}

void TWinControl::VisibleChanged() {
  if (wnd_) ShowWindow(wnd_.get(), Visible() ? SW_SHOWNA : SW_HIDE);
}

bool TWinControl::EraseBackground(HDC dc) {
  RECT r;
  GetClientRect(wnd_.get(), &r);
  int saved = SaveDC(dc);
  // What an opaque windowless child covers it paints itself.
  for (TControl* c : controls_)
    if (auto* g = dynamic_cast<TGraphicControl*>(c); g && g->Visible() && g->Opaque())
      ExcludeClipRect(dc, g->Left(), g->Top(), g->Left() + g->Width(), g->Top() + g->Height());
  UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color())));
  FillRect(dc, &r, brush.get());
  RestoreDC(dc, saved);
  return true;
}

void TWinControl::PaintHandler(HDC dc, const RECT& update) {
  PaintWindow(dc);
  PaintControls(dc, update);
}

TGraphicControl* TWinControl::ControlAtPos(POINT p) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    auto* g = dynamic_cast<TGraphicControl*>(*it);
    if (!g || !g->Visible() || !g->Enabled()) continue;
    RECT bounds = g->BoundsRect();
    if (PtInRect(&bounds, p)) return g;
  }
  return nullptr;
}

bool TWinControl::RouteMouseToControl(UINT msg, WPARAM wp, LPARAM lp) {
  const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  const bool release = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
  TGraphicControl* target = release && mouse_control_ ? mouse_control_ : ControlAtPos(p);
  if (!target) return false;
  if (!release) {
    // The release comes here too when it happens outside.
    if (GetCapture() != wnd_.get()) SetCapture(wnd_.get());
    mouse_control_ = target;
  } else if (!(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
    mouse_control_ = nullptr;
    if (GetCapture() == wnd_.get()) ReleaseCapture();
  }
  // The control may go (and this window with it) while it handles the message.
  target->MouseMessage(msg, wp, MAKELPARAM(p.x - target->Left(), p.y - target->Top()));
  return true;
}

void TWinControl::TrackHover(TGraphicControl* over) {
  if (over == hover_control_) return;
  TGraphicControl* left = hover_control_;
  hover_control_ = over;
  if (over) {
    // A WM_MOUSELEAVE when the pointer leaves the window, so the last child hears of it too.
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, wnd_.get(), 0};
    TrackMouseEvent(&track);
  }
  if (left && OnControlMouseLeave) OnControlMouseLeave(left);
  if (over && OnControlMouseEnter) OnControlMouseEnter(over);
}

bool TWinControl::ApplyCursor(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(wp) != wnd_.get() || LOWORD(lp) != HTCLIENT) return false;
  POINT p;
  if (!GetCursorPos(&p) || !ScreenToClient(wnd_.get(), &p)) return false;
  const TControl* over = ControlAtPos(p);
  const TCursor cursor =
      over && over->Cursor() != TCursor::crDefault ? over->Cursor() : Cursor();
  if (cursor == TCursor::crDefault) return false;
  ::SetCursor(LoadCursorA(nullptr, CursorResource(cursor)));
  return true;
}

void TWinControl::PaintControls(HDC dc, const RECT& area, const TControl* first) {
  auto from = first ? std::find(controls_.begin(), controls_.end(), first) : controls_.begin();
  for (auto it = from; it != controls_.end(); ++it) {
    auto* g = dynamic_cast<TGraphicControl*>(*it);
    if (!g || !g->Visible()) continue;
    RECT bounds = g->BoundsRect(), meet;
    if (!IntersectRect(&meet, &bounds, &area)) continue;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    SetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
    g->Paint(dc);
    RestoreDC(dc, saved);
  }
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(wnd_.get(), msg, wp, lp);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return EraseBackground(reinterpret_cast<HDC>(wp)) ? 1 : 0;
    case WM_PAINT: {
      PaintGuard paint(wnd_.get());
      PaintHandler(paint.get(), paint.info().rcPaint);
      return 0;
    }
    case WM_COMMAND:
      if (lp) {
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lp)))
          child->CommandNotify(HIWORD(wp));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (TWinControl* child = FromHandle(hdr->hwndFrom)) return child->NotifyMessage(hdr);
      break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lp) {
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lp)))
          child->ScrollNotify(LOWORD(wp));
        return 0;
      }
      break;
    case WM_SIZE:
      AlignControls();
      Resized();
      return 0;
    case WM_LBUTTONUP:
      if (OnClick) OnClick(this);
      return 0;
    default:
      break;
  }
  return DefaultHandler(msg, wp, lp);
}

LRESULT TWinControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK && RouteMouseToControl(msg, wp, lp))
    return 0;
  if (msg == WM_SETCURSOR && ApplyCursor(wp, lp)) return TRUE;
  if (msg == WM_CAPTURECHANGED) mouse_control_ = nullptr;
  if (msg == WM_MOUSEMOVE) TrackHover(ControlAtPos(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}));
  if (msg == WM_MOUSELEAVE) TrackHover(nullptr);
  if (msg == WM_WINDOWPOSCHANGED && !setting_bounds_) {
    // Keep the control's idea of its bounds in step with moves the system or user made.
    RECT r;
    GetWindowRect(wnd_.get(), &r);
    HWND parent = GetParent(wnd_.get());
    if (parent && (GetWindowLongA(wnd_.get(), GWL_STYLE) & WS_CHILD))
      MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width == width_ && height == height_) {
      // Only moved: the window took its picture along, nothing needs repainting.
      left_ = r.left;
      top_ = r.top;
      BoundsChanged();
    } else {
      setting_bounds_ = true;
      TControl::SetBounds(r.left, r.top, width, height);
      setting_bounds_ = false;
    }
  }
  return WndProc(msg, wp, lp);
}

LRESULT CALLBACK TWinControl::WindowProcThunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    auto* self = static_cast<TWinControl*>(cs->lpCreateParams);
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->wnd_.reset(wnd);
  }
  TWinControl* self = FromHandle(wnd);
  if (!self) return DefWindowProcA(wnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    if (Application) Application->HandleException(e);
  } catch (...) {
    if (Application) Application->HandleException(EError("Unknown error"));
  }
  if (msg == WM_NCDESTROY) {
    // The window is gone (also when the system destroyed it with its owner): the control
    // forgets it, so nothing later reaches or destroys a handle that is no longer its own.
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    if (self->wnd_.get() == wnd) self->wnd_.release();
  }
  return result;
}
