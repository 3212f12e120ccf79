// Wheel modes: three hotkeys choose what the mouse wheel changes (zoom, transparency or the
// window's size); each change is applied at once and reported in the info overlay.

#include <algorithm>
#include <string>

#include "app/geometry.h"
#include "app/picture_image.h"
#include "app/zoom_form.h"
#include "app/zoom_text_win32.h"
#include "desktop/rx_label.h"
#include "desktop/transparent_wnd.h"
#include "toolkit/application.h"
#include "toolkit/timer.h"

namespace {
// The picture never shrinks below this many pixels a side.
constexpr int kMinimumPictureSide = 16;
}  // namespace

void TfrmZoom::BringApplicationToFront() {
  HWND app = Application->Handle();
  HWND popup = GetLastActivePopup(app);
  if (popup && popup != app && IsWindowVisible(popup) && IsWindowEnabled(popup))
    SetForegroundWindow(popup);
}

void TfrmZoom::fHKZOOMHotKey() {
  state_.WheelMode = wmZoom;
  BringApplicationToFront();
  ShowInfo("Mouse Wheel Zoom");
}

void TfrmZoom::fHKTransparentHotKey() {
  state_.WheelMode = wmTransparency;
  BringApplicationToFront();
  ShowInfo("Mouse Wheel Transparency");
}

void TfrmZoom::fHKSizeHotKey() {
  state_.WheelMode = wmSize;
  BringApplicationToFront();
  ShowInfo("Mouse Wheel Size");
}

void TfrmZoom::FormMouseWheelUp() {
  switch (state_.WheelMode) {
    case wmZoom: ChangeZoom(+1); break;
    case wmTransparency: ChangeTransparency(+2); break;
    case wmSize: ChangeSize(+2); break;
    default: break;
  }
}

void TfrmZoom::FormMouseWheelDown() {
  switch (state_.WheelMode) {
    case wmZoom: ChangeZoom(-1); break;
    case wmTransparency: ChangeTransparency(-2); break;
    case wmSize: ChangeSize(-2); break;
    default: break;
  }
}

void TfrmZoom::ChangeZoom(int d) {
  state_.Zoom = NextZoom(state_.Zoom, d);
  ShowInfo(UserZoomText(state_.Zoom));
}

void TfrmZoom::ChangeTransparency(int d) {
  state_.Transparency = NextTransparency(state_.Transparency, d);
  TransparentWnd1->SetAutoOpaque(state_.Transparency != 0);
  TransparentWnd1->ApplyTransparency(static_cast<uint8_t>(state_.Transparency));
  ShowInfo("Transparent:" + std::to_string(state_.Transparency));
}

// A framed window cannot get smaller than the system's minimum tracking size: stopping there
// keeps the size step centred instead of moving a window whose size no longer changes.
int TfrmZoom::MinimumOuterWidth() const {
  const int own = Scaled(kMinimumPictureSide) + 2 * BorderWidth() + (Width() - ClientWidth());
  return BorderStyle() == TBorderStyle::bsNone ? own : std::max(own, GetSystemMetrics(SM_CXMINTRACK));
}

int TfrmZoom::MinimumOuterHeight() const {
  const int own = Scaled(kMinimumPictureSide) + 2 * BorderWidth() + (Height() - ClientHeight());
  return BorderStyle() == TBorderStyle::bsNone ? own : std::max(own, GetSystemMetrics(SM_CYMINTRACK));
}

void TfrmZoom::ChangeSize(int d) {
  LockWindowUpdate(Handle());
  GBounds b = SizeStep(Left(), Top(), Width(), Height(), d, MinimumOuterWidth(),
                       MinimumOuterHeight());
  SetBounds(b.left, b.top, b.width, b.height);
  ShowInfo("Size:" + std::to_string(Width()) + "," + std::to_string(Height()));
  LockWindowUpdate(nullptr);
}

void TfrmZoom::ShowInfo(const std::string& text) {
  lInfo->SetCaption(text);
  lInfo->Show();
  fadetimer->SetEnabled(true);
}

void TfrmZoom::fadetimerTimer() { lInfo->Hide(); }
