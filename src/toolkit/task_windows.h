#pragma once
// While a modal window runs, every other visible window of the program is disabled; this
// guard does that and enables them again (and gives the activation back) when it goes.

#include <windows.h>

#include <vector>

class TaskWindowsDisabled {
 public:
  // `keep` stays enabled (the modal window itself; may be null).
  explicit TaskWindowsDisabled(HWND keep);
  ~TaskWindowsDisabled();
  TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
  TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

 private:
  HWND keep_;
  HWND active_;
  std::vector<HWND> windows_;
  static BOOL CALLBACK DisableOne(HWND wnd, LPARAM lp);
};

// A dialog opened by a hotkey while another program was in front gives that program's window
// the foreground back when it closes, so the user types on where they were.
class ForegroundReturn {
 public:
  ForegroundReturn();
  ~ForegroundReturn();
  ForegroundReturn(const ForegroundReturn&) = delete;
  ForegroundReturn& operator=(const ForegroundReturn&) = delete;

 private:
  HWND other_ = nullptr;  // another process's window that was in front, or null
};
