#include "settings/shortcut.h"

#include <array>

namespace {

// Captions of the keys that have one, regardless of keyboard layout.
const char* FixedCaption(uint8_t vk) {
  switch (vk) {
    case 0x08: return "BkSp";
    case 0x09: return "Tab";
    case 0x0D: return "Enter";
    case 0x1B: return "Esc";
    case 0x20: return "Space";
    case 0x21: return "PgUp";
    case 0x22: return "PgDn";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x25: return "Left";
    case 0x26: return "Up";
    case 0x27: return "Right";
    case 0x28: return "Down";
    case 0x2D: return "Ins";
    case 0x2E: return "Del";
    default: return nullptr;
  }
}

struct ModifierWord {
  std::string_view text;
  TShortCut bit;
};

// Tried in this order on every pass of the reading loop.
constexpr std::array<ModifierWord, 4> kModifierWords{{
    {"Shift+", scShift},
    {"^", scCtrl},
    {"Ctrl+", scCtrl},
    {"Alt+", scAlt},
}};

bool StartsWith(std::string_view text, std::string_view prefix, const TextEquals& equals) {
  return text.size() >= prefix.size() && equals(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string ShortCutKeyName(uint8_t vk, const KeyNameSource& keyNames) {
  if (const char* caption = FixedCaption(vk)) return caption;
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
  if (vk >= 0x60 && vk <= 0x69) return std::string(1, static_cast<char>('0' + (vk - 0x60)));  // keypad digits
  if (vk >= 0x70 && vk <= 0x87) return "F" + std::to_string(vk - 0x6F);
  return keyNames ? keyNames(vk) : std::string();
}

std::string FormatShortCut(TShortCut code, const KeyNameSource& keyNames) {
  std::string name = ShortCutKeyName(static_cast<uint8_t>(code & 0xFF), keyNames);
  if (name.empty()) return name;
  std::string text;
  if (code & scShift) text += "Shift+";
  if (code & scCtrl) text += "Ctrl+";
  if (code & scAlt) text += "Alt+";
  return text + name;
}

TShortCut ParseShortCut(std::string_view text, const KeyNameSource& keyNames, const TextEquals& equals) {
  if (!equals) return 0;
  TShortCut modifiers = 0;
  for (bool matched = true; matched;) {
    matched = false;
    for (const ModifierWord& word : kModifierWords) {
      if (StartsWith(text, word.text, equals)) {
        text.remove_prefix(word.text.size());
        modifiers |= word.bit;
        matched = true;
        break;
      }
    }
  }
  if (text.empty()) return 0;
  for (unsigned key = 8; key <= 255; ++key) {
    std::string name = ShortCutKeyName(static_cast<uint8_t>(key), keyNames);
    if (!name.empty() && equals(name, text)) return static_cast<TShortCut>(key | modifiers);
  }
  return 0;
}

uint16_t ShortCutToHotKeyValue(TShortCut code) {
  unsigned modifiers = 0;
  if (code & scShift) modifiers |= 0x01;  // HOTKEYF_SHIFT
  if (code & scCtrl) modifiers |= 0x02;   // HOTKEYF_CONTROL
  if (code & scAlt) modifiers |= 0x04;    // HOTKEYF_ALT
  return static_cast<uint16_t>((code & 0xFF) | (modifiers << 8));
}

TShortCut HotKeyValueToShortCut(uint16_t value) {
  const unsigned vk = value & 0xFFu;
  const unsigned modifiers = value >> 8;
  return static_cast<TShortCut>((vk | (modifiers << 13)) & 0xFFFFu);
}

DecodedShortCut DecodeShortCut(TShortCut code) {
  DecodedShortCut d;
  d.keyPart = static_cast<uint16_t>(code & scKeyPart);
  d.vk = static_cast<uint8_t>(d.keyPart & 0xFF);
  d.shift = (code & scShift) != 0;
  d.ctrl = (code & scCtrl) != 0;
  d.alt = (code & scAlt) != 0;
  return d;
}

uint32_t HotKeyModifiers(TShortCut code) {
  uint32_t modifiers = 0;
  if (code & scAlt) modifiers |= 0x1;      // MOD_ALT
  if (code & scCtrl) modifiers |= 0x2;     // MOD_CONTROL
  if (code & scShift) modifiers |= 0x4;    // MOD_SHIFT
  return modifiers;
}
