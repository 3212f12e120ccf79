#pragma once
// Shared pieces of the desktop component tests: one application object per test program and
// a bounded message pump.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/application.h"

// Creates the application object before the first test and destroys it after the last.
// Register it once per program: ::testing::AddGlobalTestEnvironment(new DesktopAppEnvironment).
// Errors that reach the program-wide report are collected in Reported() instead of a message box.
class DesktopAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

  static std::vector<std::string>& Reported();

 private:
  std::unique_ptr<TApplication> app_;
};

// Dispatches this thread's messages until `done` is true or `timeout_ms` has passed; returns
// the last value of `done`. Sleeps only while waiting for the next message.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms);

// Dispatches every message already waiting in this thread's queue.
void PumpPending();
