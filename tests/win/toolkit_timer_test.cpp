// Timers against the real message queue, and errors thrown inside message handlers: they are
// reported at the window procedure and the program goes on.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/errors.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"
#include "toolkit_test_support.h"

namespace {

using tktest::NewForm;
using tktest::PumpFor;
using tktest::ReportedErrors;
using tktest::WaitFor;

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

// True once a timer message waits in this thread's queue (without taking it out).
bool TimerMessagePending() { return (HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER) != 0; }

// Waits, without dispatching anything, until a timer message is due.
bool WaitForPendingTick(DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (!TimerMessagePending()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_TIMER, 0);
  }
  return true;
}

TEST(Timer, FiresAgainAndAgainWhileEnabled) {
  TTimer timer(nullptr);
  int ticks = 0;
  TComponent* sender = nullptr;
  timer.SetInterval(25);
  timer.SetOnTimer([&](TComponent* s) {
    ++ticks;
    sender = s;
  });
  EXPECT_TRUE(timer.Running());
  ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }, tktest::kPatience)) << ticks << " ticks";
  EXPECT_EQ(sender, &timer);

  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  const int stopped_at = ticks;
  PumpFor(250);
  EXPECT_EQ(ticks, stopped_at);

  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Running());
  ASSERT_TRUE(WaitFor([&] { return ticks >= stopped_at + 3; }, tktest::kPatience));
}

TEST(Timer, EnablingARunningTimerKeepsItsSchedule) {
  // Enabling again and again while the timer runs: a timer that restarted on each call would
  // never fire; one that keeps its schedule fires about one interval after it started.
  const unsigned interval = 1000;
  TTimer timer(nullptr);
  std::vector<ULONGLONG> tick_times;
  timer.SetInterval(interval);
  timer.SetOnTimer([&](TComponent*) { tick_times.push_back(GetTickCount64()); });
  const ULONGLONG started = GetTickCount64();
  ULONGLONG last_call = started;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (!tick_times.empty()) return true;
        timer.SetEnabled(true);
        last_call = GetTickCount64();
        return false;
      },
      interval * 4))
      << "no tick in " << interval * 4 << " ms of enabling a running timer";
  EXPECT_LT(tick_times[0] - last_call, interval)
      << "the tick came a full interval after the last enabling";
  EXPECT_GE(tick_times[0] - started + 50, interval) << "a tick came before its interval";

  // Setting the interval it already has does not restart it either.
  ASSERT_TRUE(WaitFor(
      [&] {
        if (tick_times.size() > 1) return true;
        timer.SetInterval(interval);
        last_call = GetTickCount64();
        return false;
      },
      interval * 4))
      << "no tick in " << interval * 4 << " ms of setting the same interval";
  EXPECT_LT(tick_times[1] - last_call, interval);
}

TEST(Timer, IntervalZeroStopsIt) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.SetOnTimer([&](TComponent*) { ++ticks; });
  ASSERT_TRUE(WaitFor([&] { return ticks >= 2; }, tktest::kPatience));
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
  EXPECT_TRUE(timer.Enabled());
  const int stopped_at = ticks;
  PumpFor(250);
  EXPECT_EQ(ticks, stopped_at);
  timer.SetInterval(20);
  EXPECT_TRUE(timer.Running());
  EXPECT_TRUE(WaitFor([&] { return ticks > stopped_at; }, tktest::kPatience));
}

TEST(Timer, WithoutAHandlerNothingRuns) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_FALSE(timer.Running());
  int ticks = 0;
  timer.SetInterval(20);
  EXPECT_FALSE(timer.Running());
  timer.SetOnTimer([&](TComponent*) { ++ticks; });
  EXPECT_TRUE(timer.Running());
  timer.SetOnTimer(nullptr);
  EXPECT_FALSE(timer.Running());
  PumpFor(150);
  EXPECT_EQ(ticks, 0);

  // Disabled before it gets a handler (as a timer waiting for its form's creation).
  TTimer waiting(nullptr);
  waiting.SetEnabled(false);
  waiting.SetInterval(20);
  waiting.SetOnTimer([&](TComponent*) { ++ticks; });
  EXPECT_FALSE(waiting.Running());
  PumpFor(150);
  EXPECT_EQ(ticks, 0);
  waiting.SetEnabled(true);
  EXPECT_TRUE(WaitFor([&] { return ticks > 0; }, tktest::kPatience));
}

TEST(Timer, ATickAlreadyDueIsNotDeliveredAfterStopping) {
  int ticks = 0;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetOnTimer([&](TComponent*) { ++ticks; });
  ASSERT_TRUE(WaitForPendingTick(tktest::kPatience));
  timer.SetEnabled(false);
  PumpFor(100);
  EXPECT_EQ(ticks, 0) << "a stopped timer's handler ran";

  timer.SetEnabled(true);
  ASSERT_TRUE(WaitForPendingTick(tktest::kPatience));
  timer.SetInterval(0);
  PumpFor(100);
  EXPECT_EQ(ticks, 0) << "a timer with interval 0 ran its handler";
}

TEST(Timer, ADestroyedTimerCallsNothing) {
  int ticks = 0;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* timer = new TTimer(owner.get());
  timer->SetInterval(10);
  timer->SetOnTimer([&](TComponent*) { ++ticks; });
  ASSERT_TRUE(WaitFor([&] { return ticks >= 1; }, tktest::kPatience));
  ASSERT_TRUE(WaitForPendingTick(tktest::kPatience));
  const int before = ticks;
  owner.reset();  // destroys the timer with its owner
  PumpFor(100);
  EXPECT_EQ(ticks, before);
}

// ---- Errors inside message handlers -------------------------------------------------------

TEST(HandlerErrors, AFailingTickIsReportedAndTheNextTickStillComes) {
  ReportedErrors errors;
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.SetOnTimer([&](TComponent*) {
    ++ticks;
    throw EClipboardException("Cannot open clipboard");
  });
  ASSERT_TRUE(WaitFor([&] { return ticks >= 3; }, tktest::kPatience))
      << "ticks stopped after a failure";
  EXPECT_TRUE(timer.Running());
  ASSERT_GE(errors.texts.size(), 3u);
  EXPECT_EQ(errors.texts.size(), static_cast<size_t>(ticks));
  for (const std::string& text : errors.texts) EXPECT_EQ(text, "Cannot open clipboard.");
}

TEST(HandlerErrors, AFailingFormHandlerIsReportedAtTheWindowProcedure) {
  ReportedErrors errors;
  auto form = NewForm();
  form->SetBorderStyle(TBorderStyle::bsNone);
  form->SetBounds(100, 100, 200, 100);
  form->Show();
  form->OnResize = [](TComponent*) { throw EOutOfResources("Out of system resources"); };
  int notches = 0;
  form->OnMouseWheelUp = [&](TComponent*) {
    ++notches;
    throw EError("Wheel refused");
  };

  EXPECT_NO_THROW(form->SetBounds(100, 100, 260, 120));
  EXPECT_EQ(form->Width(), 260);
  RECT r{};
  GetClientRect(form->Handle(), &r);
  EXPECT_EQ(r.right, 260);
  ASSERT_EQ(errors.texts, std::vector<std::string>{"Out of system resources."});

  // Sent and posted messages alike; the queue keeps moving after each failure.
  LRESULT sent = 1;
  EXPECT_NO_THROW(sent =
                      SendMessageA(form->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0));
  EXPECT_EQ(sent, 0);
  PostMessageA(form->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  PostMessageA(form->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  ASSERT_TRUE(WaitFor([&] { return notches == 3; }, tktest::kPatience));
  EXPECT_EQ(errors.texts, (std::vector<std::string>{"Out of system resources.", "Wheel refused.",
                                                    "Wheel refused.", "Wheel refused."}));

  // And the program goes on: a timer still ticks.
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.SetOnTimer([&](TComponent*) { ++ticks; });
  EXPECT_TRUE(WaitFor([&] { return ticks >= 2; }, tktest::kPatience));
}

TEST(HandlerErrors, AnErrorOfNoKnownKindIsStillReported) {
  ReportedErrors errors;
  TTimer timer(nullptr);
  bool thrown = false;
  timer.SetInterval(20);
  timer.SetOnTimer([&](TComponent*) {
    if (thrown) return;
    thrown = true;
    throw 42;
  });
  ASSERT_TRUE(WaitFor([&] { return !errors.texts.empty(); }, tktest::kPatience));
  PumpFor(60);  // a few more ticks: the failure is reported once
  EXPECT_EQ(errors.texts, std::vector<std::string>{"Unknown error."});
}

TEST(HandlerErrors, WithoutAnApplicationObjectAFailureStopsAtTheWindowProcedure) {
  // Before the application object exists or after it has gone, a failing component handler
  // still must not take the program down.
  struct Detached {
    TApplication* saved = Application;
    Detached() { Application = nullptr; }
    ~Detached() { Application = saved; }
  };
  // The application's report is watched throughout: a failure while it is away must not reach
  // it, then or later.
  ReportedErrors errors;
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.SetOnTimer([&](TComponent*) {
    ++ticks;
    throw EError("Nobody to tell");
  });
  {
    Detached detached;
    const ULONGLONG deadline = GetTickCount64() + tktest::kPatience;
    MSG msg;
    while (ticks < 2 && GetTickCount64() < deadline) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      MsgWaitForMultipleObjectsEx(0, nullptr, 15, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    EXPECT_GE(ticks, 2);
    timer.SetOnTimer([&](TComponent*) { ++ticks; });  // no more failures once it is back
  }
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.size() << " errors reported, the first: \""
                                    << (errors.texts.empty() ? "" : errors.texts[0]) << "\"";
  // And the timer that failed goes on ticking.
  EXPECT_TRUE(timer.Running());
  const int before = ticks;
  EXPECT_TRUE(WaitFor([&] { return ticks >= before + 2; }, tktest::kPatience)) << "the timer stopped";
  EXPECT_TRUE(errors.texts.empty());
}

}  // namespace
