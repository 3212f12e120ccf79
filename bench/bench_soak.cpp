// A long run of the capture tick: the real magnifier window ticks back to back, the cursor a
// little further every fourth tick (the lens follows it), the read-out on, the size stepped up
// and back every 250 ticks (the picture is made anew) and follow and fixed mode swapped every
// 1000 ticks (the lens sized back to 200 x 200 each time). Every `every` ticks it samples what
// a leak would make grow: working set, private bytes, GDI and user objects and kernel handles,
// and prints them as a table.
//
//   bench_soak [ticks [every]]      default 1000000 ticks, a sample every 100000
//
// The first sample is taken after `every` ticks of warm-up; it is the baseline. The run fails
// (exit code 1) when a later sample has more GDI objects, user objects or handles than the
// baseline, or more working set or private bytes than the baseline plus a small allowance
// (kMemoryAllowance: a heap growing in whole blocks, the system's caches settling).
//
// GDI and user objects come from GetGuiResources, handles from GetProcessHandleCount, private
// bytes from GetProcessMemoryInfo. Wine answers all of these with 0; there the GDI objects
// are counted in the process's GDI handle table, the windows the process owns (top-level,
// child and message-only) stand in for user objects, open handle values are counted one by
// one and committed private regions summed. Each count is checked first: making a few
// objects must raise it by exactly that many, or the run fails.

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/magnifier_state.h"
#include "app/picture_image.h"
#include "app/zoom_form.h"
#include "desktop/rx_label.h"
#include "toolkit/application.h"
#include "toolkit/timer.h"

namespace {

const char kSoakKey[] = "Software\\Quorvant\\LumeviewSoak";
constexpr long long kMemoryAllowance = 1024 * 1024;  // bytes, over the baseline
constexpr int kSizeStepTicks = 250;
constexpr int kModeTicks = 1000;  // a sample interval is a whole number of mode pairs

// ---- What is sampled ------------------------------------------------------------------------

// One entry of the GDI handle table a process can read (Wine keeps one per process and points
// the process block's GdiSharedHandleTable at it).
struct GdiHandleEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t user_pointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr int kGdiTableEntries = 0x10000;

const GdiHandleEntry* GdiHandleTable() {
#if defined(_WIN64)
  using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic),
                      nullptr) != 0 || !basic.PebBaseAddress)
    return nullptr;
  // GdiSharedHandleTable lies at 0xF8 in the 64-bit process block.
  auto* peb = reinterpret_cast<const uint8_t*>(basic.PebBaseAddress);
  return *reinterpret_cast<GdiHandleEntry* const*>(peb + 0xF8);
#else
  return nullptr;
#endif
}

long long GdiObjectsInTable() {
  const GdiHandleEntry* table = GdiHandleTable();
  if (!table) return -1;
  long long count = 0;
  for (int i = 0; i < kGdiTableEntries; ++i)
    if (table[i].type != 0) ++count;
  return count;
}

// Windows of this process: top-level, their children, and message-only ones (the toolkit's
// timers, the tray icon's window).
long long WindowsOfProcess() {
  const DWORD self = GetCurrentProcessId();
  auto mine = [self](HWND wnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    return pid == self;
  };
  std::vector<HWND> tops;
  EnumWindows(
      [](HWND wnd, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tops));
  for (HWND wnd = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); wnd;
       wnd = FindWindowExA(HWND_MESSAGE, wnd, nullptr, nullptr))
    tops.push_back(wnd);
  long long count = 0;
  for (HWND wnd : tops) {
    if (!mine(wnd)) continue;
    ++count;
    EnumChildWindows(
        wnd,
        [](HWND, LPARAM lp) -> BOOL {
          ++*reinterpret_cast<long long*>(lp);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
  }
  return count;
}

// Committed private memory, region by region (Wine leaves PrivateUsage at 0).
long long CommittedPrivateBytes() {
  long long total = 0;
  MEMORY_BASIC_INFORMATION info{};
  for (const char* at = nullptr; VirtualQuery(at, &info, sizeof(info)) == sizeof(info);) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
      total += static_cast<long long>(info.RegionSize);
    const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

// Open kernel handles, found by asking after each handle value in turn until a long run of
// values is unused (Wine answers GetProcessHandleCount with 0).
long long OpenHandles() {
  long long count = 0;
  int unused_run = 0;
  for (uintptr_t value = 4; unused_run < 4096; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      ++count;
      unused_run = 0;
    } else {
      ++unused_run;
    }
  }
  return count;
}

// A count of one kind of object, with the way it is taken.
struct Counter {
  const char* heading;
  std::function<long long()> read;
};

// True when `counter` rises by exactly `made` while make() holds that many new objects.
bool CountsWhatIsMade(const Counter& counter, int made,
                      const std::function<void(std::vector<HANDLE>&)>& make,
                      const std::function<void(HANDLE)>& free_one) {
  std::vector<HANDLE> objects;
  const long long before = counter.read();
  make(objects);
  const long long during = counter.read();
  for (HANDLE h : objects) free_one(h);
  return objects.size() == static_cast<size_t>(made) && during - before == made;
}

Counter GdiCounter() {
  Counter official{"gdi", [] { return static_cast<long long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)); }};
  Counter table{"gdi*", [] { return GdiObjectsInTable(); }};
  auto make = [](std::vector<HANDLE>& out) {
    for (int i = 0; i < 16; ++i) out.push_back(CreateSolidBrush(RGB(i, 0, 0)));
  };
  auto free_one = [](HANDLE h) { DeleteObject(static_cast<HGDIOBJ>(h)); };
  if (CountsWhatIsMade(official, 16, make, free_one)) return official;
  if (GdiHandleTable() && CountsWhatIsMade(table, 16, make, free_one)) return table;
  return Counter{"gdi?", nullptr};
}

Counter HandleCounter() {
  Counter official{"handles", [] {
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return static_cast<long long>(handles);
  }};
  Counter probed{"handles*", [] { return OpenHandles(); }};
  auto make = [](std::vector<HANDLE>& out) {
    for (int i = 0; i < 8; ++i) out.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  };
  auto free_one = [](HANDLE h) { CloseHandle(h); };
  if (CountsWhatIsMade(official, 8, make, free_one)) return official;
  if (CountsWhatIsMade(probed, 8, make, free_one)) return probed;
  return Counter{"handles?", nullptr};
}

Counter PrivateCounter() {
  auto counters = [] {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof(memory));
    return static_cast<long long>(memory.PrivateUsage);
  };
  Counter counter = counters() > 0 ? Counter{"private_KiB", counters}
                                     : Counter{"private_KiB*", [] { return CommittedPrivateBytes(); }};
  // 16 MiB taken from the heap in small blocks must show.
  const long long before = counter.read();
  std::vector<char*> blocks;
  for (int i = 0; i < 16384; ++i) {
    blocks.push_back(static_cast<char*>(std::malloc(1024)));
    if (blocks.back()) blocks.back()[0] = 1;
  }
  const long long during = counter.read();
  for (char* b : blocks) std::free(b);
  if (during - before < 8 * 1024 * 1024) return Counter{"private?", nullptr};
  return counter;
}

Counter UserCounter() {
  Counter official{"user", [] { return static_cast<long long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)); }};
  Counter windows{"windows*", [] { return WindowsOfProcess(); }};
  auto make = [](std::vector<HANDLE>& out) {
    for (int i = 0; i < 4; ++i)
      out.push_back(CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr,
                                    nullptr, nullptr, nullptr));
  };
  auto free_one = [](HANDLE h) { DestroyWindow(static_cast<HWND>(h)); };
  if (CountsWhatIsMade(official, 4, make, free_one)) return official;
  if (CountsWhatIsMade(windows, 4, make, free_one)) return windows;
  return Counter{"user?", nullptr};
}

struct Sample {
  long long tick;
  long long working_set;
  long long private_bytes;
  long long gdi;
  long long user;
  long long handles;
};

struct Counters {
  Counter private_bytes, gdi, user, handles;
};

long long Read(const Counter& c) { return c.read ? c.read() : -1; }

Sample Take(long long tick, const Counters& counters) {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  return Sample{tick, static_cast<long long>(memory.WorkingSetSize), Read(counters.private_bytes),
                Read(counters.gdi), Read(counters.user), Read(counters.handles)};
}

void PrintSample(const Sample& s, const char* note) {
  std::printf("%10lld %10lld %12lld %8lld %9lld %9lld  %s\n", s.tick, s.working_set / 1024,
              s.private_bytes / 1024, s.gdi, s.user, s.handles, note);
  std::fflush(stdout);
}

// ---- The run ---

// The tick being run, for the report of a fault inside one.
volatile long long g_tick = 0;

LONG CALLBACK ReportFault(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code != EXCEPTION_INT_DIVIDE_BY_ZERO && code != EXCEPTION_ACCESS_VIOLATION)
    return EXCEPTION_CONTINUE_SEARCH;
  char module[MAX_PATH] = "?";
  HMODULE owner = nullptr;
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCSTR>(info->ExceptionRecord->ExceptionAddress), &owner))
    GetModuleFileNameA(owner, module, sizeof module);
  std::printf("fault %08lx at %p (%s) in tick %lld\n", code,
              info->ExceptionRecord->ExceptionAddress, module, g_tick);
  std::fflush(stdout);
  return EXCEPTION_CONTINUE_SEARCH;
}

void ApplyMode(TfrmZoom& form, bool follow) {
  form.State().MoveToMouse = follow;
  form.ApplyWindowMode();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&controls);
  long long ticks = __argc > 1 ? std::atoll(__argv[1]) : 1000000;
  long long every = __argc > 2 ? std::atoll(__argv[2]) : 100000;
  every = std::max<long long>(2 * kModeTicks, every / (2 * kModeTicks) * (2 * kModeTicks));
  ticks = std::max(ticks / every, 3LL) * every;  // a baseline and at least two samples after it

  AddVectoredExceptionHandler(1, ReportFault);
  RegDeleteTreeA(HKEY_CURRENT_USER, kSoakKey);
  MagnifierState state;
  TApplication application;
  application.SetTitle("Lumeview");
  auto* form = CreateForm<TfrmZoom>(&application, state, kSoakKey);
  form->Timer1->SetEnabled(false);  // the run calls the tick itself
  state.ShowMousePos = true;
  state.ShowCross = true;
  state.Zoom = 4;
  form->SetBounds(500, 350, 200, 200);
  ApplyMode(*form, true);
  form->Show();

  const Counters counters{PrivateCounter(), GdiCounter(), UserCounter(), HandleCounter()};
  const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  std::printf("capture tick soak under %s: %lld ticks, a sample every %lld\n",
              wine ? "Wine" : "Windows", ticks, every);
  std::printf("(* where the system gives no figure: private_KiB* sums committed private regions, "
              "gdi* counts the GDI handle table, windows* the process's windows, handles* the "
              "open handle values)\n");
  std::printf("%10s %10s %12s %8s %9s %9s\n", "ticks", "ws_KiB", counters.private_bytes.heading,
              counters.gdi.heading, counters.user.heading, counters.handles.heading);
  PrintSample(Take(0, counters), "(start)");

  std::vector<Sample> samples;
  const ULONGLONG started = GetTickCount64();
  for (long long i = 1; i <= ticks; ++i) {
    g_tick = i;
    // The cursor moves on every fourth tick, as a hand does now and then.
    if (i % 4 == 0) SetCursorPos(400 + static_cast<int>(i / 4 % 7), 300 + static_cast<int>(i / 4 % 5));
    form->Timer1Timer();
    if (i % kSizeStepTicks == 0) {
      // Up on odd steps, back down on even ones: the size comes back every two steps.
      form->ChangeSize((i / kSizeStepTicks) % 2 ? +2 : -2);
    }
    if (i % kModeTicks == 0) {
      ApplyMode(*form, (i / kModeTicks) % 2 == 0);
      // Leaving fixed mode strips the caption's height from the lens; the user sizes it back.
      form->SetBounds(form->Left(), form->Top(), 200, 200);
    }
    if (i % every == 0) {
      samples.push_back(Take(i, counters));
      PrintSample(samples.back(), samples.size() == 1 ? "(baseline)" : "");
    }
  }
  const double seconds = double(GetTickCount64() - started) / 1000.0;

  delete form;
  RegDeleteTreeA(HKEY_CURRENT_USER, kSoakKey);

  // The verdict: growth over the baseline.
  const Sample& base = samples.front();
  Sample most = base;
  for (const Sample& s : samples) {
    most.working_set = std::max(most.working_set, s.working_set);
    most.private_bytes = std::max(most.private_bytes, s.private_bytes);
    most.gdi = std::max(most.gdi, s.gdi);
    most.user = std::max(most.user, s.user);
    most.handles = std::max(most.handles, s.handles);
  }
  struct Check {
    const char* what;
    long long growth;
    long long allowed;
    bool measured;
  } const checks[] = {
      {"working set (bytes)", most.working_set - base.working_set, kMemoryAllowance, true},
      {"private bytes", most.private_bytes - base.private_bytes, kMemoryAllowance,
       counters.private_bytes.read != nullptr},
      {"GDI objects", most.gdi - base.gdi, 0, counters.gdi.read != nullptr},
      {"user objects", most.user - base.user, 0, counters.user.read != nullptr},
      {"handles", most.handles - base.handles, 0, counters.handles.read != nullptr},
  };
  bool grew = false;
  std::printf("%lld ticks in %.1f s (%.1f us a tick); largest growth over the baseline:\n", ticks,
              seconds, seconds * 1e6 / double(ticks));
  for (const Check& c : checks) {
    const bool bad = !c.measured || c.growth > c.allowed;
    grew = grew || bad;
    if (c.measured)
      std::printf("  %-20s %+10lld (allowed %lld)%s\n", c.what, c.growth, c.allowed,
                  bad ? "  GROWS" : "");
    else
      std::printf("  %-20s cannot be counted here  FAILS\n", c.what);
  }
  std::printf("soak %s\n", grew ? "FAILED" : "passed");
  std::fflush(stdout);
  return grew ? 1 : 0;
}
