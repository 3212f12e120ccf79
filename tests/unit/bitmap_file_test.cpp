// The bitmap file layout the save command writes, and the checked reader that reads it back.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/bitmap_file.h"

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint32_t Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }

// A whole file: headers, a grey-ramp colour table when indexed, and zeroed rows.
std::vector<uint8_t> MakeFile(int32_t w, int32_t h, uint32_t bpp, uint32_t entries = 0) {
  auto header = BitmapFileHeader(w, h, bpp, entries);
  EXPECT_TRUE(header.has_value());
  if (!header) return {};
  std::vector<uint8_t> file(header->begin(), header->end());
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t v = static_cast<uint8_t>(i * 255 / (entries > 1 ? entries - 1 : 1));
    file.insert(file.end(), {v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(i), 0});
  }
  file.resize(file.size() + BitmapImageSize(uint32_t(w), uint32_t(h), bpp));
  return file;
}

// Byte offset of pixel (x, y) counted from the top, in a file made by MakeFile.
size_t PixelOffset(const std::vector<uint8_t>& file, int32_t x, int32_t y, uint32_t bpp) {
  const int32_t w = int32_t(Le32(&file[18])), h = int32_t(Le32(&file[22]));
  return Le32(&file[10]) + size_t(h - 1 - y) * BitmapStride(uint32_t(w), bpp) + size_t(x) * bpp / 8;
}

}  // namespace

TEST(BitmapLayout, StrideRoundsRowsUpToFourBytes) {
  EXPECT_EQ(BitmapStride(200, 32), 800u);
  EXPECT_EQ(BitmapStride(201, 24), 604u);
  EXPECT_EQ(BitmapStride(201, 16), 404u);
  EXPECT_EQ(BitmapStride(1, 1), 4u);
  EXPECT_EQ(BitmapStride(32, 1), 4u);
  EXPECT_EQ(BitmapStride(33, 1), 8u);
  EXPECT_EQ(BitmapStride(9, 4), 8u);
  EXPECT_EQ(BitmapStride(5, 8), 8u);
  EXPECT_EQ(BitmapStride(0xFFFFFFFFu, 32), 0x3FFFFFFFCull);  // no 32-bit overflow
}

TEST(BitmapLayout, HeaderBytesFor200x100At32Bits) {
  const auto h = BitmapFileHeader(200, 100, 32, 0);
  ASSERT_TRUE(h.has_value());
  const uint8_t expected[54] = {
      'B', 'M', 0xB6, 0x38, 0x01, 0x00,  // bfSize 80054
      0, 0, 0, 0,                        // reserved
      54, 0, 0, 0,                       // bfOffBits
      40, 0, 0, 0,                       // biSize
      200, 0, 0, 0, 100, 0, 0, 0,        // width, height (bottom-up)
      1, 0, 32, 0,                       // planes, bits
      0, 0, 0, 0,                        // BI_RGB
      0x80, 0x38, 0x01, 0x00,            // biSizeImage 80000
      0, 0, 0, 0, 0, 0, 0, 0,            // resolution
      0, 0, 0, 0, 0, 0, 0, 0};           // colours used, important
  EXPECT_EQ(0, std::memcmp(h->data(), expected, 54));
}

TEST(BitmapLayout, SizesAtEachDepth) {
  struct Case {
    int32_t w, h;
    uint32_t bpp, entries, image, fileSize, offBits;
  } cases[] = {
      {201, 100, 24, 0, 60400, 60454, 54},
      {201, 100, 16, 0, 40400, 40454, 54},
      {200, 100, 8, 256, 20000, 54 + 1024 + 20000, 54 + 1024},
      {7, 3, 4, 16, 12, 54 + 64 + 12, 54 + 64},
      {7, 3, 1, 2, 12, 54 + 8 + 12, 54 + 8},
  };
  for (const Case& c : cases) {
    const auto h = BitmapFileHeader(c.w, c.h, c.bpp, c.entries);
    ASSERT_TRUE(h.has_value()) << c.bpp;
    const uint8_t* p = h->data();
    EXPECT_EQ(Le32(p + 2), c.fileSize) << c.bpp;
    EXPECT_EQ(Le32(p + 10), c.offBits) << c.bpp;
    EXPECT_EQ(Le32(p + 18), uint32_t(c.w));
    EXPECT_EQ(Le32(p + 22), uint32_t(c.h));
    EXPECT_EQ(Le16(p + 28), c.bpp);
    EXPECT_EQ(Le32(p + 34), c.image) << c.bpp;
    EXPECT_EQ(Le32(p + 46), c.entries) << c.bpp;
  }
}

TEST(BitmapLayout, RefusesWhatTheLayoutCannotHold) {
  EXPECT_FALSE(BitmapFileHeader(0, 100, 32, 0));
  EXPECT_FALSE(BitmapFileHeader(100, 0, 32, 0));
  EXPECT_FALSE(BitmapFileHeader(-1, 100, 32, 0));
  EXPECT_FALSE(BitmapFileHeader(100, -5, 32, 0));
  EXPECT_FALSE(BitmapFileHeader(10, 10, 15, 0));
  EXPECT_FALSE(BitmapFileHeader(10, 10, 0, 0));
  EXPECT_FALSE(BitmapFileHeader(10, 10, 32, 256));  // no colour table above 8 bits
  EXPECT_FALSE(BitmapFileHeader(10, 10, 8, 0));
  EXPECT_FALSE(BitmapFileHeader(10, 10, 8, 257));
  EXPECT_FALSE(BitmapFileHeader(10, 10, 4, 17));
  EXPECT_FALSE(BitmapFileHeader(40000, 40000, 32, 0));  // 6.4 GB: bfSize cannot say it
  EXPECT_TRUE(BitmapFileHeader(32767, 32767, 32, 0));
}

TEST(BitmapReader, ReadsBackWhatTheHeaderDescribes) {
  const std::vector<uint8_t> file = MakeFile(201, 100, 24);
  const auto b = ParseBitmapFile(file.data(), file.size());
  ASSERT_TRUE(b.has_value());
  EXPECT_EQ(b->width, 201);
  EXPECT_EQ(b->height, 100);
  EXPECT_EQ(b->bitsPerPixel, 24u);
  EXPECT_EQ(b->stride, 604u);
  EXPECT_EQ(b->imageSize, 60400u);
  EXPECT_EQ(b->offBits, 54u);
  EXPECT_EQ(b->pixelDataOffset, 54u);
  EXPECT_EQ(b->colourTableEntries, 0u);

  const std::vector<uint8_t> indexed = MakeFile(200, 10, 8, 256);
  const auto i = ParseBitmapFile(indexed.data(), indexed.size());
  ASSERT_TRUE(i.has_value());
  EXPECT_EQ(i->colourTableOffset, 54u);
  EXPECT_EQ(i->colourTableEntries, 256u);
  EXPECT_EQ(i->pixelDataOffset, 54u + 1024u);
}

TEST(BitmapReader, PixelsAreBottomUpInEachDepth) {
  {
    std::vector<uint8_t> f = MakeFile(3, 2, 32);
    const size_t top = PixelOffset(f, 2, 0, 32), bottom = PixelOffset(f, 0, 1, 32);
    f[top] = 0x33, f[top + 1] = 0x22, f[top + 2] = 0x11, f[top + 3] = 0xEE;  // B G R x
    f[bottom] = 0x66, f[bottom + 1] = 0x55, f[bottom + 2] = 0x44;
    EXPECT_EQ(top, 54u + 12u + 8u);  // top row is stored last
    const auto b = ParseBitmapFile(f.data(), f.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->PixelAt(2, 0), 0x112233u);
    EXPECT_EQ(b->PixelAt(0, 1), 0x445566u);
    EXPECT_EQ(b->PixelAt(0, 0), 0u);
  }
  {
    std::vector<uint8_t> f = MakeFile(3, 2, 24);  // stride 12: 9 bytes of pixels, 3 of padding
    const size_t at = PixelOffset(f, 2, 1, 24);
    EXPECT_EQ(at, 54u + 6u);
    f[at] = 0xAB, f[at + 1] = 0xCD, f[at + 2] = 0xEF;
    const auto b = ParseBitmapFile(f.data(), f.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->PixelAt(2, 1), 0xEFCDABu);
    EXPECT_EQ(b->PixelAt(1, 1), 0u);
  }
  {
    std::vector<uint8_t> f = MakeFile(2, 2, 16);
    const size_t at = PixelOffset(f, 1, 0, 16);
    const uint16_t v = (31 << 10) | (16 << 5) | 1;  // 5-5-5: red full, green half, blue 1
    f[at] = uint8_t(v), f[at + 1] = uint8_t(v >> 8);
    const auto b = ParseBitmapFile(f.data(), f.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->PixelAt(1, 0), 0xFF8408u);
  }
  {
    std::vector<uint8_t> f = MakeFile(3, 2, 8, 4);
    f[PixelOffset(f, 1, 0, 8)] = 3;
    f[PixelOffset(f, 2, 0, 8)] = 4;  // past the 4-entry table
    const auto b = ParseBitmapFile(f.data(), f.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->PixelAt(1, 0), 0x0300FFu);  // entry 3: blue 255, green 0, red 3
    EXPECT_EQ(b->PixelAt(0, 0), 0x00FF00u);
    EXPECT_FALSE(b->PixelAt(2, 0));
  }
  {
    std::vector<uint8_t> f = MakeFile(9, 1, 1, 2);
    f[PixelOffset(f, 0, 0, 1)] = 0x41;  // pixels 1 and 7 set (leftmost in the top bit)
    f[PixelOffset(f, 8, 0, 1)] = 0x80;  // pixel 8
    const auto b = ParseBitmapFile(f.data(), f.size());
    ASSERT_TRUE(b);
    const uint32_t one = 0x0100FFu, zero = 0x00FF00u;  // table entries 1 and 0
    for (int x = 0; x < 9; ++x) EXPECT_EQ(b->PixelAt(x, 0), (x == 1 || x == 7 || x == 8) ? one : zero) << x;
  }
  {
    std::vector<uint8_t> f = MakeFile(3, 1, 4, 16);
    f[PixelOffset(f, 0, 0, 4)] = 0x5A;
    const auto b = ParseBitmapFile(f.data(), f.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->PixelAt(0, 0), (5u << 16) | (170u << 8) | 85u);
    EXPECT_EQ(b->PixelAt(1, 0), (10u << 16) | (85u << 8) | 170u);
  }
}

TEST(BitmapReader, PixelOutsideThePicture) {
  const std::vector<uint8_t> f = MakeFile(4, 3, 32);
  const auto b = ParseBitmapFile(f.data(), f.size());
  ASSERT_TRUE(b);
  EXPECT_FALSE(b->PixelAt(-1, 0));
  EXPECT_FALSE(b->PixelAt(0, -1));
  EXPECT_FALSE(b->PixelAt(4, 0));
  EXPECT_FALSE(b->PixelAt(0, 3));
  EXPECT_TRUE(b->PixelAt(3, 2));
}

TEST(BitmapReader, RejectsEachWrongField) {
  const std::vector<uint8_t> good = MakeFile(5, 4, 24);
  ASSERT_TRUE(ParseBitmapFile(good.data(), good.size()));
  struct Patch {
    size_t offset;
    uint32_t value;
    int bytes;
  } patches[] = {
      {0, 'X', 1},        {1, 'A', 1},      {2, 0, 4},          {2, 10000, 4},   {6, 1, 2},      {8, 1, 2},
      {10, 55, 4},        {10, 0, 4},       {14, 12, 4},        {14, 124, 4},    {18, 0, 4},     {18, 6, 4},
      {18, 0xFFFFFFFB, 4}, {22, 0xFFFFFFFC, 4}, {22, 5, 4},     {26, 2, 2},      {28, 32, 2},    {28, 12, 2},
      {30, 1, 4},         {30, 3, 4},       {34, 0, 4},         {34, 61, 4},     {38, 2835, 4},  {42, 1, 4},
      {46, 1, 4},         {50, 1, 4},
  };
  for (const Patch& p : patches) {
    std::vector<uint8_t> f = good;
    for (int i = 0; i < p.bytes; ++i) f[p.offset + i] = uint8_t(p.value >> (8 * i));
    EXPECT_FALSE(ParseBitmapFile(f.data(), f.size())) << "offset " << p.offset << " value " << p.value;
  }
  EXPECT_FALSE(ParseBitmapFile(nullptr, 100));
}

TEST(BitmapReader, ColourTableMustMatchTheDepth) {
  std::vector<uint8_t> f = MakeFile(4, 4, 8, 16);
  ASSERT_TRUE(ParseBitmapFile(f.data(), f.size()));
  f[46] = 0;  // biClrUsed 0 at 8 bits
  EXPECT_FALSE(ParseBitmapFile(f.data(), f.size()));
  std::vector<uint8_t> g = MakeFile(4, 4, 4, 16);
  g[46] = 17;
  EXPECT_FALSE(ParseBitmapFile(g.data(), g.size()));
}

TEST(BitmapReader, EveryTruncationIsRefused) {
  const std::vector<uint8_t> good = MakeFile(7, 5, 8, 256);
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_FALSE(ParseBitmapFile(cut.data(), cut.size())) << n;
    if (n >= 6) {  // even when bfSize is made to agree with the shorter length
      for (int i = 0; i < 4; ++i) cut[2 + i] = uint8_t(n >> (8 * i));
      EXPECT_FALSE(ParseBitmapFile(cut.data(), cut.size())) << n;
    }
  }
}

TEST(BitmapReader, RandomDamageNeverReadsOutOfBounds) {
  // Under AddressSanitizer: each damaged file lives in a buffer of exactly its size, and every
  // file the reader accepts has each of its pixels read.
  std::mt19937 random(12345);
  const std::vector<std::vector<uint8_t>> seeds = {MakeFile(3, 3, 32), MakeFile(5, 2, 24), MakeFile(6, 3, 16),
                                                   MakeFile(5, 3, 8, 256), MakeFile(9, 2, 4, 16),
                                                   MakeFile(17, 2, 1, 2)};
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::vector<uint8_t> f = seeds[random() % seeds.size()];
    const int flips = 1 + int(random() % 4);
    for (int i = 0; i < flips; ++i) {
      const size_t at = random() % 60 < 54 ? random() % 54 : random() % f.size();
      f[at] = static_cast<uint8_t>(random());
    }
    if (random() % 4 == 0) f.resize(random() % (f.size() + 8));
    std::vector<uint8_t> exact(f);  // capacity may exceed size; copy to an exact allocation
    exact.shrink_to_fit();
    const auto b = ParseBitmapFile(exact.data(), exact.size());
    if (!b) continue;
    ++accepted;
    EXPECT_EQ(uint64_t(b->offBits) + b->imageSize, exact.size());
    EXPECT_EQ(uint64_t(b->stride) * uint32_t(b->height), b->imageSize);
    for (int32_t y = 0; y < b->height; ++y)
      for (int32_t x = 0; x < b->width; ++x) (void)b->PixelAt(x, y);
  }
  EXPECT_GT(accepted, 0);  // flips inside the pixels leave valid files: the reads were made
}
