#include "toolkit/dpi.h"

namespace {

HMODULE User32() { return GetModuleHandleA("user32.dll"); }

template <class Function>
Function UserFunction(const char* name) {
  HMODULE user32 = User32();
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

}  // namespace

int SystemDpi() {
  static const auto get_dpi_for_system = UserFunction<GetDpiForSystemFn>("GetDpiForSystem");
  if (get_dpi_for_system) {
    if (const UINT dpi = get_dpi_for_system()) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND wnd) {
  static const auto get_dpi_for_window = UserFunction<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi_for_window && wnd) {
    if (const UINT dpi = get_dpi_for_window(wnd)) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
  static const auto metrics_for_dpi =
      UserFunction<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  if (metrics_for_dpi) return metrics_for_dpi(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
  static const auto adjust_for_dpi =
      UserFunction<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  if (adjust_for_dpi && adjust_for_dpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
    return;
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}
