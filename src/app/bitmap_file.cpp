#include "app/bitmap_file.h"

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }

uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

bool ColourTableFits(uint32_t bitsPerPixel, uint32_t entries) {
  if (bitsPerPixel > 8) return entries == 0;
  return entries >= 1 && entries <= (1u << bitsPerPixel);
}

uint32_t Widen5(uint32_t c) { return (c << 3) | (c >> 2); }

}  // namespace

bool IsBitmapDepth(uint32_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
  }
}

uint64_t BitmapStride(uint32_t width, uint32_t bitsPerPixel) {
  return ((uint64_t{width} * bitsPerPixel + 31) / 32) * 4;
}

uint64_t BitmapImageSize(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
  return BitmapStride(width, bitsPerPixel) * height;
}

std::optional<std::array<uint8_t, kBitmapHeadersSize>> BitmapFileHeader(int32_t width, int32_t height,
                                                                        uint32_t bitsPerPixel,
                                                                        uint32_t colourTableEntries) {
  if (width <= 0 || height <= 0 || !IsBitmapDepth(bitsPerPixel) || !ColourTableFits(bitsPerPixel, colourTableEntries))
    return std::nullopt;
  const uint64_t imageSize =
      BitmapImageSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height), bitsPerPixel);
  const uint64_t offBits = kBitmapHeadersSize + 4ull * colourTableEntries;
  const uint64_t fileSize = offBits + imageSize;
  if (fileSize > 0xFFFFFFFFull) return std::nullopt;

  std::array<uint8_t, kBitmapHeadersSize> h{};
  uint8_t* p = h.data();
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, static_cast<uint32_t>(fileSize));
  Put16(p + 6, 0);
  Put16(p + 8, 0);
  Put32(p + 10, static_cast<uint32_t>(offBits));
  Put32(p + 14, 40);
  Put32(p + 18, static_cast<uint32_t>(width));
  Put32(p + 22, static_cast<uint32_t>(height));
  Put16(p + 26, 1);
  Put16(p + 28, bitsPerPixel);
  Put32(p + 30, 0);  // BI_RGB
  Put32(p + 34, static_cast<uint32_t>(imageSize));
  Put32(p + 38, 0);
  Put32(p + 42, 0);
  Put32(p + 46, colourTableEntries);
  Put32(p + 50, 0);
  return h;
}

std::optional<ParsedBitmap> ParseBitmapFile(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kBitmapHeadersSize) return std::nullopt;
  if (data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const uint32_t fileSize = Get32(data + 2);
  if (fileSize != size) return std::nullopt;
  if (Get16(data + 6) != 0 || Get16(data + 8) != 0) return std::nullopt;
  const uint32_t offBits = Get32(data + 10);
  if (Get32(data + 14) != 40) return std::nullopt;
  const int32_t width = static_cast<int32_t>(Get32(data + 18));
  const int32_t height = static_cast<int32_t>(Get32(data + 22));
  if (width <= 0 || height <= 0) return std::nullopt;
  if (Get16(data + 26) != 1) return std::nullopt;
  const uint32_t bpp = Get16(data + 28);
  if (!IsBitmapDepth(bpp)) return std::nullopt;
  if (Get32(data + 30) != 0) return std::nullopt;
  const uint32_t imageSize = Get32(data + 34);
  if (Get32(data + 38) != 0 || Get32(data + 42) != 0) return std::nullopt;
  const uint32_t entries = Get32(data + 46);
  if (!ColourTableFits(bpp, entries)) return std::nullopt;
  if (Get32(data + 50) != 0) return std::nullopt;

  const uint64_t stride = BitmapStride(static_cast<uint32_t>(width), bpp);
  if (stride > size) return std::nullopt;  // also keeps stride * height far from overflow
  const uint64_t expectedImage = stride * static_cast<uint64_t>(height);
  if (imageSize != expectedImage) return std::nullopt;
  const uint64_t expectedOff = kBitmapHeadersSize + 4ull * entries;
  if (offBits != expectedOff) return std::nullopt;
  if (uint64_t{offBits} + imageSize != size) return std::nullopt;

  ParsedBitmap b;
  b.width = width;
  b.height = height;
  b.bitsPerPixel = bpp;
  b.fileSize = fileSize;
  b.offBits = offBits;
  b.stride = static_cast<uint32_t>(stride);
  b.imageSize = imageSize;
  b.colourTableOffset = kBitmapHeadersSize;
  b.colourTableEntries = entries;
  b.pixelDataOffset = offBits;
  b.data = data;
  b.size = size;
  return b;
}

std::optional<uint32_t> ParsedBitmap::PixelAt(int32_t x, int32_t y) const {
  if (data == nullptr || x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
  const uint64_t row = static_cast<uint64_t>(height - 1 - y);
  const uint64_t rowStart = uint64_t{pixelDataOffset} + row * stride;
  const uint64_t bitOffset = uint64_t(static_cast<uint32_t>(x)) * bitsPerPixel;
  const uint64_t at = rowStart + bitOffset / 8;
  const uint64_t bytes = bitsPerPixel >= 8 ? bitsPerPixel / 8 : 1;
  if (at + bytes > size) return std::nullopt;
  const uint8_t* p = data + at;
  switch (bitsPerPixel) {
    case 32:
    case 24:
      return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    case 16: {
      const uint32_t v = Get16(p);
      return (Widen5((v >> 10) & 31) << 16) | (Widen5((v >> 5) & 31) << 8) | Widen5(v & 31);
    }
    default: {
      // Indexed: the leftmost pixel sits in the highest bits of its byte.
      const uint32_t shift = 8 - bitsPerPixel - static_cast<uint32_t>(bitOffset % 8);
      const uint32_t index = (p[0] >> shift) & ((1u << bitsPerPixel) - 1);
      if (index >= colourTableEntries) return std::nullopt;
      const uint64_t entry = uint64_t{colourTableOffset} + 4ull * index;
      if (entry + 4 > size) return std::nullopt;
      const uint8_t* q = data + entry;
      return (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
    }
  }
}
