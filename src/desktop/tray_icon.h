#pragma once
// TRxTrayIcon: one icon in the notification area. A right click shows the popup menu, and
// the shell's mouse notifications for the icon become events (positions in screen
// coordinates). The icon comes back by itself when the shell's taskbar is re-created.

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "desktop/icon.h"
#include "toolkit/component.h"
#include "toolkit/message_window.h"
#include "toolkit/mouse_event.h"

class TPopupMenu;

class TRxTrayIcon : public TComponent {
 public:
  // The message the shell sends to the notification window for the icon's mouse events.
  static constexpr UINT kCallbackMessage = 0xB054;
  // The longest tooltip the shell shows, without the final zero.
  static constexpr size_t kMaxTipLength = 63;

  explicit TRxTrayIcon(TComponent* owner);
  ~TRxTrayIcon() override;

  bool Active() const { return active_; }
  void SetActive(bool active);
  // Whether mouse notifications become events.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  // The tooltip the shell shows: Hint before its first "|", at most kMaxTipLength characters.
  std::string ShortHint() const;
  // The icon shown; every change of its content reaches the shell at once.
  TIcon& Icon() { return icon_; }
  void SetIcon(const TIcon& icon) { icon_.Assign(icon); }
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* menu);

  // The window that receives the shell's notifications for the icon.
  HWND NotifyWindow() const { return notify_window_; }

  void ShowIcon();
  void HideIcon();
  void RefreshIcon();

  TMouseEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

 protected:
  void LoadingFinished() override;
  void Notification(TComponent* component, TOperation operation) override;

  // Fills the notification record from the notification window, the icon and the short hint.
  virtual void FillNotifyData();
  // Hands one request to the shell; true when the shell accepted it.
  virtual bool NotifyShell(DWORD message, NOTIFYICONDATAA& data);

  virtual void DoDblClick();
  virtual void DoClick(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DoMouseMove(TShiftState shift, int x, int y);
  virtual void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y);

  // Shows PopupMenu at (x, y) if the icon is active and the menu pops up by itself; returns
  // whether it was shown.
  bool ShowPopupMenu(int x, int y);
  // Clicks the menu's first enabled default item; returns whether one was clicked.
  bool ClickDefaultItem();

 private:
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  void MouseNotification(UINT mouse_message);
  void BringToForeground();

  std::unique_ptr<TMessageWindow> window_;
  HWND notify_window_ = nullptr;
  UINT taskbar_created_ = 0;
  NOTIFYICONDATAA data_{};
  TIcon icon_;
  std::string hint_;
  TPopupMenu* popup_menu_ = nullptr;
  bool active_ = true;
  bool enabled_ = true;
  bool shown_ = false;
  bool left_pressed_ = false;
  bool right_pressed_ = false;
};
