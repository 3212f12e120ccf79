#pragma once
// The picture shown in the save dialog's preview: Windows bitmaps and JPEG photos decoded no
// larger than they are shown, icons and metafiles kept as the system draws them. And the
// windowless control that shows one, scaled to fit and centred.

#include <windows.h>

#include <string>

#include "app/preview_decode.h"
#include "toolkit/control.h"
#include "toolkit/handles.h"

class TPreviewPicture {
 public:
  // Loads the file by its extension (bmp, ico, emf, wmf, jpg, jpeg; any case). False, and no
  // picture, when the file is missing, is a folder, is of no known kind or cannot be read as
  // a picture. Bitmaps and photos keep only enough pixels to fill fitWidth x fitHeight.
  bool LoadFromFile(const std::string& fileName, int fitWidth, int fitHeight);
  void Clear();
  bool Empty() const { return width_ <= 0; }
  // The size of the picture in the file.
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Draws the picture scaled to fit `area` with its proportions kept, centred.
  void Draw(HDC dc, const RECT& area) const;

 private:
  bool LoadPixels(const std::string& fileName, PictureKind kind, int fitWidth, int fitHeight);
  bool LoadIcon(const std::string& fileName);
  bool LoadEnhMetaFile(const std::string& fileName);
  bool LoadMetaFile(const std::string& fileName);
  bool TakeMetaFileBounds();

  int width_ = 0;
  int height_ = 0;
  DecodedPicture pixels_;
  UniqueIcon icon_;
  UniqueEnhMetaFile metafile_;
};

// Shows a picture (or nothing) over its whole area on the parent's background, drawn through
// an off-screen copy so that repaints do not flicker.
class TPictureBox : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  void SetPicture(const TPreviewPicture* picture);
  void Paint(HDC dc) override;

 private:
  const TPreviewPicture* picture_ = nullptr;
};
