#include "app/preview_decode.h"

#include <algorithm>
#include <array>
#include <climits>
#include <csetjmp>
#include <cstdio>  // jpeglib.h wants size_t and FILE declared first
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

namespace {

uint32_t Get16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }

uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

int32_t ClampBox(int32_t side) { return std::clamp(side, int32_t{1}, kPreviewMaxSide); }

// The source row or column that target number `t` of `targetCount` shows: the one under the
// target's centre. Strictly increasing in t when targetCount <= sourceCount.
uint32_t SampleIndex(uint32_t t, uint32_t targetCount, uint32_t sourceCount) {
  return static_cast<uint32_t>((2 * uint64_t{t} + 1) * sourceCount / (2 * uint64_t{targetCount}));
}

std::vector<uint32_t> SampleTable(uint32_t targetCount, uint32_t sourceCount) {
  std::vector<uint32_t> table(targetCount);
  for (uint32_t t = 0; t < targetCount; ++t) table[t] = SampleIndex(t, targetCount, sourceCount);
  return table;
}

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

// ---- bitmap ------------------------------------------------------------------------------

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

// One colour part of a bit-field pixel: (pixel & mask) >> shift runs 0..max.
struct BitField {
  uint32_t mask = 0;
  uint32_t shift = 0;
  uint32_t max = 0;
};

BitField MakeBitField(uint32_t mask) {
  BitField f;
  f.mask = mask;
  if (mask == 0) return f;
  while (((mask >> f.shift) & 1u) == 0) ++f.shift;
  f.max = mask >> f.shift;
  return f;
}

uint32_t FieldValue(uint32_t pixel, const BitField& f) {
  if (f.max == 0) return 0;
  const uint64_t v = (pixel & f.mask) >> f.shift;
  return static_cast<uint32_t>((v * 255 + f.max / 2) / f.max);
}

// Where everything of a bitmap file lies; every offset here has been checked against the size.
struct BitmapLayout {
  int32_t width = 0;
  int32_t height = 0;  // rows, always positive
  bool topDown = false;
  uint32_t bitsPerPixel = 0;
  uint64_t stride = 0;
  uint64_t pixelOffset = 0;
  uint64_t tableOffset = 0;
  uint32_t tableEntries = 0;
  uint32_t entrySize = 4;  // RGBQUAD, or RGBTRIPLE after a core header
  std::array<BitField, 3> fields{};  // red, green, blue for 16 and 32 bits per pixel
};

bool IsInfoHeaderSize(uint32_t size) {
  switch (size) {
    case 40: case 52: case 56: case 108: case 124: return true;
    default: return false;
  }
}

std::optional<BitmapLayout> ReadBitmapLayout(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kFileHeaderSize + kCoreHeaderSize) return std::nullopt;
  if (data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const uint64_t offBits = Get32(data + 10);
  const uint32_t headerSize = Get32(data + 14);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && !IsInfoHeaderSize(headerSize)) return std::nullopt;
  const uint64_t headersEnd = uint64_t{kFileHeaderSize} + headerSize;
  if (headersEnd > size) return std::nullopt;

  const uint8_t* h = data + kFileHeaderSize;
  BitmapLayout b;
  int64_t height = 0;
  uint32_t planes = 0, compression = kBiRgb, coloursUsed = 0;
  if (core) {
    b.width = static_cast<int32_t>(Get16(h + 4));
    height = Get16(h + 6);
    planes = Get16(h + 8);
    b.bitsPerPixel = Get16(h + 10);
    b.entrySize = 3;
    if (b.bitsPerPixel != 1 && b.bitsPerPixel != 4 && b.bitsPerPixel != 8 && b.bitsPerPixel != 24)
      return std::nullopt;
  } else {
    b.width = static_cast<int32_t>(Get32(h + 4));
    height = static_cast<int32_t>(Get32(h + 8));
    planes = Get16(h + 12);
    b.bitsPerPixel = Get16(h + 14);
    compression = Get32(h + 16);
    coloursUsed = Get32(h + 32);
  }
  if (planes != 1 || b.width <= 0 || height == 0) return std::nullopt;
  b.topDown = height < 0;
  height = height < 0 ? -height : height;  // 64 bits: INT32_MIN turns positive too
  if (height > INT32_MAX) return std::nullopt;
  b.height = static_cast<int32_t>(height);

  uint64_t tableOffset = headersEnd;
  if (compression == kBiRgb) {
    switch (b.bitsPerPixel) {
      case 1: case 4: case 8: case 24: break;
      case 16: b.fields = {MakeBitField(0x7C00), MakeBitField(0x03E0), MakeBitField(0x001F)}; break;
      case 32: b.fields = {MakeBitField(0xFF0000), MakeBitField(0xFF00), MakeBitField(0xFF)}; break;
      default: return std::nullopt;
    }
  } else if (compression == kBiBitfields && (b.bitsPerPixel == 16 || b.bitsPerPixel == 32)) {
    // The three masks follow a 40-byte header and are part of the larger ones.
    const uint64_t masksAt = uint64_t{kFileHeaderSize} + kInfoHeaderSize;
    if (headerSize == kInfoHeaderSize) tableOffset += 12;
    if (masksAt + 12 > size) return std::nullopt;
    b.fields = {MakeBitField(Get32(data + masksAt)), MakeBitField(Get32(data + masksAt + 4)),
                MakeBitField(Get32(data + masksAt + 8))};
  } else {
    return std::nullopt;
  }
  if (offBits < tableOffset || offBits > size) return std::nullopt;

  if (b.bitsPerPixel <= 8) {
    // The table sits between the headers and the pixels; a short one leaves high indexes black.
    const uint32_t most = 1u << b.bitsPerPixel;
    const uint64_t claimed = (coloursUsed == 0 || coloursUsed > most) ? most : coloursUsed;
    const uint64_t room = (offBits - tableOffset) / b.entrySize;
    b.tableEntries = static_cast<uint32_t>(std::min(claimed, room));
    if (b.tableEntries == 0) return std::nullopt;
    b.tableOffset = tableOffset;
  }

  b.stride = (uint64_t{static_cast<uint32_t>(b.width)} * b.bitsPerPixel + 31) / 32 * 4;
  const uint64_t available = size - offBits;
  if (uint64_t{static_cast<uint32_t>(b.height)} > available / b.stride) return std::nullopt;  // stride >= 4
  b.pixelOffset = offBits;
  return b;
}

// ---- JPEG --------------------------------------------------------------------------------

// Working memory libjpeg may use beyond its row buffers: the whole-picture coefficient store of
// progressive and multi-scan files (128 bytes an 8x8 block). About 90 megapixels of a 4:2:0
// progressive picture; a file claiming more ends in an error instead of an allocation.
constexpr long kJpegWorkingMemory = 256L * 1024 * 1024;
// Real progressive files have a few tens of scans; thousands of tiny ones only cost time.
constexpr int kMaxJpegScans = 200;
// Shown where a file's data ended before its picture did.
constexpr uint32_t kMissingPixel = 0x808080;

struct JpegErrors {
  jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is a pointer to this
  std::jmp_buf back;
  bool dataEnded;
};

extern "C" {

// Fatal errors jump back into RunJpeg instead of ending the process.
static void JpegJumpBack(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->back, 1);
}

// Warnings are counted, never printed; the one for data ending early is remembered.
static void JpegNote(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  ++errors->pub.num_warnings;
  if (errors->pub.msg_code == JWRN_JPEG_EOF) errors->dataEnded = true;
}

static void JpegProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) {
    cinfo->err->msg_code = JERR_NOT_COMPILED;  // any code: the text is never shown
    (*cinfo->err->error_exit)(cinfo);
  }
}

}  // extern "C"

// Everything a decode touches lives here, outside RunJpeg's frame, so a jump back from
// libjpeg skips no destructor and loses nothing.
struct JpegSession {
  jpeg_decompress_struct cinfo{};
  JpegErrors errors{};
  jpeg_progress_mgr progress{};
  std::vector<uint8_t> row;
  std::vector<uint32_t> columns;
  DecodedPicture picture;
};

void StoreRow(JpegSession& s, int32_t targetRow, bool cmyk, bool adobeInverted) {
  uint32_t* out = s.picture.pixels.data() + size_t(targetRow) * size_t(s.picture.pixelWidth);
  const uint8_t* in = s.row.data();
  for (size_t x = 0; x < s.columns.size(); ++x) {
    if (!cmyk) {
      const uint8_t* p = in + size_t{s.columns[x]} * 3;
      out[x] = Rgb(p[0], p[1], p[2]);
      continue;
    }
    // Adobe's files store the inks inverted (255 = none); plain CMYK stores the amount of ink.
    const uint8_t* p = in + size_t{s.columns[x]} * 4;
    uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
    if (!adobeInverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    out[x] = Rgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
  }
}

// True when s.picture holds the decoded picture. Only trivially destructible locals: libjpeg's
// errors come back here through longjmp.
bool RunJpeg(JpegSession& s, const uint8_t* data, size_t size, int32_t fitWidth, int32_t fitHeight) {
  jpeg_decompress_struct* cinfo = &s.cinfo;
  if (setjmp(s.errors.back)) return false;
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = kJpegWorkingMemory;
  cinfo->progress = &s.progress;
  jpeg_mem_src(cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;

  bool cmyk = false;
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE: case JCS_YCbCr: case JCS_RGB:
      cinfo->out_color_space = JCS_RGB;
      break;
    case JCS_CMYK: case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      cmyk = true;
      break;
    default:
      return false;
  }
  const int32_t width = static_cast<int32_t>(cinfo->image_width);
  const int32_t height = static_cast<int32_t>(cinfo->image_height);
  if (width <= 0 || height <= 0) return false;
  cinfo->scale_num = 1;
  cinfo->scale_denom = static_cast<unsigned int>(JpegScaleDenominator(width, height, fitWidth, fitHeight));
  cinfo->quantize_colors = FALSE;

  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != (cmyk ? 4 : 3)) return false;
  const uint32_t outWidth = cinfo->output_width, outHeight = cinfo->output_height;
  if (outWidth == 0 || outHeight == 0 || outWidth > INT32_MAX || outHeight > INT32_MAX) return false;
  const PictureSize stored = FitPictureSize(static_cast<int32_t>(outWidth), static_cast<int32_t>(outHeight),
                                            kPreviewMaxSide, kPreviewMaxSide);
  s.picture.width = width;
  s.picture.height = height;
  s.picture.pixelWidth = stored.width;
  s.picture.pixelHeight = stored.height;
  s.row.resize(size_t{outWidth} * size_t(cinfo->output_components));
  s.columns = SampleTable(uint32_t(stored.width), outWidth);
  s.picture.pixels.assign(size_t(stored.width) * size_t(stored.height), kMissingPixel);

  // A single-scan file is decoded as it is read. Once its data is over, the rest would only be
  // libjpeg's padding, which for a file claiming far more picture than it holds costs seconds:
  // a few more rows are read (those already decoded ahead of the output), and the rest stay
  // grey. Huffman data is over when the decoder meets any marker but a restart; arithmetic data
  // may end early by design (the encoder drops trailing zeros), so there only the end of the
  // file counts. Files with several scans were read whole by jpeg_start_decompress.
  const bool readWhileDecoding = !jpeg_has_multiple_scans(cinfo);
  const uint32_t rowsDecodedAhead = 3u * 8u * uint32_t(std::max(cinfo->max_v_samp_factor, 1));
  uint32_t stopAfter = outHeight;
  int32_t target = 0;
  while (target < stored.height && cinfo->output_scanline < stopAfter) {
    JSAMPROW rowPointer = s.row.data();
    if (jpeg_read_scanlines(cinfo, &rowPointer, 1) != 1) return false;
    const uint32_t source = cinfo->output_scanline - 1;
    while (target < stored.height && SampleIndex(uint32_t(target), uint32_t(stored.height), outHeight) == source) {
      StoreRow(s, target, cmyk, cinfo->saw_Adobe_marker != FALSE);
      ++target;
    }
    const int marker = cinfo->unread_marker;
    const bool huffmanOver = !cinfo->arith_code && marker != 0 && (marker < 0xD0 || marker > 0xD7);
    if (readWhileDecoding && stopAfter == outHeight && (s.errors.dataEnded || huffmanOver))
      stopAfter = std::min(outHeight, cinfo->output_scanline + rowsDecodedAhead);
  }
  // The remaining lines and markers are not needed; jpeg_destroy_decompress drops them.
  return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != b[i]) return false;
  }
  return true;
}

}  // namespace

PictureSize FitPictureSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight) {
  if (width <= 0 || height <= 0) return {};
  boxWidth = std::max(boxWidth, int32_t{1});
  boxHeight = std::max(boxHeight, int32_t{1});
  if (width <= boxWidth && height <= boxHeight) return {width, height};
  const uint64_t w = uint64_t(width), h = uint64_t(height), bw = uint64_t(boxWidth), bh = uint64_t(boxHeight);
  if (w * bh <= h * bw) {
    // The height fills the box (the picture is taller than the box and so larger than it).
    const uint64_t scaled = (2 * w * bh + h) / (2 * h);
    return {static_cast<int32_t>(std::clamp<uint64_t>(scaled, 1, w)), boxHeight};
  }
  const uint64_t scaled = (2 * h * bw + w) / (2 * w);
  return {boxWidth, static_cast<int32_t>(std::clamp<uint64_t>(scaled, 1, h))};
}

int JpegScaleDenominator(int32_t width, int32_t height, int32_t fitWidth, int32_t fitHeight) {
  if (width <= 0 || height <= 0) return 1;
  const PictureSize fit = FitPictureSize(width, height, ClampBox(fitWidth), ClampBox(fitHeight));
  for (int denominator : {8, 4, 2}) {
    const int64_t w = (int64_t{width} + denominator - 1) / denominator;
    const int64_t h = (int64_t{height} + denominator - 1) / denominator;
    if (w >= fit.width && h >= fit.height) return denominator;
  }
  return 1;
}

std::optional<DecodedPicture> DecodeBmp(const uint8_t* data, size_t size, int32_t fitWidth, int32_t fitHeight) {
  const std::optional<BitmapLayout> layout = ReadBitmapLayout(data, size);
  if (!layout) return std::nullopt;
  const BitmapLayout& b = *layout;

  std::array<uint32_t, 256> palette{};
  for (uint32_t i = 0; i < b.tableEntries; ++i) {
    const uint8_t* q = data + b.tableOffset + uint64_t{i} * b.entrySize;
    palette[i] = Rgb(q[2], q[1], q[0]);
  }

  const PictureSize out = FitPictureSize(b.width, b.height, ClampBox(fitWidth), ClampBox(fitHeight));
  DecodedPicture picture;
  picture.width = b.width;
  picture.height = b.height;
  picture.pixelWidth = out.width;
  picture.pixelHeight = out.height;
  picture.pixels.resize(size_t(out.width) * size_t(out.height));
  const std::vector<uint32_t> columns = SampleTable(uint32_t(out.width), uint32_t(b.width));
  const uint32_t bpp = b.bitsPerPixel;

  for (int32_t ty = 0; ty < out.height; ++ty) {
    const uint32_t sy = SampleIndex(uint32_t(ty), uint32_t(out.height), uint32_t(b.height));
    const uint64_t fileRow = b.topDown ? sy : uint64_t(b.height) - 1 - sy;
    const uint8_t* row = data + b.pixelOffset + fileRow * b.stride;
    uint32_t* dest = picture.pixels.data() + size_t(ty) * size_t(out.width);
    for (int32_t tx = 0; tx < out.width; ++tx) {
      const uint64_t sx = columns[size_t(tx)];
      uint32_t colour = 0;
      if (bpp <= 8) {
        const uint64_t bit = sx * bpp;
        const uint32_t shift = 8 - bpp - static_cast<uint32_t>(bit % 8);
        const uint32_t index = (row[bit / 8] >> shift) & ((1u << bpp) - 1);
        colour = index < b.tableEntries ? palette[index] : 0;
      } else if (bpp == 24) {
        const uint8_t* p = row + sx * 3;
        colour = Rgb(p[2], p[1], p[0]);
      } else {
        const uint32_t v = bpp == 16 ? Get16(row + sx * 2) : Get32(row + sx * 4);
        colour = Rgb(FieldValue(v, b.fields[0]), FieldValue(v, b.fields[1]), FieldValue(v, b.fields[2]));
      }
      dest[tx] = colour;
    }
  }
  return picture;
}

std::optional<DecodedPicture> DecodeJpeg(const uint8_t* data, size_t size, int32_t fitWidth, int32_t fitHeight) {
  if (data == nullptr || size < 2) return std::nullopt;
  if (static_cast<size_t>(static_cast<unsigned long>(size)) != size) return std::nullopt;  // LLP64
  auto session = std::make_unique<JpegSession>();
  session->cinfo.err = jpeg_std_error(&session->errors.pub);
  session->errors.pub.error_exit = JpegJumpBack;
  session->errors.pub.emit_message = JpegNote;
  session->progress.progress_monitor = JpegProgress;
  bool ok = false;
  try {
    ok = RunJpeg(*session, data, size, fitWidth, fitHeight);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  jpeg_destroy_decompress(&session->cinfo);
  if (!ok) return std::nullopt;
  return std::move(session->picture);
}

PictureKind PictureKindOf(std::string_view fileName) {
  const size_t cut = fileName.find_last_of("./\\:");
  if (cut == std::string_view::npos || fileName[cut] != '.') return PictureKind::None;
  const std::string_view ext = fileName.substr(cut + 1);
  if (EqualsIgnoringCase(ext, "bmp")) return PictureKind::Bmp;
  if (EqualsIgnoringCase(ext, "jpg") || EqualsIgnoringCase(ext, "jpeg")) return PictureKind::Jpeg;
  if (EqualsIgnoringCase(ext, "ico")) return PictureKind::Icon;
  if (EqualsIgnoringCase(ext, "emf")) return PictureKind::EnhMetafile;
  if (EqualsIgnoringCase(ext, "wmf")) return PictureKind::Metafile;
  return PictureKind::None;
}

std::optional<DecodedPicture> DecodePicture(std::string_view fileName, const uint8_t* data, size_t size,
                                            int32_t fitWidth, int32_t fitHeight) {
  switch (PictureKindOf(fileName)) {
    case PictureKind::Bmp: return DecodeBmp(data, size, fitWidth, fitHeight);
    case PictureKind::Jpeg: return DecodeJpeg(data, size, fitWidth, fitHeight);
    default: return std::nullopt;
  }
}
