// TJclFileVersionInfo on real files: the program's own Lumeview.exe, files without a version
// block, and every program and library of the system folder, whose standard values must be what
// the system's VerQueryValueA finds in the same block.

#include "about/version_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/unique_handle.h"

namespace {

struct FindTraits {
  using pointer = HANDLE;
  static pointer invalid() { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) { FindClose(h); }
};
using UniqueFind = UniqueHandle<FindTraits>;

std::string ModuleFolder() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string TempPath(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name + std::to_string(GetCurrentProcessId());
}

// The error text the reader fails with for `file`, or "" when it reads the file.
std::string ReadError(const std::string& file) {
  try {
    TJclFileVersionInfo info(file);
    return std::string();
  } catch (const EJclFileVersionInfoError& e) {
    return e.what();
  }
}

// What VerQueryValueA finds for `path` in a block fetched by GetFileVersionInfoA.
std::string SystemValue(std::vector<uint8_t>& block, const std::string& path) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || !value) return std::string();
  const char* text = static_cast<const char*>(value);
  return std::string(text, strnlen(text, length));
}

TEST(TJclFileVersionInfo, ReadsLumeviewExe) {
  const std::string exe = ModuleFolder() + "Lumeview.exe";
  ASSERT_NE(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES) << exe;
  const TJclFileVersionInfo info(exe);
  EXPECT_TRUE(info.Wide());
  EXPECT_EQ(info.StandardValue(9), "Lumeview");
  EXPECT_EQ(info.StandardValue(10), "1.0.0.0");
  EXPECT_EQ(info.StandardValue(4), "1.0.0.0");
  EXPECT_EQ(info.StandardValue(2), "Quorvant");
  EXPECT_EQ(info.StandardValue(6), "Quorvant");
  EXPECT_EQ(info.StandardValue(11), "");
  EXPECT_EQ(info.TableLanguages(), (std::vector<LanguageCodePage>{{0x0C0A, 0x04E4}}));
  EXPECT_EQ(info.DeclaredTranslations(), (std::vector<LanguageCodePage>{{0x0C0A, 1252}}));
  EXPECT_EQ(info.FixedPart().dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(info.CurrentEntries().size(), 10u);
  EXPECT_TRUE(info.BuildFlags().Empty());
}

TEST(TJclFileVersionInfo, FilesWithoutVersionInformation) {
  const std::string plain = TempPath("lv-ver-plain");
  {
    FILE* f = std::fopen(plain.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("MZ but no program at all", f);
    std::fclose(f);
  }
  EXPECT_EQ(ReadError(plain), "File contains no version information");
  EXPECT_EQ(ReadError(TempPath("lv-ver-missing") + ".exe"), "File contains no version information");
  DeleteFileA(plain.c_str());
}

TEST(TJclFileVersionInfo, SystemErrorText) {
  ASSERT_FALSE(SysErrorMessage(ERROR_ACCESS_DENIED).empty());
  EXPECT_EQ(OSErrorText(ERROR_ACCESS_DENIED), "System Error.  Code: 5.\r\n" + SysErrorMessage(ERROR_ACCESS_DENIED));
  EXPECT_EQ(OSErrorText(0), "A call to an OS function failed");
  const EOSError error(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(error.ErrorCode, 2u);
  EXPECT_EQ(std::string(error.what()), "System Error.  Code: 2.\r\n" + SysErrorMessage(ERROR_FILE_NOT_FOUND));
}

// Version blocks nobody here wrote: each .exe and .dll of the system folder.
TEST(TJclFileVersionInfo, AgreesWithVerQueryValueOnSystemFiles) {
  char dir[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(dir, MAX_PATH), 0u);
  const std::string folder = std::string(dir) + "\\";
  const ULONGLONG started = GetTickCount64();
  int compared = 0, withoutBlock = 0;
  WIN32_FIND_DATAA found;
  UniqueFind find(FindFirstFileA((folder + "*").c_str(), &found));
  ASSERT_TRUE(find);
  do {
    const std::string name = found.cFileName;
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::string ext = name.substr(dot);
    if (lstrcmpiA(ext.c_str(), ".exe") != 0 && lstrcmpiA(ext.c_str(), ".dll") != 0) continue;
    const std::string file = folder + name;

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    if (size == 0) {
      ++withoutBlock;
      EXPECT_EQ(ReadError(file), "File contains no version information") << name;
      continue;
    }
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), handle, size, block.data())) << name;
    try {
      const TJclFileVersionInfo info(file);
      ++compared;
      std::vector<LanguageCodePage> declared;
      void* pairs = nullptr;
      UINT length = 0;
      if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &pairs, &length) && pairs)
        for (UINT i = 0; i + 4 <= length; i += 4) {
          uint32_t pair;
          std::memcpy(&pair, static_cast<const uint8_t*>(pairs) + i, 4);
          declared.push_back(LanguageCodePage::FromPair(pair));
        }
      EXPECT_EQ(info.DeclaredTranslations(), declared) << name;
      if (info.TableLanguages().empty()) {
        for (int i = 1; i <= 12; ++i) EXPECT_EQ(info.StandardValue(i), "") << name;
        continue;
      }
      char table[32];
      std::snprintf(table, sizeof table, "\\StringFileInfo\\%04X%04X\\", info.TableLanguages()[0].LanguageId,
                    info.TableLanguages()[0].CodePage);
      int answered = 0;
      for (int i = 1; i <= 12; ++i) {
        const std::string expected = SystemValue(block, table + std::string(kStandardVersionKeys[i - 1]));
        answered += !expected.empty();
        EXPECT_EQ(info.StandardValue(i), expected) << name << " " << kStandardVersionKeys[i - 1];
      }
      EXPECT_GT(answered, 0) << name << ": the system finds nothing in table " << table;
    } catch (const EError& e) {
      ADD_FAILURE() << name << ": " << e.what();
    }
  } while (FindNextFileA(find.get(), &found));

  std::printf("system files: %d compared, %d without a version block, %llu ms\n", compared, withoutBlock,
              GetTickCount64() - started);
  EXPECT_GT(compared, 100);
  EXPECT_GT(withoutBlock, 0);
}

}  // namespace
