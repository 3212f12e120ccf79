// The save dialog's preview decoders: bitmaps read pixel for pixel, JPEG files reduced by the
// decoder to what the preview box needs, and damaged files refused or shown without harm.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "app/preview_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe(Bytes& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void PutBig16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v); }
uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }
uint32_t At(const DecodedPicture& p, int32_t x, int32_t y) { return p.pixels[size_t(y * p.pixelWidth + x)]; }

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift : {16, 8, 0})
    if (std::abs(int(actual >> shift & 255) - int(expected >> shift & 255)) > tolerance)
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << expected;
  return ::testing::AssertionSuccess();
}

// ---- bitmap files, written byte by byte ---------------------------------------------------

struct BmpRecipe {
  int32_t width = 13, height = 7;
  uint32_t bpp = 24;
  bool topDown = false;
  uint32_t headerSize = 40;         // 12 (core), 40, or 124 (V5)
  uint32_t compression = 0;         // 3: bit fields
  std::array<uint32_t, 3> masks{};  // red, green, blue with bit fields
  std::vector<uint32_t> palette{};  // 0xRRGGBB
};

// `raw(x, y)` is the stored value: a palette index at 8 bits or fewer, the pixel value otherwise.
Bytes MakeBmp(const BmpRecipe& s, const std::function<uint32_t(int32_t, int32_t)>& raw) {
  const bool core = s.headerSize == 12;
  const uint32_t entrySize = core ? 3 : 4, fieldSize = core ? 2 : 4;
  const uint32_t tableAt = 14 + s.headerSize + ((s.compression == 3 && s.headerSize == 40) ? 12 : 0);
  const uint32_t offBits = tableAt + entrySize * uint32_t(s.palette.size());
  const uint32_t stride = (uint32_t(s.width) * s.bpp + 31) / 32 * 4;
  Bytes b(offBits + size_t(stride) * uint32_t(s.height));
  b[0] = 'B', b[1] = 'M';
  PutLe(b, 2, uint32_t(b.size()), 4), PutLe(b, 10, offBits, 4), PutLe(b, 14, s.headerSize, 4);
  PutLe(b, 18, uint32_t(s.width), int(fieldSize));
  PutLe(b, 18 + fieldSize, uint32_t(s.topDown ? -s.height : s.height), int(fieldSize));
  PutLe(b, 18 + 2 * fieldSize, 1, 2), PutLe(b, 20 + 2 * fieldSize, s.bpp, 2);
  if (!core) {
    PutLe(b, 30, s.compression, 4), PutLe(b, 34, stride * uint32_t(s.height), 4);
    PutLe(b, 46, uint32_t(s.palette.size()), 4);
    if (s.compression == 3)
      for (size_t i = 0; i < 3; ++i) PutLe(b, 54 + 4 * i, s.masks[i], 4);
  }
  for (size_t i = 0; i < s.palette.size(); ++i) PutLe(b, tableAt + i * entrySize, s.palette[i], 3);
  for (int32_t r = 0; r < s.height; ++r) {
    const size_t row = offBits + size_t(r) * stride;
    for (int32_t x = 0; x < s.width; ++x) {
      const uint32_t v = raw(x, s.topDown ? r : s.height - 1 - r), bit = uint32_t(x) * s.bpp;
      if (s.bpp < 8) b[row + bit / 8] |= uint8_t(v << (8 - s.bpp - bit % 8));
      else PutLe(b, row + bit / 8, v, int(s.bpp / 8));
    }
  }
  return b;
}

std::vector<uint32_t> Palette(uint32_t n) {
  std::vector<uint32_t> p;
  for (uint32_t i = 0; i < n; ++i) p.push_back(Rgb(i * 37 % 256, 255 - i, i * 11 % 256));
  return p;
}

// ---- JPEG files, compressed with libjpeg ----------------------------------------------------

struct JpegRecipe {
  int width = 64, height = 48;
  J_COLOR_SPACE input = JCS_RGB;       // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK
  J_COLOR_SPACE stored = JCS_UNKNOWN;  // unknown: libjpeg's default for the input
  bool progressive = false, arithmetic = false;
  int quality = 90;
};

// Four values a pixel, of which the input colour space uses the first 1, 3 or 4.
using JpegPainter = std::function<std::array<uint8_t, 4>(int x, int y)>;

JpegPainter Flat(uint8_t a, uint8_t b, uint8_t c, uint8_t d = 0) {
  return [=](int, int) { return std::array<uint8_t, 4>{a, b, c, d}; };
}

// Everything libjpeg's error jump could skip lives here, outside the frame that calls setjmp.
struct JpegEncoder {
  jpeg_compress_struct cinfo{};
  struct Errors {
    jpeg_error_mgr pub;
    std::jmp_buf back;
  } errors{};
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  std::vector<uint8_t> row;
};

extern "C" void TestJpegJump(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegEncoder::Errors*>(c->err)->back, 1); }
extern "C" void TestJpegQuiet(j_common_ptr, int) {}

bool RunEncoder(JpegEncoder& e, const JpegRecipe& recipe, const JpegPainter& paint) {
  if (setjmp(e.errors.back)) return false;
  jpeg_create_compress(&e.cinfo);
  jpeg_mem_dest(&e.cinfo, &e.out, &e.outSize);
  const int components = recipe.input == JCS_GRAYSCALE ? 1 : recipe.input == JCS_CMYK ? 4 : 3;
  e.cinfo.image_width = JDIMENSION(recipe.width);
  e.cinfo.image_height = JDIMENSION(recipe.height);
  e.cinfo.input_components = components;
  e.cinfo.in_color_space = recipe.input;
  jpeg_set_defaults(&e.cinfo);
  if (recipe.stored != JCS_UNKNOWN) jpeg_set_colorspace(&e.cinfo, recipe.stored);
  jpeg_set_quality(&e.cinfo, recipe.quality, TRUE);
  if (recipe.progressive) jpeg_simple_progression(&e.cinfo);
  e.cinfo.arith_code = recipe.arithmetic ? TRUE : FALSE;
  jpeg_start_compress(&e.cinfo, TRUE);
  e.row.resize(size_t(recipe.width * components));
  for (JSAMPROW r = e.row.data(); e.cinfo.next_scanline < e.cinfo.image_height; jpeg_write_scanlines(&e.cinfo, &r, 1))
    for (int x = 0; x < recipe.width; ++x)
      std::copy_n(paint(x, int(e.cinfo.next_scanline)).begin(), components, e.row.begin() + x * components);
  jpeg_finish_compress(&e.cinfo);
  return true;
}

Bytes EncodeJpeg(const JpegRecipe& recipe, const JpegPainter& paint) {
  JpegEncoder e;
  e.cinfo.err = jpeg_std_error(&e.errors.pub);
  e.errors.pub.error_exit = TestJpegJump;
  e.errors.pub.emit_message = TestJpegQuiet;
  const bool ok = RunEncoder(e, recipe, paint);
  jpeg_destroy_compress(&e.cinfo);
  Bytes bytes;
  if (ok && e.out) bytes.assign(e.out, e.out + e.outSize);
  std::free(e.out);
  EXPECT_TRUE(ok) << "compressing a test picture failed";
  return bytes;
}

// The offset of the first (or last) marker FF xx with xx in `codes`; 0 when there is none.
size_t FindMarker(const Bytes& b, std::vector<uint8_t> codes, bool last = false) {
  size_t found = 0;
  for (size_t i = 2; i + 1 < b.size() && (last || found == 0); ++i)
    if (b[i] == 0xFF && std::find(codes.begin(), codes.end(), b[i + 1]) != codes.end()) found = i;
  return found;
}
size_t FindFrame(const Bytes& b) { return FindMarker(b, {0xC0, 0xC1, 0xC2, 0xC9, 0xCA}); }

}  // namespace

TEST(PreviewKind, ExtensionChoosesTheDecoder) {
  using K = PictureKind;
  const std::pair<const char*, PictureKind> cases[] = {
      {"photo.jpg", K::Jpeg}, {"PHOTO.JPEG", K::Jpeg}, {"C:\\dir\\Shot.BMP", K::Bmp}, {"x.ico", K::Icon},
      {"x.EMF", K::EnhMetafile}, {"x.wmf", K::Metafile}, {"x.gif", K::None}, {"x.png", K::None},
      {"bmp", K::None}, {"picture.", K::None}, {"", K::None}, {"dir.bmp\\file", K::None}, {"x.bmpx", K::None}};
  for (const auto& [name, kind] : cases) EXPECT_EQ(PictureKindOf(name), kind) << name;

  const Bytes bmp = MakeBmp({}, [](int32_t, int32_t) { return 0x123456u; });
  EXPECT_TRUE(DecodePicture("A.BMP", bmp.data(), bmp.size(), 100, 100));
  EXPECT_FALSE(DecodePicture("a.jpg", bmp.data(), bmp.size(), 100, 100));
  EXPECT_FALSE(DecodePicture("a.ico", bmp.data(), bmp.size(), 100, 100));
}

TEST(PreviewFit, SizeInsideTheBoxAndJpegReduction) {
  const struct {
    int32_t w, h, boxW, boxH;
    PictureSize fit;
    int denominator;
  } cases[] = {
      {4000, 3000, 300, 200, {267, 200}, 8},  // 1/8 gives 500 x 375
      {640, 480, 800, 600, {640, 480}, 1},    // smaller than the box: as it is
      {640, 480, 100, 100, {100, 75}, 4},     // 1/8 (80 x 60) would need enlarging
      {640, 480, 600, 450, {600, 450}, 1},    // a little larger than the box: 1/2 is too small
      {641, 481, 320, 240, {320, 240}, 2},    // 1/2 rounds up to 321 x 241
      {10, 1000, 50, 50, {1, 50}, 8},         // never thinner than one pixel
      {7, 5, 0, -3, {1, 1}, 8},               // an empty box counts as 1 x 1
      {0, 10, 10, 10, {0, 0}, 1},
      {100000, 50000, 1 << 30, 1 << 30, {100000, 50000}, 8},  // JPEG holds the box to the cap
      {20000, 20000, 4096, 4096, {4096, 4096}, 4},            // 1/8 (2500) would not cover it
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitPictureSize(c.w, c.h, c.boxW, c.boxH), c.fit) << c.w << "x" << c.h << " in " << c.boxW;
    EXPECT_EQ(JpegScaleDenominator(c.w, c.h, c.boxW, c.boxH), c.denominator) << c.w << "x" << c.h;
  }
}

TEST(PreviewJpeg, SizeReductionAndColour) {
  const JpegPainter gradientWithBlock = [](int x, int y) {
    if (x >= 280 && x < 360 && y >= 200 && y < 280) return std::array<uint8_t, 4>{200, 60, 30, 0};
    return std::array<uint8_t, 4>{uint8_t(x * 255 / 639), uint8_t(y * 255 / 479), 128, 0};
  };
  const JpegPainter redThenBlue = [](int x, int) {
    return x < 2500 ? std::array<uint8_t, 4>{255, 0, 0, 0} : std::array<uint8_t, 4>{0, 0, 255, 0};
  };
  const JpegPainter blue = Flat(30, 90, 220);
  struct Probe {
    int32_t x, y;
    uint32_t colour;
  };
  // CMYK as Adobe writes it: inverted inks, so (r, g, b, 255) means that RGB colour.
  const struct {
    JpegRecipe recipe;
    const JpegPainter& paint;
    int32_t boxW, boxH, pixelW, pixelH;
    std::vector<Probe> probes;
  } cases[] = {
      {{.width = 640, .height = 480}, gradientWithBlock, 1000, 800, 640, 480,
       {{320, 240, Rgb(200, 60, 30)}, {639, 479, Rgb(255, 255, 128)}, {0, 0, Rgb(0, 0, 128)}}},
      {{.width = 4000, .height = 3000, .quality = 50}, blue, 300, 200, 500, 375, {{250, 187, Rgb(30, 90, 220)}}},
      {{.width = 640, .height = 480}, blue, 320, 240, 320, 240, {{160, 120, Rgb(30, 90, 220)}}},
      {{.width = 650, .height = 90}, blue, 100, 100, 163, 23, {{81, 11, Rgb(30, 90, 220)}}},  // 1/4, rounded up
      {{.width = 5000, .height = 100, .quality = 60}, redThenBlue, 100000, 100000, kPreviewMaxSide, 82,
       {{100, 40, Rgb(255, 0, 0)}, {4000, 81, Rgb(0, 0, 255)}}},  // held to the cap by sampling
      {{.input = JCS_GRAYSCALE}, Flat(90, 0, 0), 64, 48, 64, 48, {{32, 24, Rgb(90, 90, 90)}}},
      {{.stored = JCS_RGB}, Flat(10, 200, 100), 64, 48, 64, 48, {{32, 24, Rgb(10, 200, 100)}}},
      {{.input = JCS_CMYK}, Flat(200, 120, 40, 255), 64, 48, 64, 48, {{32, 24, Rgb(200, 120, 40)}}},
      {{.input = JCS_CMYK}, Flat(255, 255, 255, 128), 64, 48, 64, 48, {{32, 24, Rgb(128, 128, 128)}}},
      {{.input = JCS_CMYK, .stored = JCS_YCCK}, Flat(200, 120, 40, 255), 64, 48, 64, 48, {{32, 24, Rgb(200, 120, 40)}}},
      {{.progressive = true}, blue, 64, 48, 64, 48, {{32, 24, Rgb(30, 90, 220)}}},
      {{.progressive = true, .arithmetic = true}, Flat(240, 20, 20), 64, 48, 64, 48, {{32, 24, Rgb(240, 20, 20)}}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const Bytes file = EncodeJpeg(c.recipe, c.paint);
    const auto p = DecodeJpeg(file.data(), file.size(), c.boxW, c.boxH);
    ASSERT_TRUE(p) << "case " << i;
    EXPECT_EQ(p->width, c.recipe.width) << "case " << i;
    EXPECT_EQ(p->height, c.recipe.height) << "case " << i;
    ASSERT_EQ(p->pixelWidth, c.pixelW) << "case " << i;
    ASSERT_EQ(p->pixelHeight, c.pixelH) << "case " << i;
    ASSERT_EQ(p->pixels.size(), size_t(c.pixelW) * size_t(c.pixelH)) << "case " << i;
    for (const Probe& probe : c.probes) EXPECT_TRUE(Near(At(*p, probe.x, probe.y), probe.colour, 8)) << "case " << i;
  }
}

TEST(PreviewJpeg, DataEndingEarlyLeavesTheRestGrey) {
  // A flat red top costs few bytes; the busy rows below it hold nearly all the data.
  const Bytes whole = EncodeJpeg({.width = 64, .height = 256}, [](int x, int y) {
    if (y < 32) return std::array<uint8_t, 4>{220, 30, 30, 0};
    return std::array<uint8_t, 4>{uint8_t(x * y * 37), uint8_t(x * 91 + y * 13), uint8_t((x ^ y) * 29), 0};
  });
  const size_t scan = FindMarker(whole, {0xDA}), frame = FindFrame(whole);
  ASSERT_GT(scan, 0u);
  ASSERT_GT(frame, 0u);
  const Bytes cut(whole.begin(), whole.begin() + ptrdiff_t(scan + (whole.size() - scan) / 3));
  Bytes claims = whole;  // 65500 x 65500 claimed, 64 x 256 held
  PutBig16(claims, frame + 5, 65500), PutBig16(claims, frame + 7, 65500);
  const struct {
    const Bytes& file;
    int32_t side, pixelWidth, pixelHeight;
  } cases[] = {{cut, 256, 64, 256}, {claims, 65500, kPreviewMaxSide, kPreviewMaxSide}};
  for (const auto& c : cases) {
    // libjpeg pads missing data with grey too, so only the cost shows that the decoder stopped:
    // padding out all 65500 rows takes over a second of processor time.
    const std::clock_t before = std::clock();
    const auto p = DecodeJpeg(c.file.data(), c.file.size(), 64, 256);
    EXPECT_LT(double(std::clock() - before) / CLOCKS_PER_SEC, 0.4) << c.side;
    ASSERT_TRUE(p) << c.side;
    EXPECT_EQ(p->height, c.side);
    ASSERT_EQ(p->pixelWidth, c.pixelWidth);
    ASSERT_EQ(p->pixels.size(), size_t(c.pixelWidth) * size_t(c.pixelHeight));
    EXPECT_TRUE(Near(At(*p, 0, 0), Rgb(220, 30, 30), 8)) << c.side;
    EXPECT_EQ(At(*p, 0, c.pixelHeight - 1), 0x808080u) << c.side;
  }
}

TEST(PreviewJpeg, RefusesWhatTheLibraryCannotRead) {
  Bytes twelveBit = EncodeJpeg({}, Flat(1, 2, 3));
  ASSERT_TRUE(DecodeJpeg(twelveBit.data(), twelveBit.size(), 64, 48));
  twelveBit[FindFrame(twelveBit) + 4] = 12;  // sample precision: this library reads 8 bits only
  EXPECT_FALSE(DecodeJpeg(twelveBit.data(), twelveBit.size(), 64, 48));
  const Bytes noImage = {0xFF, 0xD8, 0xFF, 0xD9};
  EXPECT_FALSE(DecodeJpeg(noImage.data(), noImage.size(), 64, 48));
  EXPECT_FALSE(DecodeJpeg(nullptr, 0, 64, 48));

  // Endless scans: the last scan of a progressive file repeated past the limit of 200.
  const Bytes progressive = EncodeJpeg({.progressive = true}, Flat(30, 90, 220));
  const Bytes scan(progressive.begin() + ptrdiff_t(FindMarker(progressive, {0xDA}, true)), progressive.end() - 2);
  for (int repeats : {20, 250}) {
    Bytes many(progressive.begin(), progressive.end() - 2);
    for (int i = 0; i < repeats; ++i) many.insert(many.end(), scan.begin(), scan.end());
    many.insert(many.end(), {0xFF, 0xD9});
    EXPECT_EQ(DecodeJpeg(many.data(), many.size(), 64, 48).has_value(), repeats < 200) << repeats;
  }
}

TEST(PreviewBmp, PixelExactAtEveryDepthAndRowOrder) {
  // Each case is drawn in a few inks: the stored value and the colour it stands for.
  using Inks = std::vector<std::pair<uint32_t, uint32_t>>;
  const auto indexed = [](uint32_t n) {
    Inks inks;
    for (uint32_t colour : Palette(n)) inks.push_back({uint32_t(inks.size()), colour});
    return inks;
  };
  const Inks rgb = {{0x123456, 0x123456}, {0xFFFFFF, 0xFFFFFF}, {0, 0}, {0xA0B0C0, 0xA0B0C0}, {0x00FF01, 0x00FF01}};
  const Inks rgb555 = {{0x7FFF, 0xFFFFFF}, {0x7C00, 0xFF0000}, {0, 0}, {0x4210, 0x848484}, {0x001F, 0x0000FF}};
  const Inks rgb565 = {{0xF800, 0xFF0000}, {0x07E0, 0x00FF00}, {0x001F, 0x0000FF}, {0x8410, 0x848284}};
  const Inks rgbx = {{0x00332211, 0x112233}, {0xFF0000FF, 0xFF0000}, {0x00FF0000, 0x0000FF}};
  const struct {
    BmpRecipe recipe;
    Inks inks;
  } cases[] = {
      {{.bpp = 1, .palette = Palette(2)}, indexed(2)},
      {{.bpp = 1, .topDown = true, .palette = Palette(2)}, indexed(2)},
      {{.bpp = 4, .palette = Palette(16)}, indexed(16)},
      {{.bpp = 8, .palette = Palette(256)}, indexed(256)},
      {{.bpp = 8, .topDown = true, .palette = Palette(5)}, indexed(5)},
      {{.bpp = 16}, rgb555},
      {{.bpp = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}}, rgb565},
      {{.bpp = 24}, rgb},
      {{.bpp = 24, .topDown = true}, rgb},
      {{.bpp = 32}, rgb},
      {{.bpp = 32, .topDown = true}, rgb},
      {{.bpp = 32, .headerSize = 124, .compression = 3, .masks = {0xFF, 0xFF00, 0xFF0000}}, rgbx},
      {{.bpp = 8, .headerSize = 12, .palette = Palette(256)}, indexed(256)},
      {{.bpp = 24, .headerSize = 12}, rgb},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const auto ink = [&](int32_t x, int32_t y) { return c.inks[size_t(x * 3 + y * 5) % c.inks.size()]; };
    const Bytes file = MakeBmp(c.recipe, [&](int32_t x, int32_t y) { return ink(x, y).first; });
    const auto p = DecodeBmp(file.data(), file.size(), 1000, 1000);
    ASSERT_TRUE(p) << "case " << i;
    EXPECT_EQ(p->width, 13);
    EXPECT_EQ(p->height, 7);
    ASSERT_EQ(p->pixelWidth, 13);
    ASSERT_EQ(p->pixels.size(), 13u * 7u);
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(At(*p, x, y), ink(x, y).second) << i << ": " << x << "," << y;
  }
}

TEST(PreviewBmp, SampledDownToTheBox) {
  const auto colour = [](int32_t x, int32_t y) { return Rgb(uint32_t(x) % 256, uint32_t(y) % 256, uint32_t(x / 256)); };
  const Bytes file = MakeBmp({.width = 640, .height = 480, .bpp = 24}, colour);
  const auto p = DecodeBmp(file.data(), file.size(), 320, 320);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 640);
  EXPECT_EQ(p->height, 480);
  ASSERT_EQ(p->pixelWidth, 320);
  ASSERT_EQ(p->pixelHeight, 240);
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 320; ++x) ASSERT_EQ(At(*p, x, y), colour(2 * x + 1, 2 * y + 1)) << x << "," << y;
}

TEST(PreviewBmp, AbsurdHeadersGiveNothing) {
  const Bytes good = MakeBmp({.bpp = 8, .palette = Palette(256)}, [](int32_t x, int32_t) { return uint32_t(x); });
  ASSERT_TRUE(DecodeBmp(good.data(), good.size(), 100, 100));
  const struct {
    size_t at;
    uint32_t value;
    int bytes;
  } edits[] = {
      {18, 100000, 4}, {22, 100000, 4}, {18, 0, 4}, {22, 0, 4}, {22, uint32_t(-100000), 4}, {22, 0x80000000u, 4},
      {18, 0x80000000u, 4}, {10, 0xFFFFFFF0u, 4}, {10, 20, 4}, {10, 54, 4} /* no room for the table */,
      {14, 64, 4}, {14, 0xFFFFFFFFu, 4}, {26, 2, 2}, {28, 0, 2}, {28, 7, 2}, {28, 64, 2},
      {30, 1, 4} /* RLE8 */, {30, 3, 4} /* bit fields at 8 bits */, {30, 4, 4} /* JPEG */,
  };
  for (const auto& e : edits) {
    Bytes bad = good;
    PutLe(bad, e.at, e.value, e.bytes);
    EXPECT_FALSE(DecodeBmp(bad.data(), bad.size(), 100, 100)) << "offset " << e.at << " = " << e.value;
  }
  EXPECT_FALSE(DecodeBmp(nullptr, 0, 100, 100));
  EXPECT_FALSE(DecodeBmp(good.data(), good.size() - 1, 100, 100));  // last row short by a byte
}

TEST(PreviewDecode, DamagedFilesAreRefusedOrShownSafely) {
  const auto start = std::chrono::steady_clock::now();
  const auto xy = [](int32_t x, int32_t y) { return uint32_t(x * 7 + y * 3) % 16; };
  const Bytes bases[] = {
      MakeBmp({.bpp = 1, .palette = Palette(2)}, [](int32_t x, int32_t) { return uint32_t(x & 1); }),
      MakeBmp({.bpp = 8, .palette = Palette(20)}, xy),
      MakeBmp({.bpp = 24, .topDown = true}, xy),
      MakeBmp({.bpp = 16, .headerSize = 124, .compression = 3, .masks = {0xF800, 0x7E0, 0x1F}}, xy),
      MakeBmp({.bpp = 4, .headerSize = 12, .palette = Palette(16)}, xy),
      EncodeJpeg({}, [](int x, int y) { return std::array<uint8_t, 4>{uint8_t(x * 4), uint8_t(y * 5), 9, 0}; }),
      EncodeJpeg({.progressive = true}, Flat(30, 90, 220)),
      EncodeJpeg({.arithmetic = true}, Flat(30, 90, 220)),
      EncodeJpeg({.input = JCS_CMYK}, Flat(200, 120, 40, 255)),
  };

  std::vector<Bytes> variants;
  std::mt19937 random(20240611);
  for (const Bytes& b : bases) {
    const bool jpeg = b[0] == 0xFF;
    ASSERT_TRUE(jpeg ? DecodeJpeg(b.data(), b.size(), 300, 200) : DecodeBmp(b.data(), b.size(), 300, 200));
    for (size_t len = 0; len < b.size(); len += (len < 80 ? 1 : b.size() / 25 + 1))
      variants.emplace_back(b.begin(), b.begin() + ptrdiff_t(len));
    for (int i = 0; i < 60; ++i) {  // most in the headers
      variants.push_back(b);
      const size_t at = random() % (i < 40 ? std::min<size_t>(b.size(), 200) : b.size());
      variants.back()[at] = uint8_t(b[at] ^ (1u + random() % 255));
    }
    if (jpeg) {
      // Arithmetic data may truly hold a huge flat picture in a few bytes; decoding that one
      // claim in full takes seconds, so it is left out.
      const bool huffman = FindMarker(b, {0xC9, 0xCA}) == 0;
      for (auto [w, h] : {std::pair{65500u, 65500u}, {64u, 0u}, {0u, 48u}, {65535u, 65535u}, {65500u, 1u}}) {
        if (w == h && w == 65500 && !huffman) continue;
        variants.push_back(b);
        PutBig16(variants.back(), FindFrame(b) + 5, h), PutBig16(variants.back(), FindFrame(b) + 7, w);
      }
    }
  }
  ASSERT_GT(variants.size(), 1000u);

  size_t shown = 0;
  for (size_t i = 0; i < variants.size(); ++i) {
    const Bytes& v = variants[i];
    for (const auto& p : {DecodeBmp(v.data(), v.size(), 300, 200), DecodeJpeg(v.data(), v.size(), 300, 200)}) {
      if (!p) continue;
      ++shown;
      ASSERT_GE(std::min(p->pixelWidth, p->pixelHeight), 1) << "variant " << i;
      ASSERT_LE(p->pixelWidth, std::min(p->width, kPreviewMaxSide)) << "variant " << i;
      ASSERT_LE(p->pixelHeight, std::min(p->height, kPreviewMaxSide)) << "variant " << i;
      ASSERT_EQ(p->pixels.size(), size_t(p->pixelWidth) * size_t(p->pixelHeight)) << "variant " << i;
    }
  }
  // Flipped pixel bytes leave a readable file: the sweep reaches the pixel loops too.
  EXPECT_GT(shown, variants.size() / 4);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
