#pragma once
// A hidden window that exists only to receive messages for a non-visual component (a timer,
// a hotkey, the tray icon). Message-only unless a top-level window is asked for (the tray
// icon's window must be able to take the foreground before its menu opens).

#include <windows.h>

#include <functional>

#include "toolkit/handles.h"

class TMessageWindow {
 public:
  // Returns true when the message was handled; `result` is then the window procedure's result.
  using Handler = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;

  enum class Kind { MessageOnly, TopLevel, DesktopChild };

  explicit TMessageWindow(Handler handler, Kind kind = Kind::MessageOnly);
  ~TMessageWindow();
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;

  // The window, made at the first call.
  HWND Handle();
  bool HandleAllocated() const { return static_cast<bool>(wnd_); }

 private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

  Handler handler_;
  Kind kind_;
  UniqueWindow wnd_;
};
