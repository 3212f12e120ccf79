#include "toolkit/task_windows.h"

TaskWindowsDisabled::TaskWindowsDisabled(HWND keep) : keep_(keep), active_(GetActiveWindow()) {
  EnumThreadWindows(GetCurrentThreadId(), &TaskWindowsDisabled::DisableOne,
                    reinterpret_cast<LPARAM>(this));
}

TaskWindowsDisabled::~TaskWindowsDisabled() {
  for (HWND w : windows_)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  if (active_ && IsWindow(active_)) SetActiveWindow(active_);
}

BOOL CALLBACK TaskWindowsDisabled::DisableOne(HWND wnd, LPARAM lp) {
  auto* self = reinterpret_cast<TaskWindowsDisabled*>(lp);
  if (wnd != self->keep_ && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
    EnableWindow(wnd, FALSE);
    self->windows_.push_back(wnd);
  }
  return TRUE;
}

ForegroundReturn::ForegroundReturn() {
  HWND front = GetForegroundWindow();
  DWORD pid = 0;
  if (front && GetWindowThreadProcessId(front, &pid) && pid != GetCurrentProcessId())
    other_ = front;
}

ForegroundReturn::~ForegroundReturn() {
  if (other_ && IsWindow(other_) && IsWindowVisible(other_)) SetForegroundWindow(other_);
}
