// Applying the window mode: border, topmost band, follow or fixed mode, transparency,
// hotkeys and the coordinates label, brought into line with the settings.

#include "app/zoom_form.h"
#include "desktop/hotkey.h"
#include "desktop/rx_label.h"
#include "toolkit/application.h"

namespace {

bool IsTopmost(HWND wnd) { return GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST; }

// Takes the window out of the topmost band. Some window managers (Wine's among them) keep an
// owned window in the band while it has its owner; it then leaves the band on its own for a
// moment and gets its owner back.
void LeaveTopmostBand(HWND wnd) {
  const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  if (!IsTopmost(wnd)) return;
  LONG_PTR owner = GetWindowLongPtrA(wnd, GWLP_HWNDPARENT);
  SetWindowLongPtrA(wnd, GWLP_HWNDPARENT, 0);
  SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  SetWindowLongPtrA(wnd, GWLP_HWNDPARENT, owner);
}

}  // namespace

void TfrmZoom::ApplyWindowMode() {
  SetBorderWidth(state_.ShowBorders ? 1 : 0);

  if (state_.AlwaysTop)
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    LeaveTopmostBand(Handle());

  if (state_.MoveToMouse) {
    // Follow mode: frameless, layered and click-through.
    StripCaption();
    SetBorderStyle(TBorderStyle::bsNone);
    SetWindowLongA(Handle(), GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TRANSPARENT);
  } else {
    // Fixed mode: a movable, resizable tool window.
    SetBorderStyle(TBorderStyle::bsSizeToolWin);
    SetWindowLongA(Handle(), GWL_EXSTYLE, 0);
  }

  ChangeTransparency(0);

  ShowWindow(Application->Handle(), SW_HIDE);

  TfisHotKey* const hotkeys[scCount] = {fHKDialog, fHKSHOWHIDE,  fHKZOOM, fHKSize,
                                        fHKTransparent, fHKClipboard, fHKFile};
  for (int slot = 0; slot < scCount; ++slot) hotkeys[slot]->ChangeKey(state_.Shortcuts[slot]);

  Label1->SetVisible(state_.ShowMousePos);
}

void TfrmZoom::StripCaption() {
  if (BorderStyle() == TBorderStyle::bsNone) return;
  HWND wnd = Handle();
  const DWORD style = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE));
  if ((style & WS_CAPTION) != WS_CAPTION) return;
  const TBorderStyle frame = BorderStyle();
  if (frame == TBorderStyle::bsSingle || frame == TBorderStyle::bsSizeable)
    SetWindowLongA(wnd, GWL_STYLE, static_cast<LONG>((style & 0xFF3FFFFF) | 0x800000));
  else if (frame == TBorderStyle::bsDialog)
    SetWindowLongA(wnd, GWL_STYLE, static_cast<LONG>((style & 0xFF3FFF7F) | 0x400080));
  SetHeight(Height() - GetSystemMetrics(SM_CYCAPTION));
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}
