#pragma once
// A timer component: raises OnTimer every Interval milliseconds while enabled. Enabling a
// timer that already runs does not restart it; an interval of 0 stops it.

#include "toolkit/component.h"
#include "toolkit/message_window.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  void SetOnTimer(TNotifyEvent handler);

  // True while the platform timer is set.
  bool Running() const { return running_; }

 private:
  void UpdateTimer();

  bool enabled_ = true;
  unsigned interval_ = 1000;
  bool running_ = false;
  TNotifyEvent on_timer_;
  TMessageWindow window_;
};
