// The release archive as a user gets it: unpacked into a fresh folder (the ctest fixture
// e2e.release_archive_unpack does that from the zip the release_zip target makes), it holds one
// folder with the stripped Lumeview.exe, README.md and LICENSE; that Lumeview.exe starts with its
// lens and tray icon, ends through the tray menu's "Exit" and stores its 18 values.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;

constexpr size_t kExitLine = 6;
constexpr uint64_t kMaxShippedSize = 1536 * 1024;  // a stripped program is well below this

// LUMEVIEW_RELEASE_DIR (where the fixture unpacked the archive) as a Windows path with a
// trailing backslash; empty when not set.
std::string UnpackedFolder() {
  const char* env = std::getenv("LUMEVIEW_RELEASE_DIR");
  std::string path = env ? env : "";
  if (path.empty()) return path;
  if (path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.back() != '\\') path += '\\';
  return path;
}

struct Entry {
  std::string name;
  bool folder = false;
};

std::vector<Entry> EntriesOf(const std::string& folder) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

// The one folder the archive unpacks to ("Lumeview-<version>-win64\"), or a failure naming
// what is there instead.
::testing::AssertionResult ReleaseFolder(std::string& folder) {
  const std::string root = UnpackedFolder();
  if (root.empty()) return ::testing::AssertionFailure() << "LUMEVIEW_RELEASE_DIR is not set";
  const auto entries = EntriesOf(root);
  if (entries.size() != 1 || !entries[0].folder || entries[0].name.rfind("Lumeview-", 0) != 0) {
    auto failure = ::testing::AssertionFailure() << root << " holds:";
    for (const auto& e : entries) failure << " " << e.name << (e.folder ? "\\" : "");
    return failure << " (expected one folder Lumeview-<version>-win64)";
  }
  folder = root + entries[0].name + "\\";
  return ::testing::AssertionSuccess();
}

std::string TextOfFile(const std::string& path) {
  const auto bytes = tray_driver::ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

template <typename T>
bool ReadAt(const std::vector<uint8_t>& bytes, size_t offset, T& value) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return true;
}

// Succeeds when the PE file has no COFF symbol table and no debugging sections (.debug_*, or a
// long section name, which only the symbols' string table could hold).
::testing::AssertionResult Stripped(const std::vector<uint8_t>& exe) {
  IMAGE_DOS_HEADER dos{};
  IMAGE_FILE_HEADER file{};
  DWORD signature = 0;
  if (!ReadAt(exe, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
      !ReadAt(exe, dos.e_lfanew, signature) || signature != IMAGE_NT_SIGNATURE ||
      !ReadAt(exe, dos.e_lfanew + sizeof(DWORD), file))
    return ::testing::AssertionFailure() << "not a PE file";
  if (file.PointerToSymbolTable != 0 || file.NumberOfSymbols != 0)
    return ::testing::AssertionFailure() << file.NumberOfSymbols << " COFF symbols";
  const size_t sections = dos.e_lfanew + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) +
                          file.SizeOfOptionalHeader;
  for (WORD i = 0; i < file.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section{};
    if (!ReadAt(exe, sections + i * sizeof(section), section))
      return ::testing::AssertionFailure() << "section table cut short";
    const std::string name(reinterpret_cast<const char*>(section.Name),
                           strnlen(reinterpret_cast<const char*>(section.Name), 8));
    if (name.rfind(".debug", 0) == 0 || name.rfind("/", 0) == 0)
      return ::testing::AssertionFailure() << "debugging section " << name;
  }
  return ::testing::AssertionSuccess();
}

TEST(ReleaseArchive, HoldsTheStrippedProgramTheReadmeAndTheLicence) {
  std::string folder;
  ASSERT_TRUE(ReleaseFolder(folder));
  std::vector<std::string> names;
  for (const auto& e : EntriesOf(folder)) names.push_back(e.name + (e.folder ? "\\" : ""));
  EXPECT_EQ((std::vector<std::string>{"LICENSE", "Lumeview.exe", "README.md"}), names);

  const auto exe = tray_driver::ReadWholeFile(folder + "Lumeview.exe");
  ASSERT_TRUE(exe.has_value());
  EXPECT_LT(exe->size(), kMaxShippedSize) << "Lumeview.exe is " << exe->size() << " bytes";
  EXPECT_TRUE(Stripped(*exe));

  const std::string readme = TextOfFile(folder + "README.md");
  EXPECT_EQ(0u, readme.rfind("# Lumeview", 0)) << readme.substr(0, 80);
  const std::string licence = TextOfFile(folder + "LICENSE");
  EXPECT_EQ(0u, licence.rfind("MIT License", 0)) << licence.substr(0, 80);
  EXPECT_NE(std::string::npos, licence.find("Copyright (c) 2026 Quorvant"));
}

TEST(ReleaseArchive, UnpackedProgramShowsItsLensAndIconAndExitsFromTheTrayMenu) {
  std::string folder;
  ASSERT_TRUE(ReleaseFolder(folder));
  const std::string exe = folder + "Lumeview.exe";
  ClearSettings();
  WriteSettings({.zoom = 5, .moveWindow = false, .left = 760, .top = 300});

  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait, exe));
  const DWORD pid = lumeview.Id();
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  ASSERT_NE(nullptr, process);
  // The program running is the archive's copy, not the build tree's.
  char image[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  ASSERT_TRUE(QueryFullProcessImageNameA(process, 0, image, &length));
  EXPECT_EQ(0, lstrcmpiA(exe.c_str(), image)) << image;
  EXPECT_TRUE(IsWindowVisible(lumeview.Lens()));

  std::optional<POINT> at;
  ASSERT_TRUE(WaitFor(
      [&] {
        at = tray_driver::NewestTrayIconPoint();
        return at.has_value();
      },
      kSlowWait))
      << "no icon in the tray window";
  const auto menu = tray_driver::ShowReferenceMenu(
      {{"Show Window", true}, {"-"}, {"Setup Dialog..."}, {"-"}, {"About..."}, {"-"}, {"Exit"}},
      *at);
  ASSERT_TRUE(menu.has_value()) << "the reference menu did not show";

  tray_driver::TrayIconInput icon(*at);
  icon.RightClick();
  ASSERT_TRUE(tray_driver::WaitForMenuLook(pid, *menu));
  tray_driver::ClickMenuLine(tray_driver::WaitForMenuWindow(pid), *menu, kExitLine);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, kSlowWait)) << "Lumeview still runs";
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  EXPECT_EQ(0u, code);

  auto stored = StoredValueNames();
  auto expected = SettingNames();
  std::sort(stored.begin(), stored.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(18u, expected.size());
  EXPECT_EQ(expected, stored);
  const auto zoom = ReadSetting("Zoom");
  ASSERT_TRUE(zoom.has_value());
  EXPECT_EQ((StoredValue{REG_DWORD, 5, ""}), *zoom);
  ClearSettings();
}

}  // namespace
