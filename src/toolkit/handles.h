#pragma once
// Owners and guards for the USER, GDI, registry and kernel handles the program uses.

#include <windows.h>

#include "toolkit/unique_handle.h"

template <class H, BOOL(WINAPI* Close)(H)>
struct NullTraits {
  using pointer = H;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { Close(h); }
};

template <class H>
struct GdiObjectTraits {
  using pointer = H;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { DeleteObject(h); }
};

struct RegKeyTraits {
  using pointer = HKEY;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { RegCloseKey(h); }
};

struct FileTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { CloseHandle(h); }
};

using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniquePalette = UniqueHandle<GdiObjectTraits<HPALETTE>>;
// A device context made with CreateDC or CreateCompatibleDC (given back with DeleteDC).
using UniqueDC = UniqueHandle<NullTraits<HDC, DeleteDC>>;
using UniqueWindow = UniqueHandle<NullTraits<HWND, DestroyWindow>>;
using UniqueIcon = UniqueHandle<NullTraits<HICON, DestroyIcon>>;
using UniqueEnhMetaFile = UniqueHandle<NullTraits<HENHMETAFILE, DeleteEnhMetaFile>>;
using UniqueMenu = UniqueHandle<NullTraits<HMENU, DestroyMenu>>;
using UniqueModule = UniqueHandle<NullTraits<HMODULE, FreeLibrary>>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueFile = UniqueHandle<FileTraits>;

// A device context from GetDC, given back to the same window with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND wnd) noexcept : wnd_(wnd), dc_(GetDC(wnd)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND wnd_;
  HDC dc_;
};

// BeginPaint/EndPaint around a WM_PAINT handler.
class PaintGuard {
 public:
  explicit PaintGuard(HWND wnd) noexcept : wnd_(wnd) { dc_ = BeginPaint(wnd_, &ps_); }
  ~PaintGuard() { EndPaint(wnd_, &ps_); }
  PaintGuard(const PaintGuard&) = delete;
  PaintGuard& operator=(const PaintGuard&) = delete;
  HDC get() const noexcept { return dc_; }
  const PAINTSTRUCT& info() const noexcept { return ps_; }

 private:
  HWND wnd_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

// Selects an object into a device context and puts the previous one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), previous_(SelectObject(dc, obj)) {}
  ~SelectGuard() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
