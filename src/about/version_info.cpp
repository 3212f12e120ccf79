#include "about/version_info.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "settings/shortcut_win32.h"

std::string OSErrorText(unsigned long code) {
  if (code == 0) return "A call to an OS function failed";
  char head[64];
  std::snprintf(head, sizeof head, "System Error.  Code: %d.\r\n", static_cast<int>(code));
  return head + SysErrorMessage(code);
}

EOSError::EOSError(unsigned long code) : EError(OSErrorText(code)), ErrorCode(code) {}

std::string AnsiFromWide(std::u16string_view units) {
  if (units.empty() || units.size() > INT_MAX) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int count = static_cast<int>(units.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, count, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, count, text.data(), size, nullptr, nullptr);
  return text;
}

namespace {

std::vector<uint8_t> FetchVersionBlock(const std::string& fileName) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  if (size == 0) throw EJclFileVersionInfoError(RsFileUtilsNoVersionInfo);
  std::vector<uint8_t> bytes(size);
  if (!GetFileVersionInfoA(fileName.c_str(), handle, size, bytes.data())) throw EOSError(GetLastError());
  return bytes;
}

}  // namespace

TJclFileVersionInfo::TJclFileVersionInfo(const std::string& fileName)
    : TVersionBlock(FetchVersionBlock(fileName), &AnsiFromWide) {}

std::string TJclFileVersionInfo::StandardValue(int index) const { return StandardValue(index, &Win32TextEquals); }
