// The capture tick's cost: the real magnifier window, its real tick, run back to back for
// several window sizes and zoom steps, in follow and in fixed mode. Prints the median and
// 95th-percentile time of one tick, the heap allocations made per tick, and the working set
// after 100 ticks against after 10 000.
//
//   bench_tick [ticks-per-case]

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "app/magnifier_state.h"
#include "app/picture_image.h"
#include "app/zoom_form.h"
#include "toolkit/application.h"
#include "toolkit/timer.h"

namespace {
std::atomic<long long> g_allocations{0};
const char kBenchKey[] = "Software\\Quorvant\\LumeviewBench";
}  // namespace

void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return double(to.QuadPart - from.QuadPart) * 1e6 / double(frequency.QuadPart);
}

size_t WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.WorkingSetSize;
}

struct Result {
  double median_us;
  double p95_us;
  double allocations_per_tick;
};

Result RunTicks(TfrmZoom& form, int ticks) {
  std::vector<double> times;
  times.reserve(ticks);
  long long allocations_before = g_allocations.load();
  for (int i = 0; i < ticks; ++i) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    form.Timer1Timer();
    QueryPerformanceCounter(&b);
    times.push_back(Microseconds(a, b));
  }
  long long allocations = g_allocations.load() - allocations_before - 0;
  std::sort(times.begin(), times.end());
  return Result{times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 95 / 100)],
                double(allocations) / ticks};
}

void PlaceCase(TfrmZoom& form, bool follow, int side, int zoom) {
  MagnifierState& state = form.State();
  state.MoveToMouse = follow;
  state.AlwaysTop = true;
  state.ShowBorders = true;
  state.ShowCross = true;
  state.ShowMousePos = false;
  state.Zoom = zoom;
  form.ApplyWindowMode();
  form.SetBounds(700 - side / 2, 450 - side / 2, side, side);
  SetCursorPos(300, 300);
  Application->ProcessMessages();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&controls);
  int ticks = __argc > 1 ? std::max(100, std::atoi(__argv[1])) : 2000;

  RegDeleteTreeA(HKEY_CURRENT_USER, kBenchKey);
  MagnifierState state;
  TApplication application;
  application.SetTitle("Lumeview");
  auto* form = CreateForm<TfrmZoom>(&application, state, kBenchKey);
  form->Timer1->SetEnabled(false);  // the benchmark calls the tick itself
  form->Show();
  // The hotkeys stay with a running Lumeview, if any: the tick does not need them.

  std::printf("capture tick under %s, %d ticks a case\n",
              GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") ? "Wine" : "Windows",
              ticks);
  std::printf("%-7s %6s %5s %12s %12s %12s\n", "mode", "side", "zoom", "median_us", "p95_us",
              "allocs/tick");
  for (bool follow : {false, true}) {
    for (int side : {150, 400, 800}) {
      for (int zoom : {2, 4, 8}) {
        PlaceCase(*form, follow, side, zoom);
        RunTicks(*form, 50);  // the surface is made and the window settled first
        Result r = RunTicks(*form, ticks);
        std::printf("%-7s %6d %5d %12.1f %12.1f %12.2f\n", follow ? "follow" : "fixed", side, zoom,
                    r.median_us, r.p95_us, r.allocations_per_tick);
        std::fflush(stdout);
      }
    }
  }

  for (bool follow : {false, true}) {
    PlaceCase(*form, follow, 400, 4);
    RunTicks(*form, 100);
    size_t after_100 = WorkingSet();
    RunTicks(*form, 9900);
    size_t after_10000 = WorkingSet();
    std::printf("%s 400x400 zoom 4: working set after 100 ticks %zu KiB, after 10000 ticks %zu KiB "
                "(growth %lld KiB)\n",
                follow ? "follow" : "fixed", after_100 / 1024, after_10000 / 1024,
                (static_cast<long long>(after_10000) - static_cast<long long>(after_100)) / 1024);
  }
  std::fflush(stdout);

  delete form;
  RegDeleteTreeA(HKEY_CURRENT_USER, kBenchKey);
  return 0;
}
