// The picture surface and what it hands out, against the real GDI, clipboard and file system:
// the surface's life, the clipboard copy as another process reads it, and the bitmap file
// compared with the surface pixel for pixel, with the save's error texts.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/bitmap_file.h"
#include "app/picture_image.h"
#include "app/picture_output.h"
#include "app/save_picture_dialog.h"
#include "toolkit/errors.h"
#include "toolkit/report_text.h"
#include "toolkit/timer.h"
#include "toolkit_test_support.h"
#include "shared/start_process.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

// When started as "<test exe> --dump-clipboard <file>", the program writes the clipboard's
// CF_DIB as a bitmap file and ends: the other process that reads the copy back.
struct ClipboardDumper {
  ClipboardDumper() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3 || std::wstring(argv[1]) != L"--dump-clipboard") return;
    std::wstring out = argv[2];
    int code = 2;
    if (OpenClipboard(nullptr)) {
      code = IsClipboardFormatAvailable(CF_PALETTE) ? 4 : 3;
      if (HANDLE h = GetClipboardData(CF_DIB)) {
        const auto* dib = static_cast<const uint8_t*>(GlobalLock(h));
        SIZE_T size = GlobalSize(h);
        const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfSize = static_cast<DWORD>(sizeof(file) + size);
        DWORD colours = info->biClrUsed ? info->biClrUsed
                                        : (info->biBitCount <= 8 ? 1u << info->biBitCount : 0);
        if (info->biCompression == BI_BITFIELDS) colours = 3;
        file.bfOffBits = static_cast<DWORD>(sizeof(file) + info->biSize + colours * 4);
        if (FILE* f = _wfopen(out.c_str(), L"wb")) {
          fwrite(&file, sizeof(file), 1, f);
          fwrite(dib, 1, size, f);
          fclose(f);
          if (code == 3) code = 0;
        }
        GlobalUnlock(h);
      }
      CloseClipboard();
    }
    ExitProcess(code);
  }
} const kDumper;

std::string TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  std::string folder = std::string(base) + "lumeview-picture-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\";
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The names of the files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// Removes a folder with everything in it.
void RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveFolder(folder + name + "\\");
      else
        DeleteFileA((folder + name).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = tktest::NewForm<TForm>();
    form_->SetBorderStyle(TBorderStyle::bsNone);
    form_->SetBounds(40, 40, 201, 100);
    image_ = new TPictureImage(form_.get());
    image_->SetParent(form_.get());
    image_->SetAlign(TAlign::alClient);
    folder_ = TempFolder();
  }
  void TearDown() override {
    form_.reset();
    RemoveFolder(folder_);
  }

  // A picture no two neighbouring pixels of which agree.
  void DrawPattern() {
    HDC dc = image_->Canvas();
    for (int y = 0; y < image_->SurfaceHeight(); ++y)
      for (int x = 0; x < image_->SurfaceWidth(); ++x)
        SetPixelV(dc, x, y, RGB((x * 7) & 0xFF, (y * 11) & 0xFF, ((x + y) * 5) & 0xFF));
  }

  static uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

  void ExpectFileEqualsSurface(const std::vector<uint8_t>& bytes) {
    auto parsed = ParseBitmapFile(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.has_value()) << "not a well-formed bitmap file";
    ASSERT_EQ(parsed->width, image_->SurfaceWidth());
    ASSERT_EQ(parsed->height, image_->SurfaceHeight());
    HDC dc = image_->Canvas();
    int mismatches = 0;
    for (int y = 0; y < parsed->height; ++y)
      for (int x = 0; x < parsed->width; ++x)
        if (parsed->PixelAt(x, y) != Rgb(GetPixel(dc, x, y)) && ++mismatches < 5)
          ADD_FAILURE() << "pixel " << x << "," << y;
    EXPECT_EQ(mismatches, 0);
  }

  std::unique_ptr<TForm> form_;
  TPictureImage* image_ = nullptr;
  std::string folder_;
};

TEST_F(PictureTest, SurfaceIsMadeWhiteAtTheControlSizeAndThrownAwayOnResize) {
  EXPECT_FALSE(image_->HasSurface());
  HDC dc = image_->Canvas();
  ASSERT_TRUE(image_->HasSurface());
  EXPECT_EQ(image_->SurfaceWidth(), 201);
  EXPECT_EQ(image_->SurfaceHeight(), 100);
  {
    WindowDC screen(nullptr);
    EXPECT_EQ(image_->SurfaceBitsPerPixel(), GetDeviceCaps(screen.get(), BITSPIXEL));
  }
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 200, 99), RGB(255, 255, 255));

  image_->Clear();
  EXPECT_FALSE(image_->HasSurface());
  form_->SetBounds(40, 40, 120, 80);
  image_->Canvas();
  EXPECT_EQ(image_->SurfaceWidth(), 120);
  EXPECT_EQ(image_->SurfaceHeight(), 80);
}

TEST_F(PictureTest, SavedFileIsABitmapEqualToTheSurfaceWhateverTheExtension) {
  DrawPattern();
  const std::string jpg = folder_ + "picture.jpg";
  SavePictureToFile(*image_, jpg);
  std::vector<uint8_t> bytes = ReadFile(jpg);
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  ExpectFileEqualsSurface(bytes);

  // A name without extension is used as it stands.
  const std::string bare = folder_ + "picture";
  SavePictureToFile(*image_, bare);
  EXPECT_EQ(ReadFile(bare), bytes);
  // Nothing else is left in the folder (no half-written files).
  EXPECT_EQ(FilesIn(folder_), (std::vector<std::string>{"picture", "picture.jpg"}));
}

TEST_F(PictureTest, SavingReplacesAnExistingFileWithoutAskingAndItsOtherNamesSeeTheNewPicture) {
  DrawPattern();
  const std::string path = folder_ + "over.bmp", other = folder_ + "other name.bmp";
  // Longer than the picture, so that a file written in place must be cut short.
  WriteText(path, std::string(300000, 'e'));
  SavePictureToFile(*image_, path);
  ExpectFileEqualsSurface(ReadFile(path));

  WriteText(path, std::string(300000, 'e'));
  ASSERT_TRUE(CreateHardLinkA(other.c_str(), path.c_str(), nullptr));
  SavePictureToFile(*image_, path);
  const std::vector<uint8_t> saved = ReadFile(path);
  ExpectFileEqualsSurface(saved);
  EXPECT_EQ(ReadFile(other), saved) << "the other name lost its link to the file";
  EXPECT_EQ(FilesIn(folder_), (std::vector<std::string>{"other name.bmp", "over.bmp"}));
}

TEST_F(PictureTest, ATargetPathNearTheLengthLimitIsSavedNewAndReplaced) {
  DrawPattern();
  std::string folder = folder_;
  while (folder.size() < 200) {
    folder += "deep folder\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  }
  const std::string name = std::string(255 - folder.size() - 4, 'n') + ".bmp";
  const std::string path = folder + name;
  ASSERT_GE(path.size(), 245u);
  ASSERT_LT(path.size(), 260u);
  for (int save = 0; save < 2; ++save) {  // a new file, then an earlier one replaced
    SavePictureToFile(*image_, path);
    ExpectFileEqualsSurface(ReadFile(path));
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{name});
  }
}

TEST_F(PictureTest, AFailedSaveLeavesTheEarlierFileAsItWasAndNamesTheFullPath) {
  DrawPattern();
  const std::string path = folder_ + "locked.bmp";
  WriteText(path, "keep me");
  {
    // Another program holds the file open without sharing.
    UniqueFile lock(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    try {
      SavePictureToFile(*image_, path);
      ADD_FAILURE() << "the save should fail while the file is locked";
    } catch (const EFCreateError& e) {
      // The reason is the one opening the file itself gives.
      EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". " +
                                           SysErrorMessage(ERROR_SHARING_VIOLATION));
    }
  }
  std::vector<uint8_t> kept = ReadFile(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
  EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"locked.bmp"})
      << "no temporary file may stay behind";
}

TEST_F(PictureTest, AMissingFolderIsReportedWithTheSystemTextAndThePeriodRule) {
  DrawPattern();
  const std::string path = folder_ + "no such folder\\picture.bmp";
  try {
    SavePictureToFile(*image_, path);
    ADD_FAILURE() << "the save should fail";
  } catch (const EFCreateError& e) {
    const std::string reason = SysErrorMessage(ERROR_PATH_NOT_FOUND);
    ASSERT_FALSE(reason.empty());
    EXPECT_NE(reason.back(), '.');
    const std::string text = "Cannot create file \"" + path + "\". " + reason;
    EXPECT_EQ(std::string(e.what()), text);
    EXPECT_EQ(ReportText(e.what()), text + ".");
  }
  EXPECT_TRUE(FilesIn(folder_).empty());
}

TEST_F(PictureTest, ARelativeNameIsReportedAsAFullPath) {
  DrawPattern();
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
  try {
    SavePictureToFile(*image_, "missing\\x.bmp");
    ADD_FAILURE() << "the save should fail";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + folder_ + "missing\\x.bmp\". ", 0), 0u)
        << e.what();
  }
  SetCurrentDirectoryA(previous);
}

TEST_F(PictureTest, AnEmptySurfaceSavesAnEmptyFileAndNoSurfaceSavesNothing) {
  const std::string none = folder_ + "none.bmp";
  SavePictureToFile(*image_, none);  // no surface yet
  EXPECT_EQ(GetFileAttributesA(none.c_str()), INVALID_FILE_ATTRIBUTES);

  form_->SetBounds(40, 40, 0, 0);
  image_->Canvas();
  ASSERT_TRUE(image_->HasSurface());
  const std::string empty = folder_ + "empty.bmp";
  SavePictureToFile(*image_, empty);
  EXPECT_EQ(GetFileAttributesA(empty.c_str()) != INVALID_FILE_ATTRIBUTES, true);
  EXPECT_TRUE(ReadFile(empty).empty());
}

// Types `text` into a file dialog's file-name box and presses OK, as a user does; false while
// the box is not there yet.
bool TypeInFileDialog(HWND dialog, const std::string& text) {
  HWND edit = reinterpret_cast<HWND>(
      SendMessageA(GetDlgItem(dialog, 0x47C), CBEM_GETEDITCONTROL, 0, 0));
  if (!edit) return false;
  SetWindowTextA(edit, text.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return true;
}

std::string FileDialogFolder(HWND dialog) {
  char folder[MAX_PATH] = {};
  SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  return folder;
}

TEST_F(PictureTest, TheSaveDialogLeavesTheWorkingFolderWhereItWas) {
  const std::string start = folder_ + "start", elsewhere = folder_ + "elsewhere";
  ASSERT_TRUE(CreateDirectoryA(start.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(start.c_str()));

  // Inside the dialog's modal loop: the user opens another folder by typing its name, then
  // types the file's full name there and confirms. A watchdog cancels a dialog the steps
  // failed to close.
  const std::string typed = elsewhere + "\\picture.bmp";
  TSavePictureDialog dialog(nullptr);
  TTimer driver(nullptr);
  int steps_done = 0;
  const ULONGLONG began = GetTickCount64();
  driver.SetInterval(50);
  driver.SetOnTimer([&](TComponent*) {
    auto boxes = tktest::ThreadWindowsOfClass("#32770");
    if (boxes.empty()) return;
    if (GetTickCount64() - began > tktest::kPatience) {
      driver.SetEnabled(false);
      PostMessageA(boxes[0], WM_COMMAND, IDCANCEL, 0);
    } else if (steps_done == 0) {
      steps_done += TypeInFileDialog(boxes[0], elsewhere);
    } else if (steps_done == 1 && FileDialogFolder(boxes[0]) == elsewhere) {
      steps_done += TypeInFileDialog(boxes[0], typed);
    }
  });
  const bool confirmed = dialog.Execute();
  driver.SetEnabled(false);

  char now[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, now);
  SetCurrentDirectoryA(previous);
  ASSERT_EQ(steps_done, 2) << "the dialog did not open the other folder";
  ASSERT_TRUE(confirmed) << "the dialog did not take the name";
  EXPECT_EQ(dialog.FileName(), typed);
  EXPECT_EQ(std::string(now), start);
}

TEST_F(PictureTest, TheClipboardCopyIsReadBackByAnotherProcessEqualToTheSurface) {
  DrawPattern();
  TClipboardService clipboard(Application->Handle());
  CopyPictureToClipboard(*image_, clipboard);

  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string out = folder_ + "clipboard.bmp";
  std::string command = "\"" + std::string(exe) + "\" --dump-clipboard \"" + out + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(StartProcess(nullptr, command.data(), FALSE, 0, nullptr, &si, &pi));
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  ASSERT_EQ(code, 0u) << "2: clipboard not readable, 4: a palette was placed too";

  // The other process's DIB may differ in depth; compare colours.
  std::vector<uint8_t> bytes = ReadFile(out);
  ASSERT_GE(bytes.size(), 54u);
  const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data() + 14);
  ASSERT_EQ(info->biWidth, image_->SurfaceWidth());
  ASSERT_EQ(std::abs(info->biHeight), image_->SurfaceHeight());
  const auto* file = reinterpret_cast<const BITMAPFILEHEADER*>(bytes.data());
  const int bpp = info->biBitCount;
  ASSERT_TRUE(bpp == 32 || bpp == 24) << bpp;
  const size_t stride = ((info->biWidth * bpp + 31) / 32) * 4;
  HDC dc = image_->Canvas();
  int mismatches = 0;
  for (int y = 0; y < image_->SurfaceHeight(); ++y) {
    int row = info->biHeight > 0 ? image_->SurfaceHeight() - 1 - y : y;
    const uint8_t* p = bytes.data() + file->bfOffBits + row * stride;
    ASSERT_LE(file->bfOffBits + (row + 1) * stride, bytes.size());
    for (int x = 0; x < image_->SurfaceWidth(); ++x) {
      const uint8_t* px = p + x * (bpp / 8);
      COLORREF want = GetPixel(dc, x, y);
      if ((RGB(px[2], px[1], px[0]) != want) && ++mismatches < 5) ADD_FAILURE() << x << "," << y;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(PictureTest, ACopyWhileAnotherProgramHoldsTheClipboardLeavesItAlone) {
  DrawPattern();
  // Something already on the clipboard.
  TClipboardService clipboard(Application->Handle());
  ASSERT_TRUE(OpenClipboard(Application->Handle()));
  EmptyClipboard();
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 6);
  memcpy(GlobalLock(text), "hello", 6);
  GlobalUnlock(text);
  SetClipboardData(CF_TEXT, text);
  CloseClipboard();

  HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    HWND wnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    BOOL ok = OpenClipboard(wnd);
    SetEvent(opened);
    WaitForSingleObject(release, 30000);
    if (ok) CloseClipboard();
    DestroyWindow(wnd);
  });
  ASSERT_EQ(WaitForSingleObject(opened, 10000), WAIT_OBJECT_0);
  try {
    CopyPictureToClipboard(*image_, clipboard);
    ADD_FAILURE() << "the copy should fail";
  } catch (const EClipboardException& e) {
    EXPECT_EQ(ReportText(e.what()), "Cannot open clipboard.");
  }
  SetEvent(release);
  holder.join();
  CloseHandle(opened);
  CloseHandle(release);

  ASSERT_TRUE(OpenClipboard(Application->Handle()));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  CloseClipboard();

  // The service is usable again afterwards.
  CopyPictureToClipboard(*image_, clipboard);
  ASSERT_TRUE(OpenClipboard(Application->Handle()));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  CloseClipboard();
}

}  // namespace
