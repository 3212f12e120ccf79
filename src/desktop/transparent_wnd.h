#pragma once
// Partial transparency for the owning form's window through layered windows. The system call
// is looked up at run time; where it is missing every apply is silently skipped.

#include <windows.h>

#include <cstdint>

#include "toolkit/component.h"
#include "toolkit/handles.h"

class TTransparentWnd : public TComponent {
 public:
  explicit TTransparentWnd(TComponent* owner);
  // Looks `function` up in `library` instead of the system's layered-window call; a library or
  // function that cannot be found leaves the component without it (every apply a no-op).
  TTransparentWnd(TComponent* owner, const char* library, const char* function);
  ~TTransparentWnd() override;

  // A stored percentage (0..100); nothing here reads it.
  int Percent() const { return percent_; }
  void SetPercent(int percent) { percent_ = percent; }

  // When true, a percentage of 0 makes the window non-layered instead of layered and opaque.
  bool AutoOpaque() const { return auto_opaque_; }
  void SetAutoOpaque(bool on) { auto_opaque_ = on; }

  // Applies `percent` (0 opaque .. 100 invisible) to the owning form's window, making that
  // window if needed. An owner that is no form raises EInvalidCast("Invalid class typecast").
  void ApplyTransparency(uint8_t percent);
  // The same for any window; a handle that is no window is ignored.
  void ApplyTransparencyTo(HWND wnd, uint8_t percent);
  // Makes the window an ordinary, non-layered one; its layered attributes are left as they are.
  void RemoveLayering(HWND wnd);

  // Whether the layered-window call was found.
  bool Available() const { return user32_ && set_layered_; }

 private:
  using SetLayeredProc = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

  int percent_ = 0;
  bool auto_opaque_ = false;
  UniqueModule user32_;
  SetLayeredProc set_layered_ = nullptr;
};
