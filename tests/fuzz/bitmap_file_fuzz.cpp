// The bitmap file layout for any sizes: row strides, image sizes and the 54 header bytes agree
// with the same numbers worked out in 128 bits, never wrap, and a header is given exactly when
// the picture fits the layout. A small file built from a header reads back with the numbers it
// was made from; a file with one header byte changed either is refused or reads back as the
// header those numbers would give. Nothing may crash or read outside the file.
//
// Input: width, height (int32), bits per pixel, colour table entries (uint32), all little-
// endian; then the header byte to change and the bits to flip in it; the rest fills the colour
// table and the rows.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/bitmap_file.h"

namespace {

using u128 = unsigned __int128;

void Check(bool ok) {
  if (!ok) std::abort();
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint32_t Le16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }

bool IsDepth(uint32_t bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

// ceil(width * bpp / 32) * 4, without any limit on the size of the numbers.
u128 ExactStride(uint32_t width, uint32_t bpp) { return ((u128{width} * bpp + 31) / 32) * 4; }

// Files built in full stay small, so a run is quick and its memory bounded.
constexpr uint64_t kBuildLimit = 1 << 14;

// What a file that was read must hold together: its numbers follow from each other, its header
// is the one those numbers give, and its pixels come from its own bytes.
void CheckParsed(const ParsedBitmap& b, const uint8_t* file, size_t size) {
  Check(b.data == file && b.size == size && b.fileSize == size);
  Check(b.width > 0 && b.height > 0 && IsDepth(b.bitsPerPixel));
  Check(u128{b.stride} == ExactStride(static_cast<uint32_t>(b.width), b.bitsPerPixel));
  Check(uint64_t{b.imageSize} == uint64_t{b.stride} * static_cast<uint32_t>(b.height));
  Check(b.colourTableOffset == kBitmapHeadersSize && b.pixelDataOffset == b.offBits);
  Check(b.offBits == kBitmapHeadersSize + 4ull * b.colourTableEntries);
  Check(uint64_t{b.offBits} + b.imageSize == size);
  Check(b.bitsPerPixel > 8 ? b.colourTableEntries == 0
                           : b.colourTableEntries >= 1 && b.colourTableEntries <= (1u << b.bitsPerPixel));
  const auto header = BitmapFileHeader(b.width, b.height, b.bitsPerPixel, b.colourTableEntries);
  Check(header && std::memcmp(header->data(), file, kBitmapHeadersSize) == 0);

  const int32_t xs[] = {0, b.width / 2, b.width - 1};
  const int32_t ys[] = {0, b.height / 2, b.height - 1};
  for (int32_t y : ys) {
    for (int32_t x : xs) {
      const auto colour = b.PixelAt(x, y);
      if (b.bitsPerPixel > 8) {
        Check(colour.has_value() && *colour <= 0xFFFFFF);
        if (b.bitsPerPixel >= 24) {
          const uint8_t* p = file + b.offBits + uint64_t(b.height - 1 - y) * b.stride + uint64_t(x) * (b.bitsPerPixel / 8);
          Check(*colour == ((uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]));
        }
      } else if (colour) {
        // An indexed pixel shows one of the table's colours.
        bool inTable = false;
        for (uint32_t i = 0; i < b.colourTableEntries && !inTable; ++i) {
          const uint8_t* q = file + kBitmapHeadersSize + 4 * i;
          inTable = *colour == ((uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0]);
        }
        Check(inTable);
      }
    }
  }
  Check(!b.PixelAt(-1, 0) && !b.PixelAt(0, -1) && !b.PixelAt(b.width, 0) && !b.PixelAt(0, b.height));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 18) return 0;
  const uint32_t rawWidth = Le32(data);
  const uint32_t rawHeight = Le32(data + 4);
  const uint32_t bpp = Le32(data + 8);
  const uint32_t entries = Le32(data + 12);
  const uint8_t changeAt = data[16];
  const uint8_t flip = data[17];
  const uint8_t* fill = data + 18;
  const size_t fillSize = size - 18;

  // Strides: for any numbers, whole 32-bit units that hold the row and no more.
  const uint64_t stride = BitmapStride(rawWidth, bpp);
  Check(u128{stride} == ExactStride(rawWidth, bpp));
  Check(stride % 4 == 0 && u128{stride} * 8 >= u128{rawWidth} * bpp && u128{stride} * 8 < u128{rawWidth} * bpp + 32);
  Check(IsBitmapDepth(bpp) == IsDepth(bpp));

  // Image sizes: exact over every size a header can carry (positive 32-bit sides, a real depth).
  const uint32_t width31 = rawWidth & 0x7FFFFFFF, height31 = rawHeight & 0x7FFFFFFF;
  if (IsDepth(bpp)) {
    const u128 exact = ExactStride(width31, bpp) * height31;
    Check(exact <= UINT64_MAX && u128{BitmapImageSize(width31, height31, bpp)} == exact);
  }

  // The header: there exactly when the picture fits the layout, and it says what it was given.
  const int32_t width = static_cast<int32_t>(rawWidth), height = static_cast<int32_t>(rawHeight);
  const auto header = BitmapFileHeader(width, height, bpp, entries);
  const bool tableFits = bpp > 8 ? entries == 0 : entries >= 1 && entries <= (1u << bpp);
  bool fits = width > 0 && height > 0 && IsDepth(bpp) && tableFits;
  u128 fileSize = 0;
  if (fits) {
    fileSize = kBitmapHeadersSize + u128{4} * entries + ExactStride(rawWidth, bpp) * rawHeight;
    fits = fileSize <= 0xFFFFFFFFu;
  }
  Check(header.has_value() == fits);
  if (!header) return 0;
  const uint8_t* h = header->data();
  const uint64_t imageSize = static_cast<uint64_t>(ExactStride(rawWidth, bpp) * rawHeight);
  Check(h[0] == 'B' && h[1] == 'M' && Le32(h + 2) == fileSize && Le16(h + 6) == 0 && Le16(h + 8) == 0);
  Check(Le32(h + 10) == kBitmapHeadersSize + 4ull * entries && Le32(h + 14) == 40);
  Check(Le32(h + 18) == rawWidth && Le32(h + 22) == rawHeight && Le16(h + 26) == 1 && Le16(h + 28) == bpp);
  Check(Le32(h + 30) == 0 && Le32(h + 34) == imageSize && Le32(h + 38) == 0 && Le32(h + 42) == 0);
  Check(Le32(h + 46) == entries && Le32(h + 50) == 0);

  // A small file made from the header reads back with its numbers.
  if (fileSize > kBuildLimit) return 0;
  std::vector<uint8_t> file(static_cast<size_t>(fileSize));
  std::memcpy(file.data(), h, kBitmapHeadersSize);
  for (size_t i = kBitmapHeadersSize; i < file.size(); ++i)
    file[i] = fillSize ? fill[(i - kBitmapHeadersSize) % fillSize] : static_cast<uint8_t>(i);
  const auto parsed = ParseBitmapFile(file.data(), file.size());
  Check(parsed && parsed->width == width && parsed->height == height && parsed->bitsPerPixel == bpp &&
        parsed->colourTableEntries == entries);
  CheckParsed(*parsed, file.data(), file.size());
  // Neither a byte short nor a byte over.
  Check(!ParseBitmapFile(file.data(), file.size() - 1));
  file.push_back(0);
  Check(!ParseBitmapFile(file.data(), file.size()));
  file.pop_back();

  // One header byte changed.
  if (flip != 0) {
    file[changeAt % kBitmapHeadersSize] ^= flip;
    if (const auto changed = ParseBitmapFile(file.data(), file.size())) CheckParsed(*changed, file.data(), file.size());
  }
  return 0;
}
