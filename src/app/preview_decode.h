#pragma once
// Turns the bytes of a picture file into pixels for the save dialog's preview. Bitmaps are read
// here directly, JPEG files through libjpeg; icons and metafiles are left to the Win32 side. The
// decoders trust nothing in the file: every size and offset is checked before anything is
// allocated, and the pixels kept are never more than the preview can show (kPreviewMaxSide on
// either side), whatever the file claims.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The longest side, in pixels, a decoded preview picture is ever stored at.
constexpr int32_t kPreviewMaxSide = 4096;

struct DecodedPicture {
  int32_t width = 0;   // the picture's own size, as the file gives it
  int32_t height = 0;
  int32_t pixelWidth = 0;  // the size of `pixels`, at most the picture's own size
  int32_t pixelHeight = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, pixelWidth * pixelHeight, rows top-down
};

struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const PictureSize&) const = default;
};

// The size a width x height picture takes inside a box with its proportions kept, rounded to
// whole pixels, at least 1 x 1 and never larger than the picture itself. Box sides below 1 count
// as 1. Zero or negative picture sides give 0 x 0.
PictureSize FitPictureSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight);

// The JPEG reduction used for a width x height picture shown in a fitWidth x fitHeight box
// (each side held to 1..kPreviewMaxSide): the largest of 1, 2, 4, 8 whose reduced picture,
// ceil(side / n) on each side, still covers FitPictureSize of the picture in that box.
int JpegScaleDenominator(int32_t width, int32_t height, int32_t fitWidth, int32_t fitHeight);

// A Windows bitmap file: BITMAPCOREHEADER, BITMAPINFOHEADER or its V2..V5 successors; 1, 4, 8,
// 16, 24, 32 bits per pixel uncompressed (16 bits as 5-5-5) and 16 or 32 bits with bit fields;
// rows bottom-up or top-down. Compressed bitmaps (RLE, embedded JPEG or PNG) give nothing.
// The pixels are sampled (nearest neighbour) down to FitPictureSize in the fit box, held to
// kPreviewMaxSide.
std::optional<DecodedPicture> DecodeBmp(const uint8_t* data, size_t size, int32_t fitWidth,
                                        int32_t fitHeight);

// A JPEG file, through libjpeg, reduced in the decoder by JpegScaleDenominator; when the
// reduced picture is still longer than kPreviewMaxSide on a side, rows and columns are sampled
// while reading. Grey, YCbCr, RGB, CMYK and YCCK pictures come out as RGB; other colour spaces,
// sample precisions the library was not built for, and damaged headers give nothing. When the
// data ends early the rows decoded so far are kept and the rest are grey.
std::optional<DecodedPicture> DecodeJpeg(const uint8_t* data, size_t size, int32_t fitWidth,
                                         int32_t fitHeight);

enum class PictureKind { None, Bmp, Jpeg, Icon, EnhMetafile, Metafile };

// The kind of picture a file name's extension says, ignoring case: bmp, jpg/jpeg, ico, emf, wmf.
// Anything else, no extension, or a name ending in "." is None.
PictureKind PictureKindOf(std::string_view fileName);

// DecodeBmp or DecodeJpeg as the name's extension says; nothing for every other kind.
std::optional<DecodedPicture> DecodePicture(std::string_view fileName, const uint8_t* data,
                                            size_t size, int32_t fitWidth, int32_t fitHeight);
