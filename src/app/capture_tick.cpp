// The capture tick: every 25 ms the screen around the cursor is copied, enlarged, into the
// picture, with the optional crosshair and coordinates read-out. A tick that would show the
// same picture, lines and labels as the window shows already repaints nothing.

#include <string>

#include "app/geometry.h"
#include "app/picture_image.h"
#include "app/zoom_form.h"
#include "desktop/rx_label.h"
#include "toolkit/application.h"
#include "toolkit/errors.h"

namespace {

// True when some visible window lies above `wnd` in the z-order.
bool SomeWindowAbove(HWND wnd) {
  for (HWND w = GetWindow(wnd, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
    if (IsWindowVisible(w)) return true;
  return false;
}

}  // namespace

TfrmZoom::TickCounts TfrmZoom::tick_counts_{};

// The area of the monitor that holds the cursor. Asking the system costs more than the rest of
// a tick, so the last answer is kept while the cursor stays on that monitor.
GRect TfrmZoom::CursorMonitorArea(GPoint cursor) {
  const GRect& a = monitor_area_;
  if (monitor_area_known_ && cursor.x >= a.left && cursor.x < a.right && cursor.y >= a.top &&
      cursor.y < a.bottom)
    return a;
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  HMONITOR monitor = MonitorFromPoint(POINT{cursor.x, cursor.y}, MONITOR_DEFAULTTONEAREST);
  if (monitor && GetMonitorInfoA(monitor, &info)) {
    monitor_area_ = GRect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right,
                          info.rcMonitor.bottom};
    monitor_area_known_ = true;
    return monitor_area_;
  }
  return GRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// A device context for the whole screen, made once and kept until the displays change.
HDC TfrmZoom::ScreenContext() {
  if (!screen_dc_) screen_dc_.reset(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  return screen_dc_.get();
}

// Keeps the window at the top of the topmost band and, in follow mode, centred on the cursor.
// Both are one call, and none at all when nothing would change.
void TfrmZoom::RaiseAndFollow() {
  HWND wnd = Handle();
  UINT flags = SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOZORDER;
  GPoint pos{Left(), Top()};
  if (state_.AlwaysTop && SomeWindowAbove(wnd)) flags &= ~SWP_NOZORDER;
  if (state_.MoveToMouse) {
    pos = FollowPosition(GPoint{state_.CursorPos.x, state_.CursorPos.y}, Width(), Height());
    if (pos.x != Left() || pos.y != Top()) flags &= ~SWP_NOMOVE;
  }
  if ((flags & (SWP_NOZORDER | SWP_NOMOVE)) == (SWP_NOZORDER | SWP_NOMOVE)) return;
  SetWindowPos(wnd, HWND_TOPMOST, pos.x, pos.y, 0, 0, flags);
}

void TfrmZoom::Timer1Timer() {
  POINT p{};
  GetCursorPos(&p);
  state_.CursorPos = ScreenPoint{p.x, p.y};

  if (state_.ShowMousePos)
    Label1->SetCaption("X:" + std::to_string(p.x) + ",Y:" + std::to_string(p.y));
  if (state_.Busy) return;
  // A slow tick meets the next timer message while it lets messages run; that one only
  // updates the read-out above, or ticks would nest until the stack runs out.
  if (ticks_running_ > 0) return;
  struct Running {
    int& count;
    ~Running() { --count; }
  } running{++ticks_running_};

  RaiseAndFollow();
  if (!Image1->Visible()) Image1->Show();

  const int w = Image1->Width(), h = Image1->Height();
  const GPoint cursor{p.x, p.y};
  GRect source = SourceRect(cursor, w, h, state_.Zoom);
  if (!state_.MoveToMouse) source = ShiftSourceOnto(source, CursorMonitorArea(cursor));

  // A surface made anew (the first tick, a resize) has never been shown.
  const bool new_surface = !Image1->HasSurface();
  HDC canvas;
  try {
    canvas = Image1->Canvas();
  } catch (const EOutOfResources&) {
    // Reported once; the next tick tries again, silently, until the size changes.
    if (surface_failure_reported_) return;
    surface_failure_reported_ = true;
    throw;
  }
  surface_failure_reported_ = false;
  ++tick_counts_.ticks;

  // A picture smaller than the zoom step has an empty source: nothing to copy (Wine's
  // StretchBlt divides by the source's extent).
  const bool empty = source.right <= source.left || source.bottom <= source.top;
  const int source_w = source.right - source.left, source_h = source.bottom - source.top;
  HDC screen = ScreenContext();
  // The screen is copied as it is, and compared with the copy the picture shows.
  const bool copied = screen && !empty;
  bool changed = new_surface || !copied;
  if (copied) changed |= screen_copy_.Take(screen, source.left, source.top, source_w, source_h);
  changed |= state_.ShowCross != shown_cross_ || Label1->Visible() != shown_label_visible_ ||
             lInfo->Visible() != shown_info_visible_ || Label1->Caption() != shown_label_ ||
             lInfo->Caption() != shown_info_;

  // An unchanged picture is left as the window shows it (a paint message still paints it).
  if (changed) {
    if (copied) {
      if (HDC copy = screen_copy_.Context())
        StretchBlt(canvas, 0, 0, w, h, copy, 0, 0, source_w, source_h, SRCCOPY);
      else
        StretchBlt(canvas, 0, 0, w, h, screen, source.left, source.top, source_w, source_h,
                   SRCCOPY);
    }
    if (state_.ShowCross) {
      CrossSegments cross = CrossLines(w, h);
      for (const GSegment& line : {cross.horizontal, cross.vertical}) {
        MoveToEx(canvas, line.start.x, line.start.y, nullptr);
        LineTo(canvas, line.end.x, line.end.y);
      }
    }
    // The copy and the lines are shown together by one repaint, at once.
    Image1->Repaint();
    ++tick_counts_.repaints;
    shown_cross_ = state_.ShowCross;
    shown_label_visible_ = Label1->Visible();
    shown_info_visible_ = lInfo->Visible();
    shown_label_ = Label1->Caption();  // the strings keep their room: no allocation a tick
    shown_info_ = lInfo->Caption();
  }

  Application->ProcessMessages();

  if (state_.FirstTick) {
    ChangeTransparency(0);
    state_.FirstTick = false;
    lInfo->Hide();
  }
}
