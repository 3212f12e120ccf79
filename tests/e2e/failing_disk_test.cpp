// Saving the picture where the disk says no: a folder that does not exist, a read-only file
// system (a tmpfs remounted read-only: even root cannot write there, unlike a folder that chmod
// made read-only), and a full one (a small tmpfs filled up). Each failure is reported in the
// program's error box with the exact text, a file that was there keeps every byte, nothing
// half-written or temporary stays behind, and the picture moves on afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/driver.h"
#include "support/tray_driver.h"
#include "support/unix_drive.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;

constexpr RECT kPatternArea{0, 0, 640, 560};
constexpr POINT kFirst{300, 260};
constexpr POINT kLast{200, 330};

// Why a file cannot be opened for writing there, asked the way that never empties a file that
// is there. 0 when it can be opened (it is closed again at once).
DWORD OpeningError(const std::string& path) {
  HANDLE probe = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD code = GetLastError();
  if (probe == INVALID_HANDLE_VALUE) return code;
  CloseHandle(probe);
  return 0;
}

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
  return bytes;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return "{" + text + "}";
}

struct SaveCase {
  const char* what;
  std::string path;                   // typed into the save dialog
  std::string folder;                 // listed before and after
  std::vector<DWORD> reasons;         // for "Cannot create file": the codes that fit the case
  std::vector<uint8_t> existing;      // the file that was there (empty: none)
};

TEST(FailingDisk, SaveFailuresAreReportedExactlyAndKeepWhatWasThere) {
  ClearSettings();
  WriteSettings({.zoom = 4, .moveWindow = false, .left = 1110, .top = 100, .width = 150,
                 .height = 150});

  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());

  // The drives go after the program (declared first): nothing of Lumeview holds them then.
  UnixDrive readOnly(64 * 1024);
  ASSERT_TRUE(readOnly.Ready()) << readOnly.Problem();
  UnixDrive full(256 * 1024);
  ASSERT_TRUE(full.Ready()) << full.Problem();
  tray_driver::ScratchFolder scratch;

  const std::vector<uint8_t> keptReadOnly = Bytes(5000, 11);
  const std::vector<uint8_t> keptFull = Bytes(20000, 29);
  ASSERT_TRUE(WriteWholeFile(readOnly.Root() + "kept.bmp", keptReadOnly));
  ASSERT_TRUE(readOnly.MakeReadOnly()) << "cannot remount " << readOnly.UnixPath() << " read-only";
  ASSERT_TRUE(WriteWholeFile(full.Root() + "picture.bmp", keptFull));
  ASSERT_TRUE(full.Fill()) << full.UnixPath() << " did not fill up";

  const std::vector<SaveCase> cannotCreate{
      {"a folder that does not exist", scratch.Path() + "missing\\picture.bmp", scratch.Path(),
       {ERROR_PATH_NOT_FOUND}, {}},
      {"a new file on a read-only file system", readOnly.Root() + "new.bmp", readOnly.Root(),
       {ERROR_WRITE_PROTECT, ERROR_ACCESS_DENIED}, {}},
      {"an existing file on a read-only file system", readOnly.Root() + "kept.bmp",
       readOnly.Root(), {ERROR_WRITE_PROTECT, ERROR_ACCESS_DENIED}, keptReadOnly},
  };
  const std::vector<SaveCase> diskFull{
      {"over an existing file on a full disk", full.Root() + "picture.bmp", full.Root(), {},
       keptFull},
      {"a new file on a full disk", full.Root() + "fresh.bmp", full.Root(), {}, {}},
  };

  ASSERT_TRUE(MoveCursor(kFirst.x, kFirst.y));
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait));
  const DWORD pid = lumeview.Id();
  LensView view = ViewOf(lumeview.Lens(), kFirst, 4, /*fixedMode=*/true, false, true);
  ASSERT_TRUE(WaitForPicture(view, pattern, kSlowWait));

  int cases = 0;
  auto run = [&](const SaveCase& c, bool createError) {
    SCOPED_TRACE(c.what);
    ++cases;
    const std::vector<std::string> before = NamesIn(c.folder);
    std::string expected = "Stream write error.";
    if (createError) {
      const DWORD code = OpeningError(c.path);
      ASSERT_NE(0u, code) << c.path << " can be written: the case is not what it claims";
      ASSERT_NE(c.reasons.end(), std::find(c.reasons.begin(), c.reasons.end(), code))
          << "opening " << c.path << " fails with " << code << " (" << tray_driver::ReasonText(code) << ")";
      expected = "Cannot create file \"" + c.path + "\". " + tray_driver::ReasonText(code) + ".";
    }
    tray_driver::PressHotkey('F');
    HWND dialog = tray_driver::WaitForTopWindow(pid, "#32770", nullptr);
    ASSERT_NE(nullptr, dialog) << "no save dialog;" << tray_driver::InputState();
    ASSERT_TRUE(tray_driver::EnterFileName(dialog, c.path));
    HWND report = tray_driver::WaitForTopWindow(pid, "#32770", "Lumeview");
    ASSERT_NE(nullptr, report) << "no error report;" << tray_driver::DescribeTopWindows(pid, "#32770");
    EXPECT_EQ(expected, tray_driver::MessageBoxText(report));
    ASSERT_TRUE(tray_driver::PressInDialog(report, VK_RETURN));
    ASSERT_TRUE(tray_driver::WaitForNoTopWindow(pid, "#32770", nullptr))
        << tray_driver::DescribeTopWindows(pid, "#32770");
    EXPECT_EQ(Join(before), Join(NamesIn(c.folder))) << "files came or went in " << c.folder;
    if (!c.existing.empty()) {
      const auto now = tray_driver::ReadWholeFile(c.path);
      ASSERT_TRUE(now.has_value()) << c.path << " is gone";
      EXPECT_TRUE(*now == c.existing) << c.path << " changed: " << now->size() << " bytes, was "
                                      << c.existing.size();
    } else {
      EXPECT_FALSE(tray_driver::PathExists(c.path)) << c.path << " was left behind";
    }
  };
  for (const SaveCase& c : cannotCreate) run(c, true);
  for (const SaveCase& c : diskFull) run(c, false);
  EXPECT_FALSE(tray_driver::PathExists(scratch.Path() + "missing"));

  // The picture moves on after the failures: the save command let go of it every time.
  EXPECT_TRUE(MoveCursor(kLast.x, kLast.y));
  view.cursor = kLast;
  EXPECT_TRUE(WaitForPicture(view, pattern, kSlowWait)) << "frozen after the failed saves";
  EXPECT_TRUE(lumeview.Close());
  ClearSettings();
  std::printf("[ cases    ] %d failed saves checked (%zu cannot-create, %zu disk-full)\n", cases,
              cannotCreate.size(), diskFull.size());
}

}  // namespace
