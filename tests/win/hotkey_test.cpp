// TfisHotKey against the real system-wide hotkey table: what it holds, what it gives back,
// and how a press reaches OnHotKey.

#include "desktop/hotkey.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/desktop_support.h"
#include "shared/start_process.h"

namespace {

const ::testing::Environment* const kAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new DesktopAppEnvironment);

// Combinations nothing else on a test desktop uses.
constexpr TShortCut kPressed = scCtrl | scAlt | VK_F11;  // the one pressed with SendInput
constexpr TShortCut kComboB = scCtrl | scAlt | scShift | VK_F9;
constexpr TShortCut kComboC = scCtrl | scShift | VK_F8;
constexpr TShortCut kComboD = scAlt | scShift | VK_F7;

const char kProbeVariable[] = "LUMEVIEW_HOTKEY_PROBE";

// Whether a thread of its own (and so a registration of no window of ours) can register the
// combination right now; a registration it gets is given back at once.
bool ThreadCanRegister(TShortCut code) {
  bool ok = false;
  std::thread probe([&] {
    const DecodedShortCut d = DecodeShortCut(code);
    ok = RegisterHotKey(nullptr, 7, HotKeyModifiers(code), d.vk) != FALSE;
    if (ok) UnregisterHotKey(nullptr, 7);
  });
  probe.join();
  return ok;
}

// Whether another process can register the combination right now: this test program run again
// with only the probe below. Empty when the probe did not run to its answer.
std::optional<bool> OtherProcessCanRegister(TShortCut code) {
  char path[MAX_PATH];
  if (!GetModuleFileNameA(nullptr, path, MAX_PATH)) return std::nullopt;
  std::string command = std::string("\"") + path +
                        "\" --gtest_also_run_disabled_tests"
                        " --gtest_filter=HotKeyProbe.DISABLED_RegisterFromEnvironment";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  UniqueFile nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = nul.get();
  PROCESS_INFORMATION pi{};
  SetEnvironmentVariableA(kProbeVariable, std::to_string(code).c_str());
  const BOOL started =
      StartProcess(nullptr, command.data(), TRUE, CREATE_NO_WINDOW, nullptr, &si, &pi);
  SetEnvironmentVariableA(kProbeVariable, nullptr);
  if (!started) return std::nullopt;
  UniqueFile process(pi.hProcess), thread(pi.hThread);
  if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 99);
    return std::nullopt;
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(pi.hProcess, &exit_code);
  if (exit_code == 10) return true;
  if (exit_code == 11) return false;
  return std::nullopt;
}

// Presses and releases the combination as the keyboard would.
void Press(TShortCut code) {
  const DecodedShortCut d = DecodeShortCut(code);
  std::vector<WORD> keys;
  if (d.ctrl) keys.push_back(VK_CONTROL);
  if (d.alt) keys.push_back(VK_MENU);
  if (d.shift) keys.push_back(VK_SHIFT);
  keys.push_back(d.vk);
  std::vector<INPUT> inputs;
  for (WORD vk : keys) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    inputs.push_back(in);
  }
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *it;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
            inputs.size());
}

// Counts the presses a component reports and remembers who sent them.
struct PressLog {
  int count = 0;
  TComponent* sender = nullptr;
  TNotifyEvent Handler() {
    return [this](TComponent* s) {
      ++count;
      sender = s;
    };
  }
};

class HotKeyTest : public ::testing::Test {
 protected:
  // A component as a form holds it: owned, its design assigned, then loaded.
  TfisHotKey* Make(TShortCut key, bool enabled = true) {
    auto* hk = new TfisHotKey(&owner_);
    hk->SetKey(key);
    hk->SetEnabled(enabled);
    return hk;
  }
  void TearDown() override { DesktopAppEnvironment::Reported().clear(); }

  TComponent owner_{nullptr};
};

TEST_F(HotKeyTest, HoldsItsCombinationFromLoadingUntilDestroyed) {
  ASSERT_TRUE(ThreadCanRegister(kComboB));
  auto* hk = new TfisHotKey(&owner_);
  EXPECT_TRUE(hk->Enabled());
  EXPECT_EQ(hk->Key(), 0);
  EXPECT_FALSE(hk->Registered());
  EXPECT_EQ(hk->WindowHandle(), nullptr);  // made at the first registration

  hk->SetKey(kComboB);  // writing Key only stores it
  EXPECT_FALSE(hk->Registered());
  EXPECT_TRUE(ThreadCanRegister(kComboB));

  owner_.FinishLoading();
  ASSERT_TRUE(hk->Registered());
  EXPECT_FALSE(ThreadCanRegister(kComboB));
  EXPECT_EQ(OtherProcessCanRegister(kComboB), std::optional<bool>(false));

  HWND wnd = hk->WindowHandle();
  ASSERT_TRUE(IsWindow(wnd));
  EXPECT_FALSE(IsWindowVisible(wnd));
  RECT r;
  GetWindowRect(wnd, &r);
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(r.bottom - r.top, 0);

  delete hk;
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_TRUE(ThreadCanRegister(kComboB));
  EXPECT_EQ(OtherProcessCanRegister(kComboB), std::optional<bool>(true));
}

TEST_F(HotKeyTest, DisabledAtLoadingRegistersNothing) {
  TfisHotKey* hk = Make(kComboB, false);
  owner_.FinishLoading();
  EXPECT_FALSE(hk->Registered());
  EXPECT_TRUE(ThreadCanRegister(kComboB));
  // ChangeKey registers whatever Enabled says.
  hk->ChangeKey(kComboB);
  EXPECT_TRUE(hk->Registered());
  EXPECT_FALSE(ThreadCanRegister(kComboB));
}

TEST_F(HotKeyTest, WritingKeyKeepsTheOldRegistrationUntilChangeKey) {
  TfisHotKey* hk = Make(kComboB);
  owner_.FinishLoading();
  ASSERT_TRUE(hk->Registered());
  hk->SetKey(kComboC);
  EXPECT_EQ(hk->Key(), kComboC);
  EXPECT_FALSE(ThreadCanRegister(kComboB));
  EXPECT_TRUE(ThreadCanRegister(kComboC));

  hk->ChangeKey(kComboD);
  EXPECT_EQ(hk->Key(), kComboD);
  EXPECT_TRUE(hk->Registered());
  EXPECT_TRUE(ThreadCanRegister(kComboB));
  EXPECT_FALSE(ThreadCanRegister(kComboD));
}

TEST_F(HotKeyTest, SecondComponentWithTheSameCodeStaysUnregisteredAndNeverFires) {
  TfisHotKey* first = Make(kPressed);
  TfisHotKey* second = Make(kPressed);
  PressLog first_log, second_log;
  first->OnHotKey = first_log.Handler();
  second->OnHotKey = second_log.Handler();
  owner_.FinishLoading();
  EXPECT_TRUE(first->Registered());
  EXPECT_FALSE(second->Registered());
  EXPECT_NE(second->WindowHandle(), nullptr);  // it tried, on its own window

  Press(kPressed);
  ASSERT_TRUE(PumpUntil([&] { return first_log.count > 0; }, 5000));
  PumpPending();
  EXPECT_EQ(first_log.count, 1);
  EXPECT_EQ(first_log.sender, first);
  EXPECT_EQ(second_log.count, 0);

  // The second does not retry on its own when the first lets go.
  delete first;
  EXPECT_FALSE(second->Registered());
  EXPECT_TRUE(ThreadCanRegister(kPressed));
  // ChangeKey to the code it already has makes it try again.
  second->ChangeKey(kPressed);
  EXPECT_TRUE(second->Registered());
  Press(kPressed);
  EXPECT_TRUE(PumpUntil([&] { return second_log.count > 0; }, 5000));
  EXPECT_EQ(second_log.sender, second);
}

TEST_F(HotKeyTest, SwappingCodesFailsForTheFirstComponentUntilItsNextChangeKey) {
  TfisHotKey* a = Make(0);
  TfisHotKey* b = Make(0);
  owner_.FinishLoading();
  a->ChangeKey(kComboB);
  b->ChangeKey(kComboC);
  ASSERT_TRUE(a->Registered());
  ASSERT_TRUE(b->Registered());

  a->ChangeKey(kComboC);  // still held by b
  EXPECT_FALSE(a->Registered());
  EXPECT_EQ(a->Key(), kComboC);
  EXPECT_TRUE(ThreadCanRegister(kComboB));  // a gave it up

  b->ChangeKey(kComboB);
  EXPECT_TRUE(b->Registered());
  EXPECT_FALSE(a->Registered());
  EXPECT_TRUE(ThreadCanRegister(kComboC));  // nobody holds it now
  EXPECT_FALSE(ThreadCanRegister(kComboB));

  a->ChangeKey(kComboC);
  EXPECT_TRUE(a->Registered());
  EXPECT_FALSE(ThreadCanRegister(kComboC));
}

TEST_F(HotKeyTest, ChangeKeyToTheHeldCodeReleasesAndRegistersAgain) {
  TfisHotKey* hk = Make(kComboB);
  owner_.FinishLoading();
  ASSERT_TRUE(hk->Registered());
  hk->ChangeKey(kComboB);
  EXPECT_TRUE(hk->Registered());
  EXPECT_FALSE(ThreadCanRegister(kComboB));
  EXPECT_EQ(OtherProcessCanRegister(kComboB), std::optional<bool>(false));
}

TEST_F(HotKeyTest, EnabledReleasesAndRegistersAtOnce) {
  TfisHotKey* hk = Make(kComboB);
  TfisHotKey* rival = Make(kComboB);
  owner_.FinishLoading();
  ASSERT_TRUE(hk->Registered());
  ASSERT_FALSE(rival->Registered());

  hk->SetEnabled(false);
  EXPECT_FALSE(hk->Enabled());
  EXPECT_FALSE(hk->Registered());
  EXPECT_TRUE(ThreadCanRegister(kComboB));
  hk->SetEnabled(false);  // releasing twice is harmless
  EXPECT_FALSE(hk->Registered());

  // Setting Enabled true again retries a refused registration.
  rival->SetEnabled(true);
  EXPECT_TRUE(rival->Registered());
  hk->SetEnabled(true);
  EXPECT_FALSE(hk->Registered());

  rival->SetEnabled(false);
  hk->SetEnabled(true);
  EXPECT_TRUE(hk->Registered());
  hk->SetEnabled(true);  // already held: stays held
  EXPECT_TRUE(hk->Registered());
  EXPECT_FALSE(ThreadCanRegister(kComboB));
}

TEST_F(HotKeyTest, EveryHotKeyMessageRaisesOnHotKeyWithTheComponentAsSender) {
  TfisHotKey* hk = Make(kComboB);
  PressLog log;
  hk->OnHotKey = log.Handler();
  owner_.FinishLoading();
  HWND wnd = hk->WindowHandle();
  ASSERT_NE(wnd, nullptr);

  // The parameters are not read: any identifier and key count.
  PostMessageA(wnd, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_F9));
  PostMessageA(wnd, WM_HOTKEY, 5, MAKELPARAM(0, 'Q'));
  ASSERT_TRUE(PumpUntil([&] { return log.count >= 2; }, 5000));
  EXPECT_EQ(log.count, 2);
  EXPECT_EQ(log.sender, hk);

  // Other messages go on to the window's own procedure.
  EXPECT_TRUE(SendMessageA(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("probe")));
  char text[16] = {};
  GetWindowTextA(wnd, text, sizeof(text));
  EXPECT_STREQ(text, "probe");
  EXPECT_EQ(log.count, 2);

  // Without a handler a hotkey message is simply passed on.
  hk->OnHotKey = nullptr;
  SendMessageA(wnd, WM_HOTKEY, 0, 0);
  EXPECT_EQ(log.count, 2);
}

TEST_F(HotKeyTest, AnErrorInTheHandlerGoesToTheErrorReport) {
  TfisHotKey* hk = Make(kComboB);
  hk->OnHotKey = [](TComponent*) { throw EError("Cannot open clipboard"); };
  owner_.FinishLoading();
  SendMessageA(hk->WindowHandle(), WM_HOTKEY, 0, 0);
  ASSERT_EQ(DesktopAppEnvironment::Reported().size(), 1u);
  EXPECT_EQ(DesktopAppEnvironment::Reported()[0], "Cannot open clipboard.");
}

TEST_F(HotKeyTest, RealPressIsHeardAndBitsEightToTwelveAreIgnored) {
  TfisHotKey* hk = Make(kPressed | 0x1F00);
  PressLog log;
  hk->OnHotKey = log.Handler();
  owner_.FinishLoading();
  ASSERT_TRUE(hk->Registered());
  EXPECT_FALSE(ThreadCanRegister(kPressed));  // exactly Ctrl+Alt+F11 is held

  Press(kPressed);
  ASSERT_TRUE(PumpUntil([&] { return log.count > 0; }, 5000));
  EXPECT_EQ(log.sender, hk);

  // A second press is heard again; no repeat suppression, no one-shot.
  Press(kPressed);
  EXPECT_TRUE(PumpUntil([&] { return log.count > 1; }, 5000));
}

TEST_F(HotKeyTest, PressDuringTheHandlersOwnMessageLoopIsHeardInsideIt) {
  TfisHotKey* hk = Make(kPressed);
  int calls = 0, depth = 0, deepest = 0;
  hk->OnHotKey = [&](TComponent*) {
    ++calls;
    ++depth;
    deepest = std::max(deepest, depth);
    if (calls == 1) {
      // As a dialog opened by the handler would: a message loop of its own.
      Press(kPressed);
      PumpUntil([&] { return calls > 1; }, 5000);
    }
    --depth;
  };
  owner_.FinishLoading();
  ASSERT_TRUE(hk->Registered());
  Press(kPressed);
  ASSERT_TRUE(PumpUntil([&] { return calls >= 2 && depth == 0; }, 10000));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(deepest, 2);
}

TEST_F(HotKeyTest, CodeZeroIsWhateverThePlatformSays) {
  // The platform's own answer for virtual key 0 without modifiers, on a window of the test.
  TMessageWindow probe_window([](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
  const bool platform_accepts = RegisterHotKey(probe_window.Handle(), 0, 0, 0) != FALSE;
  if (platform_accepts) UnregisterHotKey(probe_window.Handle(), 0);
  RecordProperty("platform_accepts_code_zero", platform_accepts ? "yes" : "no");

  TfisHotKey* hk = Make(0);
  owner_.FinishLoading();
  EXPECT_EQ(hk->Registered(), platform_accepts);
  // Seven components loading with code 0, as the magnifier's do: at most one holds it.
  TfisHotKey* other = Make(0);
  other->SetEnabled(true);
  EXPECT_FALSE(other->Registered() && hk->Registered());
  // Rebinding to a real code works from either state.
  hk->ChangeKey(kComboB);
  other->ChangeKey(kComboC);
  EXPECT_TRUE(hk->Registered());
  EXPECT_TRUE(other->Registered());
}

// Run in a separate process by OtherProcessCanRegister: exits 10 when the combination named
// by the environment could be registered, 11 when it could not.
TEST(HotKeyProbe, DISABLED_RegisterFromEnvironment) {
  const char* value = std::getenv(kProbeVariable);
  if (!value) ExitProcess(12);
  const auto code = static_cast<TShortCut>(std::strtoul(value, nullptr, 10));
  const DecodedShortCut d = DecodeShortCut(code);
  const bool ok = RegisterHotKey(nullptr, 1, HotKeyModifiers(code), d.vk) != FALSE;
  ExitProcess(ok ? 10 : 11);
}

}  // namespace
