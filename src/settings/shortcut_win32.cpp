#include "settings/shortcut_win32.h"

#include <windows.h>

#include <climits>

std::string Win32KeyName(uint8_t vk) {
  const UINT scan = MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */);
  if (scan == 0) return std::string();
  char buffer[256];
  const int length = GetKeyNameTextA(static_cast<LONG>(scan << 16), buffer, static_cast<int>(sizeof buffer));
  if (length <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(length < 256 ? length : 255));
}

bool Win32TextEquals(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty();
  if (a.size() > INT_MAX || b.size() > INT_MAX) return false;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

KeyNameSource Win32KeyNameSource() { return &Win32KeyName; }

TextEquals Win32TextEqualsFunction() { return &Win32TextEquals; }

std::string FormatShortCut(TShortCut code) { return FormatShortCut(code, Win32KeyNameSource()); }

TShortCut ParseShortCut(std::string_view text) {
  return ParseShortCut(text, Win32KeyNameSource(), Win32TextEqualsFunction());
}
