// The JPEG library the program links for the save dialog's preview: a picture compressed
// here is read back with the same size, components and (within JPEG's loss) pixels, and
// broken files end in a reported error or warning, never in a crash or an exit.

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// libjpeg reports fatal errors through error_exit; this one jumps back to the decoder
// instead of ending the process, and keeps the message text.
struct JumpingErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JumpOnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JumpingErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->back, 1);
}

// Counts warnings (level -1) as the library's own handler does, without printing them.
extern "C" void CountWarnings(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

struct Picture {
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<std::uint8_t> pixels;  // rows top-down, `components` bytes a pixel
};

struct DecodeResult {
  bool ok = false;
  std::string error;  // libjpeg's message when !ok
  long warnings = 0;
  Picture picture;
};

// Compresses `picture` (1 = grey, 3 = RGB) to `path`; returns false on any libjpeg error.
bool Encode(const Picture& picture, const fs::path& path, int quality) {
  FILE* file = std::fopen(path.string().c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo{};
  JumpingErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpOnError;
  if (setjmp(err.back)) {
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = picture.components;
  cinfo.in_color_space = picture.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(picture.width) * picture.components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.pixels.data() + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

// Decompresses `path`. `result` lives in the caller, so nothing of it is lost on the jump.
void DecodeInto(const fs::path& path, DecodeResult& result) {
  FILE* file = std::fopen(path.string().c_str(), "rb");
  if (!file) {
    result.error = "cannot open file";
    return;
  }
  jpeg_decompress_struct cinfo{};
  JumpingErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpOnError;
  err.pub.emit_message = CountWarnings;
  if (setjmp(err.back)) {
    result.error = err.message;
    result.warnings = err.pub.num_warnings;
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  result.picture.width = static_cast<int>(cinfo.output_width);
  result.picture.height = static_cast<int>(cinfo.output_height);
  result.picture.components = cinfo.output_components;
  const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components;
  result.picture.pixels.resize(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = result.picture.pixels.data() + cinfo.output_scanline * stride;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  result.warnings = err.pub.num_warnings;
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  result.ok = true;
}

DecodeResult Decode(const fs::path& path) {
  DecodeResult result;
  DecodeInto(path, result);
  return result;
}

// A smooth picture JPEG keeps well: red across, green down, blue constant (or grey).
Picture Gradient(int width, int height, int components) {
  Picture p{width, height, components, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int red = x * 255 / (width - 1);
      const int green = y * 255 / (height - 1);
      if (components == 1) {
        p.pixels.push_back(static_cast<std::uint8_t>((red + green) / 2));
      } else {
        p.pixels.push_back(static_cast<std::uint8_t>(red));
        p.pixels.push_back(static_cast<std::uint8_t>(green));
        p.pixels.push_back(128);
      }
    }
  }
  return p;
}

std::vector<char> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
}

class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / "lumeview-jpeg-test" / info->name();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  fs::path dir_;
};

TEST_F(JpegTest, ColourPictureComesBackWithinJpegLoss) {
  const Picture original = Gradient(64, 48, 3);
  const fs::path file = dir_ / "gradient.jpg";
  ASSERT_TRUE(Encode(original, file, 95));
  const std::vector<char> bytes = ReadBytes(file);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);  // SOI marker
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);

  const DecodeResult decoded = Decode(file);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.warnings, 0);
  EXPECT_EQ(decoded.picture.width, 64);
  EXPECT_EQ(decoded.picture.height, 48);
  ASSERT_EQ(decoded.picture.components, 3);
  ASSERT_EQ(decoded.picture.pixels.size(), original.pixels.size());

  int worst = 0;
  long total = 0;
  for (std::size_t i = 0; i < original.pixels.size(); ++i) {
    const int diff = std::abs(int(decoded.picture.pixels[i]) - int(original.pixels[i]));
    worst = std::max(worst, diff);
    total += diff;
  }
  EXPECT_LE(worst, 12);
  EXPECT_LT(double(total) / double(original.pixels.size()), 2.0);
  // Corners keep their colours: black-ish red/green at the top left, full at the bottom right.
  const auto& px = decoded.picture.pixels;
  const std::size_t last = px.size() - 3;
  EXPECT_NEAR(px[0], 0, 8);
  EXPECT_NEAR(px[1], 0, 8);
  EXPECT_NEAR(px[2], 128, 8);
  EXPECT_NEAR(px[last], 255, 8);
  EXPECT_NEAR(px[last + 1], 255, 8);
  EXPECT_NEAR(px[last + 2], 128, 8);
}

TEST_F(JpegTest, GreyPictureKeepsOneComponent) {
  const Picture original = Gradient(33, 17, 1);  // sizes that are not whole blocks
  const fs::path file = dir_ / "grey.jpeg";
  ASSERT_TRUE(Encode(original, file, 90));
  const DecodeResult decoded = Decode(file);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.picture.width, 33);
  EXPECT_EQ(decoded.picture.height, 17);
  ASSERT_EQ(decoded.picture.components, 1);
  ASSERT_EQ(decoded.picture.pixels.size(), original.pixels.size());
  for (std::size_t i = 0; i < original.pixels.size(); ++i) {
    ASSERT_NEAR(decoded.picture.pixels[i], original.pixels[i], 12) << "at byte " << i;
  }
}

TEST_F(JpegTest, BrokenFilesAreReportedNotFatal) {
  const fs::path good = dir_ / "good.jpg";
  ASSERT_TRUE(Encode(Gradient(64, 48, 3), good, 95));
  const std::vector<char> bytes = ReadBytes(good);

  // Not a JPEG at all.
  const std::string text = "GIF89a this is no JPEG file";
  const fs::path garbage = dir_ / "garbage.jpg";
  WriteBytes(garbage, text.data(), text.size());
  DecodeResult result = Decode(garbage);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("Not a JPEG file"), std::string::npos) << result.error;

  // Empty file.
  const fs::path empty = dir_ / "empty.jpg";
  WriteBytes(empty, "", 0);
  result = Decode(empty);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());

  // Cut inside the headers: the data holds no image.
  const fs::path header_cut = dir_ / "header-cut.jpg";
  WriteBytes(header_cut, bytes.data(), 40);
  result = Decode(header_cut);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());

  // Cut inside the compressed data (half way between the start-of-scan marker and the
  // end): the picture still comes out at full size, with a warning that the data ended.
  std::size_t scan = 0;
  for (std::size_t i = 2; i + 1 < bytes.size() && scan == 0; ++i) {
    if (static_cast<unsigned char>(bytes[i]) == 0xFF &&
        static_cast<unsigned char>(bytes[i + 1]) == 0xDA) {
      scan = i;
    }
  }
  ASSERT_GT(scan, 0u);
  ASSERT_GT(bytes.size() - scan, 200u);
  const fs::path data_cut = dir_ / "data-cut.jpg";
  WriteBytes(data_cut, bytes.data(), scan + (bytes.size() - scan) / 2);
  result = Decode(data_cut);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_GT(result.warnings, 0);
  EXPECT_EQ(result.picture.width, 64);
  EXPECT_EQ(result.picture.height, 48);

  // The good file still decodes after all of that.
  EXPECT_TRUE(Decode(good).ok);
}

}  // namespace
