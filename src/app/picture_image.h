#pragma once
// The picture control of the magnifier window (`Image1`) and the surface it shows: a
// screen-compatible bitmap of the control's size, made on first access, thrown away on every
// resize, white at first. Drawing goes through a memory context that is made when a drawing
// operation first needs it and kept with the surface, so a tick does not make one anew.

#include <windows.h>

#include <cstdint>

#include "toolkit/control.h"
#include "toolkit/handles.h"

class TPictureImage : public TGraphicControl {
 public:
  explicit TPictureImage(TComponent* owner);
  ~TPictureImage() override;

  // Surface access: the drawing context of the surface, making the surface first when it is
  // absent. Throws EOutOfResources when the bitmap cannot be made (the surface stays absent).
  HDC Canvas();

  // A drawing operation changed the surface: the control's area is invalidated (unerased
  // while the surface covers the whole control), so one repaint shows all changes of a tick.
  void Changed();

  // Throws the surface away; until the next surface access the control shows the window's
  // background colour.
  void Clear();

  // Deletes the drawing context (the surface stays), for callers that need the surface
  // unselected (GetDIBits); the next surface access makes a new one.
  void ReleaseCanvas();

  bool HasSurface() const { return static_cast<bool>(surface_); }
  HBITMAP Surface() const { return surface_.get(); }
  int SurfaceWidth() const { return surface_width_; }
  int SurfaceHeight() const { return surface_height_; }
  // The display's bits per pixel when the surface was made.
  int SurfaceBitsPerPixel() const { return surface_bpp_; }

  void Paint(HDC dc) override;

 protected:
  void BoundsChanged() override;

 private:
  void MakeSurface();
  // The control is opaque while a surface covers all of it.
  void UpdateOpaque();

  UniqueBitmap surface_;
  int surface_width_ = 0;
  int surface_height_ = 0;
  int surface_bpp_ = 0;

  // The drawing context with the surface and the drawing tools selected into it.
  UniqueDC canvas_;
  HGDIOBJ canvas_old_bitmap_ = nullptr;
  HGDIOBJ canvas_old_pen_ = nullptr;
  HGDIOBJ canvas_old_brush_ = nullptr;
  UniquePen pen_;
  UniqueBrush brush_;
};

// The screen area a capture tick magnifies, copied unscaled into memory (32 bits a pixel),
// beside the copy taken before it, so that a tick can tell whether the screen there changed.
// Two buffers take turns: keeping the previous copy costs no copying, and the comparison is
// one pass over both.
class TScreenCopy {
 public:
  TScreenCopy() = default;
  ~TScreenCopy();
  TScreenCopy(const TScreenCopy&) = delete;
  TScreenCopy& operator=(const TScreenCopy&) = delete;

  // Copies the w x h pixels at (x, y) of `screen`. True when they differ from the previous
  // copy, or there is none of that size (or the buffers cannot be made: then Context() is
  // nullptr); false when they are the same, or the copy failed and the previous one stays.
  bool Take(HDC screen, int x, int y, int w, int h);
  // The latest copy, selected into a memory context; nullptr when there is none.
  HDC Context() const { return have_copy_ ? buffers_[latest_].dc.get() : nullptr; }

 private:
  struct Buffer {
    UniqueBitmap bitmap;
    UniqueDC dc;
    HGDIOBJ old_bitmap = nullptr;
    const uint8_t* bits = nullptr;
  };
  bool Make(int w, int h);
  void Release();

  Buffer buffers_[2];
  int latest_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool have_copy_ = false;
};
