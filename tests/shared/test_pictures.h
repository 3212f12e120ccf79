#pragma once
// Picture files the tests make at run time: a JPEG photo (through libjpeg) and a Windows
// bitmap, each painted by a function of the pixel position (0x00RRGGBB). Header-only, shared
// by the Win32 tests and the end-to-end driver.

#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace test_pictures {

using Painter = std::function<uint32_t(int x, int y)>;

namespace detail {
struct JumpingErrors {
  jpeg_error_mgr pub;
  std::jmp_buf back;
};
extern "C" inline void JumpBack(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JumpingErrors*>(cinfo->err)->back, 1);
}
inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}
}  // namespace detail

// A baseline RGB JPEG of width x height; false on any failure.
inline bool WriteJpeg(const std::string& path, int width, int height, const Painter& paint,
                      int quality = 92) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t c = paint(x, y);
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
    }
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_compress_struct cinfo{};
  detail::JumpingErrors errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = detail::JumpBack;
  if (setjmp(errors.back)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[static_cast<size_t>(cinfo.next_scanline) * width * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  return detail::WriteBytes(path, bytes);
}

// A 24-bit bottom-up Windows bitmap file; `claimedWidth`/`claimedHeight`, when not 0, are
// written into the header in place of the true size (a damaged file).
inline bool WriteBmp(const std::string& path, int width, int height, const Painter& paint,
                     int32_t claimedWidth = 0, int32_t claimedHeight = 0) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t image = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> b(54 + image);
  auto put16 = [&](size_t at, uint32_t v) { b[at] = v & 0xFF; b[at + 1] = (v >> 8) & 0xFF; };
  auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(claimedWidth ? claimedWidth : width));
  put32(22, static_cast<uint32_t>(claimedHeight ? claimedHeight : height));
  put16(26, 1);
  put16(28, 24);
  put32(34, image);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t c = paint(x, y);
      uint8_t* p = &b[54 + static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3];
      p[0] = static_cast<uint8_t>(c);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c >> 16);
    }
  return detail::WriteBytes(path, b);
}

}  // namespace test_pictures
