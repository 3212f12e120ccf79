#include "toolkit/form.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "toolkit/application.h"
#include "toolkit/task_windows.h"

TForm::TForm(TComponent* owner) : TWinControl(owner) { SetVisible(false); }

TForm::~TForm() {
  DoDestroy();
  if (HandleAllocated() && Application) Application->RemoveDialogWindow(Handle());
  DestroyComponents();
  DestroyHandle();
  if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
}

void TForm::DoDestroy() {
  if (destroying_) return;
  destroying_ = true;
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (const std::exception& e) {
    if (Application) Application->HandleException(e);
  }
}

void TForm::AfterConstruction() {
  FinishLoading();
  // The design is given at 96 DPI; the form starts at the primary display's and follows its
  // window's display from then on.
  ScaleForDpi(SystemDpi());
  DesignLoaded();
  if (!OnCreate) return;
  // An error that leaves the creation handler is reported; the form exists all the same.
  try {
    OnCreate(this);
  } catch (const std::exception& e) {
    if (!Application) throw;
    Application->HandleException(e);
  }
}

void TForm::CreateParams(TCreateParams& params) {
  params.style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  params.ex_style = 0;
  switch (border_style_) {
    case TBorderStyle::bsNone:
      params.style |= WS_POPUP;
      break;
    case TBorderStyle::bsSingle:
      params.style |= WS_CAPTION;
      break;
    case TBorderStyle::bsSizeable:
      params.style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case TBorderStyle::bsDialog:
      params.style |= WS_POPUP | WS_CAPTION;
      params.ex_style |= WS_EX_DLGMODALFRAME;
      break;
    case TBorderStyle::bsToolWindow:
      params.style |= WS_CAPTION;
      params.ex_style |= WS_EX_TOOLWINDOW;
      break;
    case TBorderStyle::bsSizeToolWin:
      params.style |= WS_CAPTION | WS_THICKFRAME;
      params.ex_style |= WS_EX_TOOLWINDOW;
      break;
  }
  if (system_menu_ && border_style_ != TBorderStyle::bsNone) params.style |= WS_SYSMENU;
  if (stay_on_top_) params.ex_style |= WS_EX_TOPMOST;
  if (dialog_keys_) params.ex_style |= WS_EX_CONTROLPARENT;
  if (!Enabled()) params.style |= WS_DISABLED;
  params.x = left_;
  params.y = top_;
  params.width = width_;
  params.height = height_;
  params.parent = Application ? Application->Handle() : nullptr;  // owner, not parent
}

void TForm::HandleCreated() {
  if (dialog_keys_ && Application) Application->AddDialogWindow(Handle());
  ScaleForDpi(WindowDpi(Handle()));
}

void TForm::ApplyFrameStyle() {
  if (!HandleAllocated()) return;
  TCreateParams params;
  CreateParams(params);
  HWND wnd = Handle();
  DWORD visible = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE)) & WS_VISIBLE;
  SetWindowLongA(wnd, GWL_STYLE, static_cast<LONG>(params.style | visible));
  // As a re-created window would, the window starts again from its creation's extended style.
  // Topmost is the window's place in the z-order, not a style to write.
  const DWORD topmost = static_cast<DWORD>(GetWindowLongA(wnd, GWL_EXSTYLE)) & WS_EX_TOPMOST;
  SetWindowLongA(wnd, GWL_EXSTYLE, static_cast<LONG>((params.ex_style & ~WS_EX_TOPMOST) | topmost));
  SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::SetBorderStyle(TBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  ApplyFrameStyle();
}

void TForm::SetStayOnTop(bool on) {
  if (on == stay_on_top_) return;
  stay_on_top_ = on;
  if (HandleAllocated())
    SetWindowPos(Handle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int TForm::ClientWidth() const {
  RECT r = ClientRect();
  return r.right - r.left;
}

int TForm::ClientHeight() const {
  RECT r = ClientRect();
  return r.bottom - r.top;
}

RECT TForm::FrameRect(int dpi) const {
  DWORD style, ex_style;
  if (wnd_) {
    style = static_cast<DWORD>(GetWindowLongA(wnd_.get(), GWL_STYLE));
    ex_style = static_cast<DWORD>(GetWindowLongA(wnd_.get(), GWL_EXSTYLE));
  } else {
    TCreateParams params;
    const_cast<TForm*>(this)->CreateParams(params);
    style = params.style;
    ex_style = params.ex_style;
  }
  RECT r{0, 0, 0, 0};
  AdjustWindowRectForDpi(r, style, ex_style, dpi);
  return r;
}

RECT TForm::ClientRect() const {
  if (wnd_) return TWinControl::ClientRect();
  const RECT frame = FrameRect(Dpi());
  return RECT{0, 0, std::max(0L, width_ - (frame.right - frame.left)),
              std::max(0L, height_ - (frame.bottom - frame.top))};
}

void TForm::SetClientSize(int width, int height) {
  const RECT frame = FrameRect(Dpi());
  SetBounds(left_, top_, width + frame.right - frame.left, height + frame.bottom - frame.top);
}

void TForm::ChangeScale(int multiplier, int divisor) {
  // Without a window, the client size is the outer size less the frame of the old DPI.
  RECT client = TWinControl::ClientRect();
  if (!wnd_) {
    const RECT frame = FrameRect(divisor);
    client.right -= frame.right - frame.left;
    client.bottom -= frame.bottom - frame.top;
  }
  const int width = MulDiv(std::max(0L, client.right), multiplier, divisor);
  const int height = MulDiv(std::max(0L, client.bottom), multiplier, divisor);
  Font().SetHeight(MulDiv(Font().Height(), multiplier, divisor));
  ScaleChildren(multiplier, divisor);
  SetClientSize(width, height);
}

void TForm::PlaceForShow() {
  if (placed_) return;
  placed_ = true;
  if (position_ == TPosition::poDesigned) return;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (position_ == TPosition::poDesktopCenter)
    area = RECT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  SetBounds(area.left + (area.right - area.left - width_) / 2,
            area.top + (area.bottom - area.top - height_) / 2, width_, height_);
}

void TForm::VisibleChanged() {
  if (destroying_) return;
  if (Visible()) {
    PlaceForShow();
    ShowWindow(Handle(), activate_on_show_ ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE);
  } else if (HandleAllocated()) {
    ShowWindow(Handle(), SW_HIDE);
  }
}

void TForm::Resized() {
  if (OnResize) OnResize(this);
}

void TForm::PaintWindow(HDC dc) {
  if (!OnPaint) return;
  paint_dc_ = dc;
  struct Done {
    HDC& dc;
    ~Done() { dc = nullptr; }
  } done{paint_dc_};
  OnPaint(this);
}


int TForm::ShowModal() {
  if (in_modal_ || Visible()) throw EError("Cannot make a visible window modal");
  HWND wnd = Handle();
  std::optional<TaskWindowsDisabled> others(std::in_place, wnd);
  in_modal_ = true;
  modal_result_ = mrNone;
  struct ModalFlag {
    bool& flag;
    ~ModalFlag() { flag = false; }
  } modal_flag{in_modal_};
  Show();
  SetForegroundWindow(wnd);
  // A dialog starts with the focus on its first control, unless its show handler chose one.
  HWND focus = GetFocus();
  if (dialog_keys_ && (!focus || focus == wnd || !IsChild(wnd, focus)))
    if (HWND first = GetNextDlgTabItem(wnd, nullptr, FALSE)) ::SetFocus(first);
  MSG msg;
  while (true) {
    if (modal_result_ != mrNone) {
      if (OnClose) OnClose(this);
      break;
    }
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      PostQuitMessage(0);  // hand the quit on to the outer loop
      modal_result_ = mrCancel;
      break;
    }
    Application->DispatchOne(msg);
  }
  in_modal_ = false;
  // The others come back first, so the activation goes to them and not to another program.
  others.reset();
  Hide();
  return modal_result_;
}

void TForm::Close() {
  if (in_modal_) {
    modal_result_ = mrCancel;
    return;
  }
  if (OnClose) OnClose(this);
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  Hide();
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SHOWWINDOW:
      if (wp && OnShow) OnShow(this);
      if (!wp && OnHide) OnHide(this);
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && OnActivate) OnActivate(this);
      if (LOWORD(wp) == WA_INACTIVE && OnDeactivate) OnDeactivate(this);
      break;
    case WM_MOUSEWHEEL: {
      wheel_accumulator_ += GET_WHEEL_DELTA_WPARAM(wp);
      while (std::abs(wheel_accumulator_) >= WHEEL_DELTA) {
        if (wheel_accumulator_ > 0) {
          wheel_accumulator_ -= WHEEL_DELTA;
          if (OnMouseWheelUp) OnMouseWheelUp(this);
        } else {
          wheel_accumulator_ += WHEEL_DELTA;
          if (OnMouseWheelDown) OnMouseWheelDown(this);
        }
      }
      return 0;
    }
    case WM_LBUTTONUP:
      return DefaultHandler(msg, wp, lp);
    case WM_DPICHANGED: {
      // Moved to a display of another scale: the controls follow, and the form takes the
      // place the system proposes for it.
      ScaleForDpi(LOWORD(wp));
      const RECT& r = *reinterpret_cast<const RECT*>(lp);
      SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      return 0;
    }
    default:
      break;
  }
  return TWinControl::WndProc(msg, wp, lp);
}
