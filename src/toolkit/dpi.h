#pragma once
// Display scale. Designs are given in pixels at 96 DPI; a window shows them at its display's
// DPI. The system's DPI functions are looked up at run time, so the program still starts on
// systems that lack them (it then sees one DPI for every display).

#include <windows.h>

constexpr int kDesignDpi = 96;

// `value` design pixels at `dpi`, rounded to the nearest pixel.
inline int ScaleToDpi(int value, int dpi) { return MulDiv(value, dpi, kDesignDpi); }

// The DPI of the primary display (the DPI a window gets before it is placed).
int SystemDpi();
// The DPI of the display a window is on.
int WindowDpi(HWND wnd);
// A system metric (SM_CXSMICON, SM_CXICON...) for a display of `dpi`.
int SystemMetricForDpi(int index, int dpi);
// The outer rectangle of a window whose client area is `rect`, with the frame of `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);
