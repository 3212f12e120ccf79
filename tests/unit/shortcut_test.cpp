// Shortcut codes and their text form, with a keyboard layout of our own making.

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

#include "settings/shortcut.h"

namespace {

// A small layout: a few keys outside the fixed captions, one name shared by two keys, a key
// named "+" (so "Ctrl++" is meaningful), a name for a code below 8 (never searched) and a
// different name for Space than its fixed caption (the caption must win).
const std::map<int, std::string>& FakeLayout() {
  static const std::map<int, std::string> names{
      {0x05, "XButton"}, {0x10, "Shift"}, {0x11, "Ctrl"},   {0x12, "Alt"},
      {0x20, "Spacebar"}, {0x6A, "Num *"}, {0x90, "Num Lock"}, {0xA0, "Shift"},
      {0xBA, ";"},        {0xBB, "+"},     {0xBC, ","},        {0xDC, "Backslash"},
  };
  return names;
}

std::string FakeKeyName(uint8_t vk) {
  auto it = FakeLayout().find(vk);
  return it == FakeLayout().end() ? std::string() : it->second;
}

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string Format(TShortCut code) { return FormatShortCut(code, FakeKeyName); }
TShortCut Parse(std::string_view text) { return ParseShortCut(text, FakeKeyName, AsciiEqualsNoCase); }

}  // namespace

TEST(ShortCutText, FormatsModifiersInFixedOrder) {
  EXPECT_EQ(Format(0xC044), "Ctrl+Alt+D");
  EXPECT_EQ(Format(0x4044), "Ctrl+D");
  EXPECT_EQ(Format(0x202E), "Shift+Del");
  EXPECT_EQ(Format(0xE070), "Shift+Ctrl+Alt+F1");
  EXPECT_EQ(Format(0x8041), "Alt+A");
  EXPECT_EQ(Format(0x0070), "F1");
}

TEST(ShortCutText, FixedCaptionsWinOverTheLayout) {
  EXPECT_EQ(Format(0x0020), "Space");  // the layout calls it "Spacebar"
  EXPECT_EQ(Format(0x0008), "BkSp");
  EXPECT_EQ(Format(0x0009), "Tab");
  EXPECT_EQ(Format(0x000D), "Enter");
  EXPECT_EQ(Format(0x001B), "Esc");
  const char* run[] = {"Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(Format(static_cast<TShortCut>(0x20 + i)), run[i]) << i;
  EXPECT_EQ(Format(0x002D), "Ins");
  EXPECT_EQ(Format(0x002E), "Del");
}

TEST(ShortCutText, DigitsLettersKeypadAndFunctionKeys) {
  EXPECT_EQ(Format(0x0030), "0");
  EXPECT_EQ(Format(0x0039), "9");
  EXPECT_EQ(Format(0x0041), "A");
  EXPECT_EQ(Format(0x005A), "Z");
  EXPECT_EQ(Format(0x0060), "0");  // keypad 0 reads as the digit
  EXPECT_EQ(Format(0x0069), "9");
  EXPECT_EQ(Format(0x0079), "F10");
  EXPECT_EQ(Format(0x0087), "F24");
  EXPECT_EQ(Format(0x0088), "");  // past F24: the layout has no name for it
  EXPECT_EQ(Format(0x005B), "");  // right after Z: not a letter
  EXPECT_EQ(Format(0x003A), "");  // right after 9
  EXPECT_EQ(Format(0x006A), "Num *");
}

TEST(ShortCutText, NamelessKeysFormatEmptyWhateverTheModifiers) {
  EXPECT_EQ(Format(0x0000), "");
  EXPECT_EQ(Format(0xE000), "");
  EXPECT_EQ(Format(0xC0FF), "");  // 0xFF has no name in this layout
  EXPECT_EQ(Format(0x0001), "");
}

TEST(ShortCutText, UnusedBitsPlayNoPart) {
  for (TShortCut extra : {0x0100, 0x0800, 0x1000, 0x1F00}) {
    EXPECT_EQ(Format(static_cast<TShortCut>(0xC044 | extra)), "Ctrl+Alt+D") << extra;
    EXPECT_EQ(Format(static_cast<TShortCut>(0x2020 | extra)), "Shift+Space") << extra;
    EXPECT_EQ(Format(extra), "") << extra;  // key 0 stays nameless
  }
}

TEST(ShortCutText, ParsesModifierWordsInAnyOrderAndCase) {
  EXPECT_EQ(Parse("Ctrl+Alt+D"), 0xC044);
  EXPECT_EQ(Parse("ctrl+alt+d"), 0xC044);
  EXPECT_EQ(Parse("ALT+CTRL+D"), 0xC044);
  EXPECT_EQ(Parse("Alt+Ctrl+d"), 0xC044);
  EXPECT_EQ(Parse("^D"), 0x4044);
  EXPECT_EQ(Format(Parse("^D")), "Ctrl+D");
  EXPECT_EQ(Parse("Ctrl+Ctrl+D"), 0x4044);
  EXPECT_EQ(Parse("^Ctrl+^D"), 0x4044);
  EXPECT_EQ(Parse("Alt+^Shift+d"), 0xE044);
  EXPECT_EQ(Parse("sHiFt+del"), 0x202E);
  EXPECT_EQ(Parse("f24"), 0x0087);
  EXPECT_EQ(Parse("Shift+Ctrl+Alt+PGDN"), 0xE022);
}

TEST(ShortCutText, ModifierWordsNeedTheirPlusSign) {
  EXPECT_EQ(Parse("Shift"), 0x0010);  // the key named Shift, not the modifier
  EXPECT_EQ(Parse("Ctrl+Shift"), 0x4010);
  EXPECT_EQ(Parse("Shift+Shift"), 0x2010);
  EXPECT_EQ(Parse("Ctrl++"), 0x40BB);  // the key named "+"
  EXPECT_EQ(Parse("CtrlD"), 0);
}

TEST(ShortCutText, TextsNamingNoKeyGiveZero) {
  EXPECT_EQ(Parse(""), 0);
  EXPECT_EQ(Parse("Ctrl+"), 0);
  EXPECT_EQ(Parse("Shift+Alt+"), 0);
  EXPECT_EQ(Parse("^"), 0);
  EXPECT_EQ(Parse(" Ctrl+D"), 0);
  EXPECT_EQ(Parse("Ctrl+D "), 0);
  EXPECT_EQ(Parse("Ctrl + D"), 0);
  EXPECT_EQ(Parse("Ctrl+Alt+Banana"), 0);
  EXPECT_EQ(Parse("F25"), 0);
  EXPECT_EQ(Parse("F0"), 0);
  EXPECT_EQ(Parse("XButton"), 0);  // code 5 is named but lies below the searched range
  EXPECT_EQ(Parse("Ctrl+Alt+DD"), 0);
  EXPECT_EQ(Parse(std::string_view("D\0", 2)), 0);
}

TEST(ShortCutText, SharedNamesResolveToTheLowestCode) {
  EXPECT_EQ(Parse("0"), 0x0030);  // never keypad 0 (0x60)
  EXPECT_EQ(Parse("Ctrl+7"), 0x4037);
  EXPECT_EQ(Parse("shift"), 0x0010);  // 0xA0 has the same name
  EXPECT_EQ(Parse("Spacebar"), 0);    // the layout's own name for Space is never used
  EXPECT_EQ(Parse("space"), 0x0020);
}

TEST(ShortCutText, ReadingUsesTheGivenCompareForPrefixesAndNames) {
  const TextEquals exact = [](std::string_view a, std::string_view b) { return a == b; };
  EXPECT_EQ(ParseShortCut("Ctrl+Alt+D", FakeKeyName, exact), 0xC044);
  EXPECT_EQ(ParseShortCut("ctrl+Alt+D", FakeKeyName, exact), 0);
  EXPECT_EQ(ParseShortCut("Ctrl+Alt+d", FakeKeyName, exact), 0);
  EXPECT_EQ(ParseShortCut("Ctrl+D", FakeKeyName, nullptr), 0);
}

TEST(ShortCutText, EveryNamedCodeReadsBackToItself) {
  // Codes whose name a lower code shares come back as that code.
  std::map<int, int> sharedWith{{0xA0, 0x10}};
  for (int k = 0; k <= 9; ++k) sharedWith[0x60 + k] = 0x30 + k;

  int named = 0;
  for (int vk = 8; vk <= 255; ++vk) {
    for (int mods = 0; mods < 8; ++mods) {
      const TShortCut modifiers = static_cast<TShortCut>(mods << 13);
      const TShortCut code = static_cast<TShortCut>(vk | modifiers);
      const std::string text = Format(code);
      if (text.empty()) continue;
      ++named;
      auto shared = sharedWith.find(vk);
      const int expectedKey = shared == sharedWith.end() ? vk : shared->second;
      EXPECT_EQ(Parse(text), static_cast<TShortCut>(expectedKey | modifiers)) << text;
    }
  }
  // 15 captions, 10 digits, 26 letters, 10 keypad digits, 24 F-keys and 10 layout names
  // (Space's layout name is hidden by its caption), each with 8 modifier sets.
  EXPECT_EQ(named, (15 + 10 + 26 + 10 + 24 + 10) * 8);
}

TEST(ShortCutHotKeyControl, ModifierBitsMoveToTheHighByte) {
  EXPECT_EQ(ShortCutToHotKeyValue(0xC044), 0x0644);
  EXPECT_EQ(ShortCutToHotKeyValue(0x2070), 0x0170);
  EXPECT_EQ(ShortCutToHotKeyValue(0x4044), 0x0244);
  EXPECT_EQ(ShortCutToHotKeyValue(0xDF44), 0x0644);  // bits 8-12 are not sent
  EXPECT_EQ(ShortCutToHotKeyValue(0), 0);
}

TEST(ShortCutHotKeyControl, ControlValueBecomesACodeAndLosesTheExtendedFlag) {
  EXPECT_EQ(HotKeyValueToShortCut(0x0644), 0xC044);
  EXPECT_EQ(HotKeyValueToShortCut(0x0170), 0x2070);
  EXPECT_EQ(HotKeyValueToShortCut(0x0844), 0x0044);  // HOTKEYF_EXT alone
  EXPECT_EQ(HotKeyValueToShortCut(0x0F2E), 0xE02E);
  EXPECT_EQ(HotKeyValueToShortCut(0xFF41), 0xE041);
  for (int vk = 0; vk <= 255; ++vk)
    for (int mods = 0; mods < 8; ++mods) {
      const TShortCut code = static_cast<TShortCut>(vk | (mods << 13));
      EXPECT_EQ(HotKeyValueToShortCut(ShortCutToHotKeyValue(code)), code);
    }
}

TEST(ShortCutDecode, KeyPartAndModifiers) {
  const DecodedShortCut d = DecodeShortCut(0xDF44);
  EXPECT_EQ(d.keyPart, 0x1F44);
  EXPECT_EQ(d.vk, 0x44);
  EXPECT_FALSE(d.shift);
  EXPECT_TRUE(d.ctrl);
  EXPECT_TRUE(d.alt);
  const DecodedShortCut s = DecodeShortCut(0x202E);
  EXPECT_EQ(s.vk, 0x2E);
  EXPECT_TRUE(s.shift);
  EXPECT_FALSE(s.ctrl);
  EXPECT_FALSE(s.alt);
}

TEST(ShortCutDecode, RegistrationModifiers) {
  EXPECT_EQ(HotKeyModifiers(0xC044), 0x3u);  // MOD_ALT | MOD_CONTROL
  EXPECT_EQ(HotKeyModifiers(0x2044), 0x4u);  // MOD_SHIFT
  EXPECT_EQ(HotKeyModifiers(0x8044), 0x1u);
  EXPECT_EQ(HotKeyModifiers(0x4044), 0x2u);
  EXPECT_EQ(HotKeyModifiers(0xE044), 0x7u);
  EXPECT_EQ(HotKeyModifiers(0x1F44), 0x0u);
}
