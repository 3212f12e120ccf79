#pragma once
// The Windows bitmap file the program writes: a 14-byte file header and a 40-byte info header,
// BI_RGB, rows bottom-up, a colour table only at 8 bits per pixel or fewer. All numbers are
// little-endian. The reader accepts exactly that layout and is used to check saved files.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

constexpr uint32_t kBitmapHeadersSize = 54;  // BITMAPFILEHEADER + BITMAPINFOHEADER

// True for the depths a screen-compatible bitmap can have: 1, 4, 8, 16, 24, 32.
bool IsBitmapDepth(uint32_t bitsPerPixel);

// Bytes per row: ((width * bitsPerPixel + 31) / 32) * 4.
uint64_t BitmapStride(uint32_t width, uint32_t bitsPerPixel);

// stride * height.
uint64_t BitmapImageSize(uint32_t width, uint32_t height, uint32_t bitsPerPixel);

// The 54 header bytes for a picture of width x height at bitsPerPixel with colourTableEntries
// RGBQUADs following them. Empty when the picture cannot be written in this layout: width or
// height not positive, a depth not in IsBitmapDepth, a colour table above 8 bits per pixel or
// with 0 or more than 2^bitsPerPixel entries at 8 or fewer, or a file of 4 GiB or more.
std::optional<std::array<uint8_t, kBitmapHeadersSize>> BitmapFileHeader(int32_t width, int32_t height,
                                                                        uint32_t bitsPerPixel,
                                                                        uint32_t colourTableEntries);

// A checked view of a bitmap file held in memory (the bytes are not copied: keep them alive).
struct ParsedBitmap {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t bitsPerPixel = 0;
  uint32_t fileSize = 0;
  uint32_t offBits = 0;
  uint32_t stride = 0;
  uint32_t imageSize = 0;
  uint32_t colourTableOffset = kBitmapHeadersSize;
  uint32_t colourTableEntries = 0;
  uint32_t pixelDataOffset = 0;  // equals offBits
  const uint8_t* data = nullptr;
  size_t size = 0;

  // The colour of pixel (x, y), y counted from the top row, as 0xRRGGBB. 16-bit pixels are
  // 5-5-5 with each part widened to 8 bits by repeating its top bits; 8 bits or fewer look up
  // the colour table. Empty for a pixel outside the picture or an index outside the table.
  std::optional<uint32_t> PixelAt(int32_t x, int32_t y) const;
};

// Reads the headers and checks every field against the layout above and every offset against
// size: "BM", bfSize equal to size, reserved 0, biSize 40, positive width and height (bottom-up),
// one plane, a depth of IsBitmapDepth, BI_RGB, biSizeImage = stride * height, resolutions 0,
// biClrUsed 0 above 8 bits per pixel and 1..2^bpp otherwise, biClrImportant 0, bfOffBits right
// behind the colour table. Anything else, or too few bytes, gives nothing.
std::optional<ParsedBitmap> ParseBitmapFile(const uint8_t* data, size_t size);
