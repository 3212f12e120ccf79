#pragma once
// A system-wide key combination bound to an event. Each component holds at most one
// registration, identifier 0, on a never-visible window of its own, so several components can
// all use identifier 0. A combination the system refuses (taken by another program or another
// component) is simply not there until the next ChangeKey or the next Enabled = true.

#include <windows.h>

#include "settings/shortcut.h"
#include "toolkit/component.h"
#include "toolkit/message_window.h"

class TfisHotKey : public TComponent {
 public:
  explicit TfisHotKey(TComponent* owner);
  ~TfisHotKey() override;

  // Whether the combination should be registered; writing registers (true) or releases (false)
  // at once. Writing true while registered makes no call.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // The combination. Writing only stores it; ChangeKey rebinds.
  TShortCut Key() const { return key_; }
  void SetKey(TShortCut key) { key_ = key; }

  // Releases the current registration, stores `key` and registers it (whatever Enabled says).
  void ChangeKey(TShortCut key);

  // Raised on every WM_HOTKEY that reaches the component's window; the sender is the component.
  TNotifyEvent OnHotKey;

  // True while the system holds a registration made by this component.
  bool Registered() const { return registered_; }
  // The component's window, or nullptr before the first registration made it.
  HWND WindowHandle() { return window_.HandleAllocated() ? window_.Handle() : nullptr; }

 protected:
  void LoadingFinished() override;

 private:
  void RegisterKey();
  void UnregisterKey();
  bool FilterMessage(UINT msg);

  bool enabled_ = true;
  TShortCut key_ = 0;
  bool registered_ = false;
  TMessageWindow window_;
};
