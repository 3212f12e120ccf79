#pragma once
// What the toolkit tests share: the one application object of a test program, bounded waits
// that keep messages flowing, forms made for one test, the errors the application reports,
// and reading back what is on the screen.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace tktest {

// The application object lives as long as the test program, as it does in the program.
// Register it once per test program:
//   const auto* kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    app_ = std::make_unique<TApplication>();
    app_->SetTitle("Toolkit Test");
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<TApplication> app_;
};

// How long a test waits for something that should happen: long, so that a loaded machine
// does not fail a test; a wait that succeeds ends as soon as the condition holds.
constexpr DWORD kPatience = 10000;

// Under Wine on X without a window manager, a window's activation comes back from the X server
// as a focus event a little later. When a second window has been activated meanwhile and both
// can still take the focus, the late events make the two windows take the focus from each
// other for ever, inside the message functions (nothing returns). Tests therefore never leave
// two visible, enabled windows that were activated one right after the other: the earlier
// one is hidden, disabled or destroyed before messages run again ("focus note").

// Lets messages run until `done` holds or `timeout_ms` has passed; true when it held.
inline bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    Application->ProcessMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 15));
    MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

// Lets messages run for a while; for checking that something does NOT happen.
inline void PumpFor(DWORD ms) {
  WaitFor([] { return false; }, ms);
}

// A form owned by nobody: the test deletes it, and it never becomes the main form (closing
// the main form would end the test program's message handling).
template <class F = TForm, class... Args>
std::unique_ptr<F> NewForm(Args&&... args) {
  return std::unique_ptr<F>(CreateForm<F>(nullptr, std::forward<Args>(args)...));
}

// Collects what the program-wide error report is given while it exists.
class ReportedErrors {
 public:
  ReportedErrors() {
    Application->OnException = [this](const std::string& text) { texts.push_back(text); };
  }
  ~ReportedErrors() { Application->OnException = nullptr; }
  ReportedErrors(const ReportedErrors&) = delete;
  ReportedErrors& operator=(const ReportedErrors&) = delete;

  std::vector<std::string> texts;
};

// The colour on the screen at a point (what the display shows now).
inline COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

// The screen point of a point in a window's client area.
inline POINT ClientToScreenPoint(HWND wnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(wnd, &p);
  return p;
}

// Visible top-level windows of this thread with the given class.
inline std::vector<HWND> ThreadWindowsOfClass(const char* class_name) {
  struct Search {
    const char* name;
    std::vector<HWND> found;
  } search{class_name, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND wnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        char name[64] = {};
        GetClassNameA(wnd, name, sizeof(name));
        if (lstrcmpiA(name, s->name) == 0 && IsWindowVisible(wnd)) s->found.push_back(wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace tktest
