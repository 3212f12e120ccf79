#include "desktop/transparent_wnd.h"

#include "desktop/alpha.h"
#include "toolkit/errors.h"
#include "toolkit/form.h"

TTransparentWnd::TTransparentWnd(TComponent* owner)
    : TTransparentWnd(owner, "USER32.DLL", "SetLayeredWindowAttributes") {}

TTransparentWnd::TTransparentWnd(TComponent* owner, const char* library, const char* function)
    : TComponent(owner) {
  if (library) user32_.reset(LoadLibraryA(library));
  if (user32_ && function) {
    FARPROC proc = GetProcAddress(user32_.get(), function);
    // Through a plain function pointer, the portable way between function pointer types.
    set_layered_ = reinterpret_cast<SetLayeredProc>(reinterpret_cast<void (*)()>(proc));
  }
}

TTransparentWnd::~TTransparentWnd() = default;

void TTransparentWnd::ApplyTransparency(uint8_t percent) {
  auto* form = dynamic_cast<TForm*>(Owner());
  if (!form) throw EInvalidCast("Invalid class typecast");
  ApplyTransparencyTo(form->Handle(), percent);
}

void TTransparentWnd::ApplyTransparencyTo(HWND wnd, uint8_t percent) {
  if (!Available() || !IsWindow(wnd)) return;
  if (auto_opaque_ && percent == 0) {
    RemoveLayering(wnd);
    return;
  }
  const LONG ex_style = GetWindowLongA(wnd, GWL_EXSTYLE);
  SetWindowLongA(wnd, GWL_EXSTYLE, ex_style | WS_EX_LAYERED);
  set_layered_(wnd, 0, AlphaFromPercent(percent), LWA_ALPHA);
}

void TTransparentWnd::RemoveLayering(HWND wnd) {
  if (!IsWindow(wnd)) return;
  const LONG ex_style = GetWindowLongA(wnd, GWL_EXSTYLE);
  SetWindowLongA(wnd, GWL_EXSTYLE, ex_style & ~static_cast<LONG>(WS_EX_LAYERED));
}
