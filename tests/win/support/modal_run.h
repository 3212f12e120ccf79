#pragma once
// Acting inside a form's modal run, and typing as a user does: the test's steps run from a
// timer once the form is up and active, and a watchdog ends a run the steps failed to end.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/timer.h"
#include "toolkit_test_support.h"

namespace modaltest {

// What ShowModal returned; kWatchdogResult when the watchdog had to end the run.
constexpr int kWatchdogResult = 0x7A7A;

// Runs `form` modally; `steps` run inside the modal loop once the form is visible and the
// foreground window, and are expected to end the run themselves (a click on OK, WM_CLOSE ...).
inline int RunModal(TForm& form, const std::function<void()>& steps, DWORD timeout_ms = 15000) {
  TTimer start(nullptr);
  TTimer watchdog(nullptr);
  bool started = false;
  start.SetInterval(10);
  start.SetOnTimer([&](TComponent*) {
    if (started || !form.HandleAllocated() || !IsWindowVisible(form.Handle()) ||
        GetForegroundWindow() != form.Handle())
      return;
    started = true;
    start.SetEnabled(false);
    steps();
  });
  watchdog.SetInterval(timeout_ms);
  watchdog.SetOnTimer([&](TComponent*) {
    watchdog.SetEnabled(false);
    ADD_FAILURE() << "the modal run did not end (steps started: " << started << ")";
    form.SetModalResult(kWatchdogResult);
  });
  return form.ShowModal();
}

// Presses the keys in order and releases them in reverse order, through the system's input.
inline void TypeChord(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  for (WORD vk : keys) add(vk, false);
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) add(*it, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Types a chord and lets messages run until `done` holds (bounded); true when it held.
inline bool TypeChordUntil(std::initializer_list<WORD> keys, const std::function<bool()>& done,
                           DWORD timeout_ms = 3000) {
  TypeChord(keys);
  return tktest::WaitFor(done, timeout_ms);
}

// Gives the focus to a control of the active form and waits until it has it.
inline bool FocusAndWait(HWND control) {
  SetFocus(control);
  return tktest::WaitFor([&] { return GetFocus() == control; }, 2000);
}

}  // namespace modaltest
