// The capture tick's cost: the real magnifier window, its real tick, run back to back for
// several window sizes and zoom steps, in follow and in fixed mode. Prints the median and
// 95th-percentile time of one tick, the heap allocations made per tick, and the working set
// after 100 ticks against after 10 000. For scale, two ticks made of bare Win32 calls (see
// ReferenceTick) are timed at 400 x 400, zoom step 4, before and after.
//
// A tick whose screen copy equals the last one shown does not repaint; the rows above run on
// a still screen. `changing` times the tick when the picture changes every time, and two
// more rows set what the comparison costs an unchanged tick against the repaint it saves.
//
//   bench_tick [ticks-per-case]

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/magnifier_state.h"
#include "app/picture_image.h"
#include "app/zoom_form.h"
#include "desktop/rx_label.h"
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

// Times `ticks` calls of tick(); before() runs ahead of each call, untimed.
template <class Tick, class Before>
Result RunTicks(Tick&& tick, int ticks, Before&& before) {
  std::vector<double> times;
  times.reserve(ticks);
  long long allocations_before = g_allocations.load();
  for (int i = 0; i < ticks; ++i) {
    before();
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    tick();
    QueryPerformanceCounter(&b);
    times.push_back(Microseconds(a, b));
  }
  long long allocations = g_allocations.load() - allocations_before - 0;
  std::sort(times.begin(), times.end());
  return Result{times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 95 / 100)],
                double(allocations) / ticks};
}

template <class Tick>
Result RunTicks(Tick&& tick, int ticks) {
  return RunTicks(tick, ticks, [] {});
}

Result RunTicks(TfrmZoom& form, int ticks) {
  return RunTicks([&form] { form.Timer1Timer(); }, ticks);
}

// Reference ticks on a 400 x 400 topmost window showing the screen around the cursor at zoom
// step 4 with the crosshair, made of bare Win32 calls:
//  - plain: everything made and given back each time, the raise every time, three
//    invalidations and the repaint through the paint message;
//  - essential: only the calls no tick can do without (cursor, the look at the z-order, the
//    screen read, the lines, the draw into the window, one look at the queue), with the
//    contexts kept.
class ReferenceTick {
 public:
  static constexpr int kSide = 400;
  enum Style { kPlain, kEssential };

  explicit ReferenceTick(Style style) : style_(style) {
    WNDCLASSA wc{};
    wc.style = style == kEssential ? CS_OWNDC : 0;
    wc.lpfnWndProc = &ReferenceTick::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = style == kEssential ? "LumeviewBenchEssential" : "LumeviewBenchPlain";
    RegisterClassA(&wc);
    wnd_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP,
                           500, 250, kSide, kSide, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    screen_ = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    surface_ = CreateCompatibleBitmap(screen_, kSide, kSide);
    canvas_ = CreateCompatibleDC(nullptr);
    old_bitmap_ = SelectObject(canvas_, surface_);
    ShowWindow(wnd_, SW_SHOWNA);
  }
  ~ReferenceTick() {
    DestroyWindow(wnd_);
    SelectObject(canvas_, old_bitmap_);
    DeleteDC(canvas_);
    DeleteDC(screen_);
    DeleteObject(surface_);
  }

  void operator()() {
    POINT p;
    GetCursorPos(&p);
    const int r = kSide / 4;  // half extent at zoom step 4
    MSG msg;
    if (style_ == kEssential) {
      if (GetWindow(wnd_, GW_HWNDPREV))
        SetWindowPos(wnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      StretchBlt(canvas_, 0, 0, kSide, kSide, screen_, p.x - r, p.y - r, 2 * r, 2 * r, SRCCOPY);
      DrawCross(canvas_, nullptr);
      HDC dc = GetDC(wnd_);
      BitBlt(dc, 0, 0, kSide, kSide, canvas_, 0, 0, SRCCOPY);
      ReleaseDC(wnd_, dc);
    } else {
      SetWindowPos(wnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      HDC canvas = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(canvas, surface_);
      HWND desktop = GetDesktopWindow();
      HDC screen = GetDC(desktop);
      StretchBlt(canvas, 0, 0, kSide, kSide, screen, p.x - r, p.y - r, 2 * r, 2 * r, SRCCOPY);
      ReleaseDC(desktop, screen);
      InvalidateRect(wnd_, nullptr, FALSE);
      DrawCross(canvas, wnd_);
      SelectObject(canvas, old);
      DeleteDC(canvas);
    }
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

 private:
  // The crosshair; each line invalidates `wnd` when one is given.
  static void DrawCross(HDC dc, HWND wnd) {
    MoveToEx(dc, kSide / 4, kSide / 2, nullptr);
    LineTo(dc, 3 * kSide / 4, kSide / 2);
    if (wnd) InvalidateRect(wnd, nullptr, FALSE);
    MoveToEx(dc, kSide / 2, kSide / 4, nullptr);
    LineTo(dc, kSide / 2, 3 * kSide / 4);
    if (wnd) InvalidateRect(wnd, nullptr, FALSE);
  }

  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
      auto* self = reinterpret_cast<ReferenceTick*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      HDC canvas = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(canvas, self->surface_);
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, 0, 0, kSide, kSide, canvas, 0, 0, kSide, kSide, SRCCOPY);
      SelectObject(canvas, old);
      DeleteDC(canvas);
      EndPaint(wnd, &ps);
      return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
  }

  Style style_;
  HWND wnd_ = nullptr;
  HDC screen_ = nullptr;
  HDC canvas_ = nullptr;
  HBITMAP surface_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
};

void RunReferences(const char* when, int ticks) {
  for (auto style : {ReferenceTick::kPlain, ReferenceTick::kEssential}) {
    ReferenceTick reference(style);
    SetCursorPos(300, 300);
    RunTicks(reference, 50);
    Result r = RunTicks(reference, ticks);
    const char* name = style == ReferenceTick::kPlain ? "plain" : "essential";
    std::printf("%-9s %4d %5d %12.1f %12.1f %12s  (bare calls, %s)\n", name,
                ReferenceTick::kSide, 4, r.median_us, r.p95_us, "-", when);
  }
  std::fflush(stdout);
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
  // The mode change shows the info overlay for two seconds; the ticks are timed once it has
  // faded, as they run most of the time. Its own timer hides it inside the ticks.
  const ULONGLONG give_up = GetTickCount64() + 5000;
  while (form.lInfo->Visible() && GetTickCount64() < give_up) form.Timer1Timer();
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
  form->Hide();
  RunReferences("before", ticks);
  form->Show();
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

  // The two steps that cost most when they are needed, here needed before every tick: follow
  // mode with the cursor a pixel further each time (the window moves), and fixed mode with
  // another topmost window put above the lens each time (the window is raised).
  {
    PlaceCase(*form, true, 400, 4);
    int step = 0;
    auto move_cursor = [&step] { SetCursorPos(300 + (++step & 1), 300); };
    Result r = RunTicks([&] { form->Timer1Timer(); }, ticks, move_cursor);
    std::printf("%-7s %6d %5d %12.1f %12.1f %12.2f  (cursor moved before each tick)\n", "moving",
                400, 4, r.median_us, r.p95_us, r.allocations_per_tick);
  }
  {
    PlaceCase(*form, false, 400, 4);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", "",
                                 WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(cover, SW_SHOWNA);
    auto cover_lens = [cover] {
      SetWindowPos(cover, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    };
    Result r = RunTicks([&] { form->Timer1Timer(); }, ticks, cover_lens);
    DestroyWindow(cover);
    std::printf("%-7s %6d %5d %12.1f %12.1f %12.2f  (a topmost window put above before each "
                "tick)\n", "covered", 400, 4, r.median_us, r.p95_us, r.allocations_per_tick);
  }
  // The picture changes before every tick: vertical stripes under the magnified area swap
  // their colours, so the copy differs from the last one each time and the tick repaints.
  {
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND wnd, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
      if (msg != WM_PAINT) return DefWindowProcA(wnd, msg, wp, lp);
      PaintGuard paint(wnd);
      const LONG_PTR phase = GetWindowLongPtrA(wnd, GWLP_USERDATA);
      for (int x = 0; x < 300; ++x) {
        RECT line{x, 0, x + 1, 300};
        const bool dark = ((x + phase) & 1) != 0;
        FillRect(paint.get(), &line, static_cast<HBRUSH>(GetStockObject(dark ? BLACK_BRUSH
                                                                              : WHITE_BRUSH)));
      }
      return 0;
    };
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LumeviewBenchStripes";
    RegisterClassA(&wc);
    HWND stripes = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, "",
                                   WS_POPUP, 150, 150, 300, 300, nullptr, nullptr, wc.hInstance,
                                   nullptr);
    ShowWindow(stripes, SW_SHOWNA);
    PlaceCase(*form, false, 400, 4);
    auto swap_stripes = [stripes] {
      SetWindowLongPtrA(stripes, GWLP_USERDATA, 1 - GetWindowLongPtrA(stripes, GWLP_USERDATA));
      InvalidateRect(stripes, nullptr, FALSE);
      UpdateWindow(stripes);
      GdiFlush();
    };
    Result r = RunTicks([&] { form->Timer1Timer(); }, ticks, swap_stripes);
    std::printf("%-7s %6d %5d %12.1f %12.1f %12.2f  (the picture changed before each tick)\n",
                "changing", 400, 4, r.median_us, r.p95_us, r.allocations_per_tick);
    DestroyWindow(stripes);
    Application->ProcessMessages();
  }

  // What an unchanged tick pays for its comparison (the 200 x 200 copy of the screen, 32 bits
  // a pixel, against the last one: equal, so compared to the end) and what it saves (the
  // picture shown again, as a changed tick shows it, with the window's messages).
  {
    PlaceCase(*form, false, 400, 4);
    RunTicks(*form, 50);
    const size_t bytes = size_t(200) * 200 * 4;
    std::vector<unsigned char> copy(bytes, 0x5A), last(bytes, 0x5A);
    volatile int sink = 0;
    Result compare = RunTicks([&] { sink = sink + std::memcmp(copy.data(), last.data(), bytes); },
                              ticks);
    Result repaint = RunTicks([&] {
      form->Image1->Repaint();
      Application->ProcessMessages();
    }, ticks);
    Result messages = RunTicks([] { Application->ProcessMessages(); }, ticks);
    std::printf("%-7s %6d %5d %12.1f %12.1f %12.2f  (an unchanged tick's comparison, 200x200)\n",
                "compare", 400, 4, compare.median_us, compare.p95_us, compare.allocations_per_tick);
    std::printf("%-7s %6d %5d %12.1f %12.1f %12.2f  (the repaint it saves; the message look "
                "alone: %.1f)\n", "repaint", 400, 4, repaint.median_us, repaint.p95_us,
                repaint.allocations_per_tick, messages.median_us);
    std::printf("the comparison costs %.0f%% of the repaint it saves\n",
                100.0 * compare.median_us / std::max(0.1, repaint.median_us - messages.median_us));
  }
  std::fflush(stdout);

  form->Hide();
  RunReferences("after", ticks);
  form->Show();

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
