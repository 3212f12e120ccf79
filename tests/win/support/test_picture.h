#pragma once
// A 32-bit top-down picture with a memory context drawing into it: what the label tests paint
// a control onto and read back pixel by pixel.

#include <windows.h>

#include <cstdint>
#include <memory>

#include "toolkit/handles.h"

namespace tktest {

class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    WindowDC screen(nullptr);
    dc_.reset(CreateCompatibleDC(screen.get()));
    bitmap_.reset(CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits_, nullptr, 0));
    select_ = std::make_unique<SelectGuard>(dc_.get(), bitmap_.get());
  }
  ~Picture() { select_.reset(); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  bool ok() const { return dc_ && bitmap_ && bits_; }

  void Fill(COLORREF color) {
    RECT r{0, 0, width_, height_};
    UniqueBrush brush(CreateSolidBrush(color));
    FillRect(dc_.get(), &r, brush.get());
  }
  // The pixel as a COLORREF; out-of-range points read as `outside`.
  COLORREF At(int x, int y, COLORREF outside = 0) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return outside;
    GdiFlush();
    const uint32_t p = static_cast<const uint32_t*>(bits_)[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  bool SameAs(const Picture& other) const {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (At(x, y) != other.At(x, y)) return false;
    return true;
  }

 private:
  int width_, height_;
  UniqueDC dc_;
  UniqueBitmap bitmap_;
  void* bits_ = nullptr;
  std::unique_ptr<SelectGuard> select_;
};

}  // namespace tktest
