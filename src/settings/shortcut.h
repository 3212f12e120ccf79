#pragma once
// Shortcut codes: one key and its modifiers in 16 bits, and their text form ("Ctrl+Alt+D").
// The text form is what the registry keeps, so whatever is written can be read back.
//
// Layout of a code: bits 0-7 virtual key, bits 8-12 unused (ignored everywhere),
// 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt. 0 means "no shortcut".

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

using TShortCut = uint16_t;

constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scKeyPart = 0x1FFF;  // the code without its modifier bits

// The keyboard layout's name for a virtual key, or the empty text when the key has none.
// Keys with a fixed caption (digits, letters, F-keys, arrows ...) never reach it.
using KeyNameSource = std::function<std::string(uint8_t vk)>;

// Whole-text equality without regard to case (the user's locale on the platform).
using TextEquals = std::function<bool(std::string_view, std::string_view)>;

// The name of virtual key vk alone: a fixed caption, or else the key-name source's answer.
std::string ShortCutKeyName(uint8_t vk, const KeyNameSource& keyNames);

// "Shift+", "Ctrl+", "Alt+" (in that order, as set) followed by the key's name; the empty text
// when the key has no name, whatever the modifiers. Bits 8-12 play no part.
std::string FormatShortCut(TShortCut code, const KeyNameSource& keyNames);

// The code a text names, or 0. Leading "Shift+", "^", "Ctrl+", "Alt+" words (any order, any
// repetition, case as the compare allows) give the modifiers; the rest must equal the name of a
// key code 8..255 as a whole, the lowest such code wins. Nothing is trimmed.
TShortCut ParseShortCut(std::string_view text, const KeyNameSource& keyNames, const TextEquals& equals);

// The value of a hot-key edit control (HKM_SETHOTKEY / HKM_GETHOTKEY): virtual key in the low
// byte, HOTKEYF_SHIFT 1 / HOTKEYF_CONTROL 2 / HOTKEYF_ALT 4 in the high byte.
uint16_t ShortCutToHotKeyValue(TShortCut code);
// The control's modifier byte shifted left by 13 and cut to 16 bits: HOTKEYF_EXT (8) is lost.
TShortCut HotKeyValueToShortCut(uint16_t value);

struct DecodedShortCut {
  uint16_t keyPart = 0;  // code & 0x1FFF
  uint8_t vk = 0;        // low byte of the key part
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};
DecodedShortCut DecodeShortCut(TShortCut code);

// RegisterHotKey modifiers for a code: MOD_ALT 1 | MOD_CONTROL 2 | MOD_SHIFT 4.
uint32_t HotKeyModifiers(TShortCut code);
