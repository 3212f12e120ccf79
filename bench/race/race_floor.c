/* The floor of the race: the least a Windows magnifier showing what Lumeview shows can cost
 * on this platform. Every 25 ms, on a timer message, it reads the cursor position and copies
 * the screen area around it; only when the copy differs from the last one does it enlarge it
 * twice into a picture and repaint its window with it. Nothing else: no labels, no crosshair,
 * no z-order look, no settings. The race runs it like Lumeview and reads its counts from its
 * memory through /proc.
 *
 *   race_floor.exe LEFT TOP SIDE      (built by scripts/race with MinGW-w64, run under Wine)
 */
#include <stdlib.h>
#include <string.h>
#include <windows.h>

enum { kPeriodMs = 25 };

/* Ticks made and pictures shown: the race finds them by this symbol. */
volatile unsigned long long race_floor_counts[2];

static HDC picture;
static int side;

static LRESULT CALLBACK FloorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    BitBlt(dc, 0, 0, side, side, picture, 0, 0, SRCCOPY);
    EndPaint(wnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(wnd, msg, wp, lp);
}

/* A device context holding a top-down 32-bit DIB section of w x h; its bits in *bits. */
static HDC MakeCopy(int w, int h, void** bits) {
  BITMAPINFO info = {0};
  HDC dc = CreateCompatibleDC(NULL);
  HBITMAP bitmap;
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, bits, NULL, 0);
  if (!dc || !bitmap) return NULL;
  SelectObject(dc, bitmap);
  return dc;
}

int main(int argc, char** argv) {
  HDC screen, copies[2];
  void* bits[2];
  int latest = 0, source;
  size_t size;
  WNDCLASSA wc = {0};
  HWND wnd;
  MSG msg;

  if (argc != 4) return 2;
  side = atoi(argv[3]);
  source = side / 2;
  size = (size_t)source * (size_t)source * 4;
  screen = CreateDCA("DISPLAY", NULL, NULL, NULL);
  copies[0] = MakeCopy(source, source, &bits[0]);
  copies[1] = MakeCopy(source, source, &bits[1]);
  picture = CreateCompatibleDC(NULL);
  if (!screen || !copies[0] || !copies[1] || !picture) return 1;
  SelectObject(picture, CreateCompatibleBitmap(screen, side, side));

  wc.lpfnWndProc = FloorProc;
  wc.lpszClassName = "RaceFloor";
  RegisterClassA(&wc);
  wnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "RaceFloor", "Race floor", WS_POPUP,
                        atoi(argv[1]), atoi(argv[2]), side, side, NULL, NULL, NULL, NULL);
  if (!wnd) return 1;
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  if (!SetTimer(wnd, 1, kPeriodMs, NULL)) return 1;

  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    POINT cursor;
    int into = 1 - latest;
    if (msg.message != WM_TIMER) {
      DispatchMessageA(&msg);
      continue;
    }
    GetCursorPos(&cursor);
    BitBlt(copies[into], 0, 0, source, source, screen, cursor.x - source / 2,
           cursor.y - source / 2, SRCCOPY);
    GdiFlush();
    ++race_floor_counts[0];
    if (memcmp(bits[into], bits[latest], size) == 0) continue;
    latest = into;
    StretchBlt(picture, 0, 0, side, side, copies[latest], 0, 0, source, source, SRCCOPY);
    InvalidateRect(wnd, NULL, FALSE);
    UpdateWindow(wnd);
    ++race_floor_counts[1];
  }
  return 0;
}
