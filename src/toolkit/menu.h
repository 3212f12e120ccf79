#pragma once
// Popup menus: items with a caption ("-" is a separator), a check mark, a default mark, an
// optional picture and a click handler.

#include <windows.h>

#include <vector>

#include "toolkit/component.h"
#include "toolkit/handles.h"

class TPopupMenu;

class TMenuItem : public TComponent {
 public:
  TMenuItem(TPopupMenu* menu, const std::string& caption);

  const std::string& Caption() const { return caption_; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked) { checked_ = checked; }
  bool Default() const { return default_; }
  void SetDefault(bool on) { default_ = on; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }
  bool IsSeparator() const { return caption_ == "-"; }
  // A picture shown beside the caption; the item keeps it.
  void SetBitmap(HBITMAP bitmap) { bitmap_.reset(bitmap); }
  HBITMAP Bitmap() const { return bitmap_.get(); }

  // Runs the item's click handling at once.
  void Click();

  TNotifyEvent OnClick;

 private:
  std::string caption_;
  bool checked_ = false;
  bool default_ = false;
  bool enabled_ = true;
  UniqueBitmap bitmap_;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);

  const std::vector<TMenuItem*>& Items() const { return items_; }
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool on) { auto_popup_ = on; }

  // The component that showed the menu last (the tray icon, for example).
  TComponent* PopupComponent = nullptr;

  // Shows the menu at a screen point and returns once it has closed; a chosen item's click
  // handling runs before Popup returns. `owner` receives the menu's messages.
  void Popup(int x, int y, HWND owner);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TMenuItem;
  std::vector<TMenuItem*> items_;
  bool auto_popup_ = true;
};
