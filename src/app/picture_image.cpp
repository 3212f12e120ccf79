#include "app/picture_image.h"

#include <cstring>

#include "toolkit/errors.h"

TPictureImage::TPictureImage(TComponent* owner) : TGraphicControl(owner) {
  pen_.reset(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  brush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
}

TPictureImage::~TPictureImage() { ReleaseCanvas(); }

void TPictureImage::MakeSurface() {
  int w = Width(), h = Height();
  WindowDC screen(nullptr);
  int bpp = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
  if (w > 0 && h > 0) {
    SetLastError(0);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    if (!bitmap) throw EOutOfResources(OutOfResourcesText());
    surface_ = std::move(bitmap);
  } else {
    // Present but empty: nothing to draw on until the next resize.
    surface_.reset(CreateBitmap(1, 1, 1, 1, nullptr));
  }
  surface_width_ = w;
  surface_height_ = h;
  surface_bpp_ = bpp;
  UpdateOpaque();
  if (w > 0 && h > 0) {
    HDC dc = Canvas();
    PatBlt(dc, 0, 0, w, h, WHITENESS);
  }
  Changed();
}

HDC TPictureImage::Canvas() {
  if (!surface_) MakeSurface();
  if (!canvas_) {
    UniqueDC dc(CreateCompatibleDC(nullptr));
    if (!dc) throw EOutOfResources(OutOfResourcesText());
    canvas_old_bitmap_ = SelectObject(dc.get(), surface_.get());
    canvas_old_pen_ = SelectObject(dc.get(), pen_.get());
    canvas_old_brush_ = SelectObject(dc.get(), brush_.get());
    SetROP2(dc.get(), R2_COPYPEN);
    canvas_ = std::move(dc);
  }
  return canvas_.get();
}

void TPictureImage::ReleaseCanvas() {
  if (!canvas_) return;
  SelectObject(canvas_.get(), canvas_old_brush_);
  SelectObject(canvas_.get(), canvas_old_pen_);
  SelectObject(canvas_.get(), canvas_old_bitmap_);
  canvas_.reset();
}

void TPictureImage::UpdateOpaque() {
  opaque_ = surface_ && surface_width_ == Width() && surface_height_ == Height();
}

void TPictureImage::BoundsChanged() {
  // A surface is made at the control's size: one of another size (the window's border turned
  // on or off) is thrown away, and the next drawing makes it anew.
  if (surface_ && (surface_width_ != Width() || surface_height_ != Height()))
    Clear();
  else
    UpdateOpaque();
}

void TPictureImage::Changed() {
  // While a surface covers the whole control nothing beneath needs erasing.
  InvalidateArea(!opaque_);
}

void TPictureImage::Clear() {
  ReleaseCanvas();
  surface_.reset();
  surface_width_ = surface_height_ = 0;
  UpdateOpaque();
  InvalidateArea(true);
}

void TPictureImage::Paint(HDC dc) {
  if (!surface_ || surface_width_ <= 0 || surface_height_ <= 0) return;
  // The surface is shown unscaled: a plain copy, pixel for pixel.
  BitBlt(dc, 0, 0, surface_width_, surface_height_, Canvas(), 0, 0, SRCCOPY);
}

// ---- TScreenCopy ----------------------------------------------------------------------------

TScreenCopy::~TScreenCopy() { Release(); }

void TScreenCopy::Release() {
  for (Buffer& b : buffers_) {
    if (b.dc && b.old_bitmap) SelectObject(b.dc.get(), b.old_bitmap);
    b.dc.reset();
    b.bitmap.reset();
    b.old_bitmap = nullptr;
    b.bits = nullptr;
  }
  latest_ = 0;
  width_ = height_ = 0;
  have_copy_ = false;
}

bool TScreenCopy::Make(int w, int h) {
  Release();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  for (Buffer& b : buffers_) {
    void* bits = nullptr;
    b.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    b.dc.reset(CreateCompatibleDC(nullptr));
    if (!b.bitmap || !bits || !b.dc) {
      Release();
      return false;
    }
    b.old_bitmap = SelectObject(b.dc.get(), b.bitmap.get());
    b.bits = static_cast<const uint8_t*>(bits);
  }
  width_ = w;
  height_ = h;
  return true;
}

bool TScreenCopy::Take(HDC screen, int x, int y, int w, int h) {
  if (w != width_ || h != height_ || !buffers_[0].dc) {
    if (!Make(w, h)) return true;
  }
  // The first copy of a size goes into the latest buffer; later ones into the other, which
  // becomes the latest only when it differs.
  const int into = have_copy_ ? 1 - latest_ : latest_;
  if (!BitBlt(buffers_[into].dc.get(), 0, 0, w, h, screen, x, y, SRCCOPY)) return !have_copy_;
  if (!have_copy_) {
    have_copy_ = true;
    return true;
  }
  GdiFlush();  // the bits are read directly: every drawing call is done
  const size_t size = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
  if (std::memcmp(buffers_[into].bits, buffers_[latest_].bits, size) == 0) return false;
  latest_ = into;
  return true;
}
