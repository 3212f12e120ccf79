#include "toolkit/timer.h"

TTimer::TTimer(TComponent* owner)
    : TComponent(owner),
      window_([this](UINT msg, WPARAM, LPARAM, LRESULT& result) {
        if (msg != WM_TIMER) return false;
        if (on_timer_) on_timer_(this);
        result = 0;
        return true;
      }) {}

TTimer::~TTimer() {
  if (running_) KillTimer(window_.Handle(), 1);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  on_timer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (running_) KillTimer(window_.Handle(), 1);
  running_ = false;
  if (enabled_ && interval_ != 0 && on_timer_)
    running_ = SetTimer(window_.Handle(), 1, interval_, nullptr) != 0;
}
