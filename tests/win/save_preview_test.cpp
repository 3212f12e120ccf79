// The save dialog's preview pane and the "Preview" window against the real platform: picture
// files made here are chosen as the dialog would report them, and the pane shows their size, the
// enabled button and no "(None)" caption, or "Picture:", a disabled button and "(None)" for
// anything it cannot show, without an error report.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "app/preview_form.h"
#include "app/save_preview_pane.h"
#include "shared/test_pictures.h"
#include "toolkit/std_controls.h"
#include "toolkit_test_support.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

uint32_t Gradient(int x, int y) { return static_cast<uint32_t>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) | 0x40); }

// A 32 x 32 icon file with a 32-bit picture and an empty mask.
bool WriteIcon(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const uint32_t pixels = 32 * 32 * 4, mask = 32 * 4;
  put(0, 2), put(1, 2), put(1, 2);                              // icon directory, one entry
  put(32, 1), put(32, 1), put(0, 1), put(0, 1), put(1, 2), put(32, 2);
  put(40 + pixels + mask, 4), put(22, 4);                       // size and offset of the image
  put(40, 4), put(32, 4), put(64, 4), put(1, 2), put(32, 2);    // header: height counts the mask
  for (int i = 0; i < 6; ++i) put(0, 4);
  for (uint32_t i = 0; i < 32 * 32; ++i) put(0xFF3080C0, 4);
  for (uint32_t i = 0; i < mask; ++i) put(0, 1);
  return static_cast<bool>(out);
}

// An enhanced metafile that draws a 100 x 50 rectangle.
bool WriteEnhMetaFile(const std::string& path) {
  HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
  if (!dc) return false;
  Rectangle(dc, 0, 0, 100, 50);
  HENHMETAFILE made = CloseEnhMetaFile(dc);
  return made && DeleteEnhMetaFile(made);
}

class SavePreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "lumeview-preview-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    host_ = tktest::NewForm<TForm>();
    host_->SetClientSize(520, 300);
    host_->Show();
    pane_.StartRun();
    pane_.Place(host_->Handle(), RECT{0, 0, 300, 300});
  }
  void TearDown() override {
    pane_.Remove();
    host_.reset();
    std::string pattern = folder_ + "*";
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern.c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do DeleteFileA((folder_ + found.cFileName).c_str());
      while (FindNextFileA(find, &found));
      FindClose(find);
    }
    RemoveDirectoryA(folder_.c_str());
  }

  std::string Path(const char* name) const { return folder_ + name; }
  std::string TextOf(TWinControl* control) {
    char text[128] = {};
    SendMessageA(control->Handle(), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
  }
  bool ButtonEnabled() { return IsWindowEnabled(pane_.PreviewButton->Handle()) != FALSE; }

  std::string folder_;
  std::unique_ptr<TForm> host_;
  TSavePreviewPane pane_{nullptr};
};

TEST_F(SavePreviewTest, EachKindOfPictureShowsItsSizeAndEnablesTheButton) {
  ASSERT_TRUE(test_pictures::WriteJpeg(Path("photo.JPG"), 640, 480, Gradient));
  ASSERT_TRUE(test_pictures::WriteJpeg(Path("photo.jpeg"), 64, 48, Gradient));
  ASSERT_TRUE(test_pictures::WriteBmp(Path("plain.bmp"), 120, 90, Gradient));
  ASSERT_TRUE(WriteIcon(Path("small.ico")));
  ASSERT_TRUE(WriteEnhMetaFile(Path("drawing.emf")));
  tktest::ReportedErrors errors;
  const struct {
    const char* name;
    const char* label;
  } cases[] = {{"photo.JPG", " (640x480)"}, {"photo.jpeg", " (64x48)"}, {"plain.bmp", " (120x90)"},
               {"small.ico", " (32x32)"},   {"drawing.emf", " (100x50)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Something that shows nothing comes between, so each picture has to bring the pane back.
    pane_.SelectionChanged(Path("missing.bmp"));
    pane_.SelectionChanged(Path(c.name));
    EXPECT_EQ(TextOf(pane_.PictureLabel), c.label);
    EXPECT_TRUE(ButtonEnabled());
    EXPECT_EQ(TextOf(pane_.PaintPanel), "");
    EXPECT_TRUE(pane_.PaintBox->Visible());
  }
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
}

TEST_F(SavePreviewTest, WhatCannotBeShownShowsNoneWithoutAnError) {
  ASSERT_TRUE(test_pictures::WriteJpeg(Path("photo.jpg"), 640, 480, Gradient));
  ASSERT_TRUE(test_pictures::WriteBmp(Path("huge.bmp"), 8, 8, Gradient, 100000, 100000));
  std::ifstream photo(Path("photo.jpg"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(photo)), {});
  std::ofstream(Path("cut.jpg"), std::ios::binary) << bytes.substr(0, 120);
  std::ofstream(Path("picture.gif"), std::ios::binary) << "GIF89a\x01\x00\x01\x00\x00\x00\x00;";
  std::ofstream(Path("empty.jpg"), std::ios::binary).flush();
  CreateDirectoryA(Path("folder.jpg").c_str(), nullptr);
  tktest::ReportedErrors errors;
  for (const char* name : {"picture.gif", "missing.jpg", "empty.jpg", "cut.jpg", "huge.bmp",
                           "folder.jpg"}) {
    SCOPED_TRACE(name);
    pane_.SelectionChanged(Path("photo.jpg"));
    ASSERT_TRUE(ButtonEnabled());
    pane_.SelectionChanged(Path(name));
    EXPECT_EQ(TextOf(pane_.PictureLabel), "Picture:");
    EXPECT_FALSE(ButtonEnabled());
    EXPECT_EQ(TextOf(pane_.PaintPanel), "(None)");
    EXPECT_TRUE(pane_.Picture().Empty());
  }
  RemoveDirectoryA(Path("folder.jpg").c_str());
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
}

TEST_F(SavePreviewTest, TheSameFileIsLoadedOnceAndEachRunStartsAfresh) {
  ASSERT_TRUE(test_pictures::WriteBmp(Path("plain.bmp"), 40, 30, Gradient));
  const int before = pane_.Loads();
  pane_.SelectionChanged(Path("plain.bmp"));
  pane_.SelectionChanged(Path("plain.bmp"));
  EXPECT_EQ(pane_.Loads(), before + 1);

  pane_.StartRun();
  EXPECT_EQ(TextOf(pane_.PaintPanel), "(None)");
  EXPECT_FALSE(ButtonEnabled());
  pane_.SelectionChanged(Path("plain.bmp"));
  EXPECT_EQ(pane_.Loads(), before + 2) << "a new run loads the file again";
  EXPECT_EQ(TextOf(pane_.PictureLabel), " (40x30)");
}

TEST_F(SavePreviewTest, ThePreviewWindowFitsThePictureUpToThreeQuartersOfTheMonitor) {
  ASSERT_TRUE(test_pictures::WriteBmp(Path("small.bmp"), 100, 80, Gradient));
  ASSERT_TRUE(test_pictures::WriteJpeg(Path("large.jpg"), 2000, 1500, Gradient, 60));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const int most_width = (monitor.rcMonitor.right - monitor.rcMonitor.left) * 3 / 4;
  const int most_height = (monitor.rcMonitor.bottom - monitor.rcMonitor.top) * 3 / 4;

  std::unique_ptr<TPreviewForm> small(CreateForm<TPreviewForm>(nullptr, Path("small.bmp")));
  char caption[16] = {};
  GetWindowTextA(small->Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Preview");
  // The picture and 5 pixels of the panel's colour around it, inside the panel's edge.
  EXPECT_EQ(small->ClientWidth(), 100 + 2 * (1 + 5) + 10);
  EXPECT_EQ(small->ClientHeight(), 80 + 2 * (1 + 5) + 10);

  std::unique_ptr<TPreviewForm> large(CreateForm<TPreviewForm>(nullptr, Path("large.jpg")));
  EXPECT_EQ(large->ClientWidth(), most_width);
  EXPECT_EQ(large->ClientHeight(), most_height);
  EXPECT_EQ(large->Picture().Width(), 2000);
}

// The size a picture file's header gives, read here without any decoder: a bitmap's info
// header, or a JPEG's start-of-frame segment (with its sample precision).
struct HeaderSize {
  int width = 0, height = 0, precision = 8;
};
std::optional<HeaderSize> SizeInHeader(const std::string& bytes, bool bitmap) {
  auto u8 = [&](size_t at) { return static_cast<unsigned char>(bytes[at]); };
  if (bitmap) {
    if (bytes.size() < 26) return std::nullopt;
    auto i32 = [&](size_t at) { return static_cast<int32_t>(u8(at) | u8(at + 1) << 8 | u8(at + 2) << 16 | uint32_t{u8(at + 3)} << 24); };
    return HeaderSize{i32(18), std::abs(i32(22)), 8};
  }
  for (size_t at = 2; at + 9 < bytes.size();) {
    if (u8(at) != 0xFF) return std::nullopt;
    const int marker = u8(at + 1);
    const size_t length = u8(at + 2) << 8 | u8(at + 3);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      return HeaderSize{u8(at + 7) << 8 | u8(at + 8), u8(at + 5) << 8 | u8(at + 6), u8(at + 4)};
    at += 2 + length;
  }
  return std::nullopt;
}

// Every JPEG and bitmap that comes with the libjpeg source (arithmetic-coded, 12-bit and plain
// JPEGs, photographs as bitmaps) shows its size, or "(None)" where this build of the library
// cannot decode it; the 8-bit ones must all show.
TEST_F(SavePreviewTest, ThePicturesThatComeWithTheJpegLibraryShowTheirSize) {
  const char* unix_folder = std::getenv("LUMEVIEW_JPEG_TESTIMAGES");
  if (!unix_folder) GTEST_SKIP() << "LUMEVIEW_JPEG_TESTIMAGES is not set";
  std::string folder = std::string("Z:") + unix_folder + "\\";
  std::replace(folder.begin(), folder.end(), '/', '\\');
  tktest::ReportedErrors errors;
  int tried = 0;
  for (const char* pattern : {"*.jpg", "*.bmp"}) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string path = folder + found.cFileName;
      std::ifstream in(path, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      const auto header = SizeInHeader(bytes, pattern[2] == 'b');
      ASSERT_TRUE(header) << path;
      pane_.SelectionChanged(path);
      const std::string label = TextOf(pane_.PictureLabel);
      const std::string size = " (" + std::to_string(header->width) + "x" + std::to_string(header->height) + ")";
      std::printf("  %-24s %-12s %d-bit: %s\n", found.cFileName, size.c_str(), header->precision,
                  label == "Picture:" ? "(None)" : "shown");
      if (label != "Picture:" || header->precision == 8) {
        EXPECT_EQ(label, size) << found.cFileName;
      }
      ++tried;
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  EXPECT_GE(tried, 8) << "fewer pictures than the library's source holds in " << folder;
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
}

}  // namespace
