#include "support/desktop_support.h"

std::vector<std::string>& DesktopAppEnvironment::Reported() {
  static std::vector<std::string> reported;
  return reported;
}

void DesktopAppEnvironment::SetUp() {
  app_ = std::make_unique<TApplication>();
  app_->SetTitle("Lumeview");
  app_->OnException = [](const std::string& text) { Reported().push_back(text); };
}

void DesktopAppEnvironment::TearDown() { app_.reset(); }

void PumpPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    PumpPending();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return done();
    // Wakes for any new message, or at the deadline.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}
