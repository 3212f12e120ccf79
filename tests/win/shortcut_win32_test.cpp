// Shortcut text with the platform's keyboard layout and locale compare.

#include "settings/shortcut_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(ShortCutWin32, FixedNamesBothWays) {
  EXPECT_EQ(FormatShortCut(0xC044), "Ctrl+Alt+D");
  for (const char* text : {"Ctrl+Alt+D", "ctrl+alt+d", "ALT+CTRL+D", "Alt+Ctrl+d"})
    EXPECT_EQ(ParseShortCut(text), 0xC044) << text;
  EXPECT_EQ(ParseShortCut("^D"), 0x4044);
  EXPECT_EQ(FormatShortCut(0x4044), "Ctrl+D");
  EXPECT_EQ(ParseShortCut("Ctrl+Ctrl+D"), 0x4044);
  EXPECT_EQ(FormatShortCut(0x202E), "Shift+Del");
  EXPECT_EQ(FormatShortCut(0x0060), "0");
  EXPECT_EQ(ParseShortCut("0"), 0x0030);
  EXPECT_EQ(FormatShortCut(0x0087), "F24");
  EXPECT_EQ(ParseShortCut("f24"), 0x0087);
  EXPECT_EQ(FormatShortCut(0xC044 | 0x1F00), "Ctrl+Alt+D");
  EXPECT_EQ(FormatShortCut(0x0000), "");
}

TEST(ShortCutWin32, TextsNamingNoKey) {
  for (const char* text : {"", "Ctrl+", "Shift+Alt+", " Ctrl+D", "Ctrl+D ", "Ctrl + D", "Ctrl+Alt+Banana"})
    EXPECT_EQ(ParseShortCut(text), 0) << '"' << text << '"';
  // F25 is no fixed name; it reads as 0 unless this layout names some key so.
  bool layoutHasF25 = false;
  for (int vk = 8; vk <= 255; ++vk) layoutHasF25 |= Win32TextEquals(Win32KeyName(static_cast<uint8_t>(vk)), "F25");
  if (!layoutHasF25) {
    EXPECT_EQ(ParseShortCut("F25"), 0);
  }
}

TEST(ShortCutWin32, KeysWithoutScanCodeHaveNoName) {
  // Mouse buttons have no scan code in any layout.
  EXPECT_EQ(MapVirtualKeyA(VK_LBUTTON, 0), 0u);
  EXPECT_EQ(Win32KeyName(VK_LBUTTON), "");
  EXPECT_EQ(FormatShortCut(0xE000 | VK_LBUTTON), "");
  EXPECT_EQ(FormatShortCut(0xC000 | VK_MBUTTON), "");
}

TEST(ShortCutWin32, LayoutNamesComeFromGetKeyNameText) {
  // VK_SHIFT has no fixed caption; its name is the layout's name for its scan code.
  const UINT scan = MapVirtualKeyA(VK_SHIFT, 0);
  ASSERT_NE(scan, 0u);
  char buffer[256] = {};
  ASSERT_GT(GetKeyNameTextA(static_cast<LONG>(scan << 16), buffer, 256), 0);
  EXPECT_EQ(Win32KeyName(VK_SHIFT), buffer);
  EXPECT_EQ(FormatShortCut(0x4000 | VK_SHIFT), std::string("Ctrl+") + buffer);
  EXPECT_EQ(ParseShortCut(std::string("Ctrl+") + buffer), 0x4000 | VK_SHIFT);
}

TEST(ShortCutWin32, LocaleCompareIgnoresCaseOverWholeTexts) {
  EXPECT_TRUE(Win32TextEquals("ctrl+", "Ctrl+"));
  EXPECT_TRUE(Win32TextEquals("PGDN", "PgDn"));
  EXPECT_TRUE(Win32TextEquals("", ""));
  EXPECT_FALSE(Win32TextEquals("Ctrl", "Ctrl+"));
  EXPECT_FALSE(Win32TextEquals("", "A"));
  EXPECT_FALSE(Win32TextEquals("Del ", "Del"));
}

// Every named key reads back with every modifier set as itself, or, when a lower key code
// carries the same name (the keypad digits, keys the layout names alike), as that lower key.
TEST(ShortCutWin32, EveryNamedKeyRoundTrips) {
  int named = 0, exact = 0;
  for (int vk = 8; vk <= 255; ++vk) {
    const std::string name = FormatShortCut(static_cast<TShortCut>(vk));
    if (name.empty()) continue;
    ++named;
    for (int mods = 0; mods < 8; ++mods) {
      const TShortCut modifiers = static_cast<TShortCut>(mods << 13);
      const TShortCut back = ParseShortCut(FormatShortCut(static_cast<TShortCut>(vk | modifiers)));
      ASSERT_NE(back, 0) << vk << " " << name;
      EXPECT_EQ(back & 0xE000, modifiers) << name;
      const int key = back & 0xFF;
      EXPECT_LE(key, vk) << name;
      EXPECT_TRUE(Win32TextEquals(FormatShortCut(static_cast<TShortCut>(key)), name)) << name;
      if (key == vk && mods == 0) ++exact;
    }
  }
  // 75 keys have fixed names, 65 of them unshared; the layout names more (modifier keys,
  // punctuation, the keypad's operators ...).
  EXPECT_GT(named, 75 + 10);
  EXPECT_GT(exact, 65 + 10);
  std::printf("named keys %d, read back as themselves %d\n", named, exact);
}
