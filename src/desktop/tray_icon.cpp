#include "desktop/tray_icon.h"

#include <cstring>

#include "toolkit/application.h"
#include "toolkit/errors.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"

TRxTrayIcon::TRxTrayIcon(TComponent* owner) : TComponent(owner) {
  // Sent to every top-level window when the shell's taskbar has been (re-)created.
  taskbar_created_ = RegisterWindowMessageA("TaskbarCreated");
  // A top-level window: it hears broadcasts and can take the foreground before the menu opens.
  window_ = std::make_unique<TMessageWindow>(
      [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        return HandleMessage(msg, wp, lp, result);
      },
      TMessageWindow::Kind::TopLevel);
  notify_window_ = window_->Handle();
  // Let the shell's broadcast through even when this process runs with higher rights.
  if (notify_window_ && taskbar_created_)
    ChangeWindowMessageFilterEx(notify_window_, taskbar_created_, MSGFLT_ALLOW, nullptr);
  data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data_.hWnd = notify_window_;
  data_.uID = 0;
  icon_.OnChange = [this] { RefreshIcon(); };
}

TRxTrayIcon::~TRxTrayIcon() {
  enabled_ = false;
  icon_.OnChange = nullptr;
  HideIcon();
  if (popup_menu_ && popup_menu_->PopupComponent == this) popup_menu_->PopupComponent = nullptr;
  window_.reset();
  notify_window_ = nullptr;
}

void TRxTrayIcon::LoadingFinished() {
  TComponent::LoadingFinished();
  if (active_) ShowIcon();
}

void TRxTrayIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

void TRxTrayIcon::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active_)
    ShowIcon();
  else
    HideIcon();
}

void TRxTrayIcon::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  RefreshIcon();
}

std::string TRxTrayIcon::ShortHint() const {
  std::string tip = hint_.substr(0, hint_.find('|'));
  if (tip.size() > kMaxTipLength) tip.resize(kMaxTipLength);
  return tip;
}

void TRxTrayIcon::SetPopupMenu(TPopupMenu* menu) {
  if (menu == popup_menu_) return;
  if (popup_menu_) RemoveFreeNotification(popup_menu_);
  popup_menu_ = menu;
  if (popup_menu_) FreeNotification(popup_menu_);
}

void TRxTrayIcon::FillNotifyData() {
  data_ = NOTIFYICONDATAA{};
  data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data_.hWnd = notify_window_;
  data_.uID = 0;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kCallbackMessage;
  data_.hIcon = icon_.Handle();
  std::string tip = ShortHint();
  std::memcpy(data_.szTip, tip.data(), tip.size());  // at most 63 characters, then zeros
}

bool TRxTrayIcon::NotifyShell(DWORD message, NOTIFYICONDATAA& data) {
  return Shell_NotifyIconA(message, &data) != FALSE;
}

void TRxTrayIcon::ShowIcon() {
  HideIcon();
  if (icon_.Empty()) return;
  left_pressed_ = false;
  right_pressed_ = false;
  FillNotifyData();
  shown_ = NotifyShell(NIM_ADD, data_);
  // Without a tooltip the same record goes to the shell once more, as a modification.
  if (shown_ && data_.szTip[0] == '\0') NotifyShell(NIM_MODIFY, data_);
}

void TRxTrayIcon::HideIcon() {
  NotifyShell(NIM_DELETE, data_);
  shown_ = false;
  left_pressed_ = false;
  right_pressed_ = false;
}

void TRxTrayIcon::RefreshIcon() {
  if (shown_) {
    if (icon_.Empty()) {
      HideIcon();
    } else {
      FillNotifyData();
      NotifyShell(NIM_MODIFY, data_);
    }
  } else if (active_) {
    ShowIcon();
  }
}

bool TRxTrayIcon::HandleMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
  if (msg == kCallbackMessage) {
    if (!enabled_) return false;
    try {
      // With this record version lParam is the mouse message itself, all 32 bits of it.
      MouseNotification(static_cast<UINT>(lp));
    } catch (const std::exception& e) {
      if (Application) Application->HandleException(e);
    } catch (...) {
      if (Application) Application->HandleException(EError("Unknown error"));
    }
    result = 0;
    return true;
  }
  if (taskbar_created_ != 0 && msg == taskbar_created_) {
    // A new taskbar holds none of the old icons.
    if (active_) ShowIcon();
    return false;
  }
  return false;
}

void TRxTrayIcon::MouseNotification(UINT mouse_message) {
  POINT pt{};
  GetCursorPos(&pt);
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift += ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift += ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift += ssAlt;
  const int x = pt.x;
  const int y = pt.y;
  switch (mouse_message) {
    case WM_MOUSEMOVE:
      DoMouseMove(shift, x, y);
      break;
    case WM_LBUTTONDOWN:
      DoMouseDown(mbLeft, shift + ssLeft, x, y);
      left_pressed_ = true;
      break;
    case WM_LBUTTONUP:
      if (left_pressed_) {
        left_pressed_ = false;
        DoClick(mbLeft, shift + ssLeft, x, y);
      }
      DoMouseUp(mbLeft, shift + ssLeft, x, y);
      break;
    case WM_LBUTTONDBLCLK:
      DoDblClick();
      DoMouseDown(mbLeft, shift + ssDouble, x, y);
      break;
    case WM_RBUTTONDOWN:
      DoMouseDown(mbRight, shift + ssRight, x, y);
      right_pressed_ = true;
      break;
    case WM_RBUTTONUP:
      if (right_pressed_) {
        right_pressed_ = false;
        DoClick(mbRight, shift + ssRight, x, y);
      }
      DoMouseUp(mbRight, shift + ssRight, x, y);
      break;
    case WM_RBUTTONDBLCLK:
      DoMouseDown(mbRight, shift + ssDouble, x, y);
      break;
    case WM_MBUTTONDOWN:
      DoMouseDown(mbMiddle, shift + ssMiddle, x, y);
      break;
    case WM_MBUTTONUP:
      DoMouseUp(mbMiddle, shift + ssMiddle, x, y);
      break;
    case WM_MBUTTONDBLCLK:
      DoMouseDown(mbMiddle, shift + ssDouble, x, y);
      break;
    default:
      break;
  }
}

void TRxTrayIcon::DoDblClick() {
  if (ClickDefaultItem()) return;
  if (OnDblClick) OnDblClick(this);
}

void TRxTrayIcon::DoClick(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbRight && ShowPopupMenu(x, y)) return;
  if (OnClick) OnClick(this, button, shift, x, y);
}

void TRxTrayIcon::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TRxTrayIcon::DoMouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TRxTrayIcon::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TRxTrayIcon::BringToForeground() {
  if (notify_window_ && IsWindowEnabled(notify_window_)) SetForegroundWindow(notify_window_);
}

bool TRxTrayIcon::ShowPopupMenu(int x, int y) {
  if (!active_ || !popup_menu_ || !popup_menu_->AutoPopup()) return false;
  popup_menu_->PopupComponent = this;
  // End any capture or drag in the program before the menu takes the mouse.
  TForm* form = dynamic_cast<TForm*>(TWinControl::FindControl(GetActiveWindow()));
  if (!form && Application) form = Application->MainForm();
  if (form && form->HandleAllocated()) SendMessageA(form->Handle(), WM_CANCELMODE, 0, 0);
  // The menu closes when the user clicks elsewhere only if its owner is in the foreground.
  BringToForeground();
  if (Application) Application->ProcessMessages();
  try {
    // The messages just handled may have freed the menu.
    if (popup_menu_) popup_menu_->Popup(x, y, notify_window_);
  } catch (...) {
    BringToForeground();
    throw;
  }
  BringToForeground();
  return true;
}

bool TRxTrayIcon::ClickDefaultItem() {
  if (!active_ || !popup_menu_ || popup_menu_->Items().empty()) return false;
  for (TMenuItem* item : popup_menu_->Items()) {
    if (item->Default() && item->Enabled()) {
      item->Click();
      return true;
    }
  }
  return false;
}
