// Shortcut texts as the registry may hold them: any bytes, read as a shortcut, and any code,
// written as one. Reading may refuse a text but never crash; what it reads names a key the
// layout knows, with exactly the modifier words in front of it; a code read from a text is
// written as a text that reads back to the same code, and a written code reads back to a code
// that is written the same way.
//
// Input: byte 0 picks the compare (bit 0: ignoring ASCII case, else exact; bit 1: no compare
// at all) and whether there is a key-name source (bit 2: none); bytes 1-2 are a code (little-
// endian); the rest is the text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/shortcut.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// A small keyboard layout: names with spaces and "+", a name two keys share ("Shift"), a name
// the fixed caption of another key already has ("Tab"), a name for Space that its caption hides,
// and one for a code below 8 (never read back). No name starts with a modifier word and no two
// names differ only by case, as in any real layout.
std::string LayoutName(uint8_t vk) {
  switch (vk) {
    case 0x05: return "XButton";
    case 0x10: return "Shift";
    case 0x11: return "Ctrl";
    case 0x12: return "Alt";
    case 0x13: return "Pause";
    case 0x14: return "Caps Lock";
    case 0x20: return "Spacebar";
    case 0x6A: return "Num *";
    case 0x6B: return "Num +";
    case 0x6D: return "Num -";
    case 0x6E: return "Num Del";
    case 0x6F: return "Num /";
    case 0x90: return "Num Lock";
    case 0x91: return "Scroll Lock";
    case 0xA0: return "Shift";
    case 0xBA: return ";";
    case 0xBB: return "+";
    case 0xBC: return ",";
    case 0xBD: return "-";
    case 0xBE: return ".";
    case 0xDC: return "\\";
    case 0xF0: return "Tab";
    default: return std::string();
  }
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool EqualsExactly(std::string_view a, std::string_view b) { return a == b; }

struct Word {
  std::string_view text;
  TShortCut bit;
};
constexpr std::array<Word, 4> kWords{{{"Shift+", scShift}, {"^", scCtrl}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}}};

constexpr TShortCut kModifiers = scShift | scCtrl | scAlt;

// The modifiers that `head` spells as a run of modifier words (the words are prefix-free, so
// the run splits one way only), or nothing when it is not such a run.
bool ModifiersOfHead(std::string_view head, const TextEquals& equals, TShortCut& modifiers) {
  modifiers = 0;
  while (!head.empty()) {
    bool found = false;
    for (const Word& w : kWords) {
      if (head.size() >= w.text.size() && equals(head.substr(0, w.text.size()), w.text)) {
        modifiers |= w.bit;
        head.remove_prefix(w.text.size());
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t flags = data[0];
  const TShortCut code = static_cast<TShortCut>(data[1] | (data[2] << 8));
  const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);

  TextEquals equals;
  if (!(flags & 2)) equals = (flags & 1) ? TextEquals(EqualsNoCase) : TextEquals(EqualsExactly);
  KeyNameSource names;
  if (!(flags & 4)) names = LayoutName;

  // The bit layout's own helpers agree with each other for every code.
  const DecodedShortCut d = DecodeShortCut(code);
  Check(d.keyPart == (code & scKeyPart) && d.vk == (code & 0xFF) && d.shift == ((code & scShift) != 0) &&
        d.ctrl == ((code & scCtrl) != 0) && d.alt == ((code & scAlt) != 0));
  Check(HotKeyValueToShortCut(ShortCutToHotKeyValue(code)) == (code & (kModifiers | 0xFF)));
  Check(HotKeyModifiers(code) == ((d.alt ? 1u : 0u) | (d.ctrl ? 2u : 0u) | (d.shift ? 4u : 0u)));

  if (!equals) {
    Check(ParseShortCut(text, names, equals) == 0);
    return 0;
  }

  // Reading the text.
  const TShortCut read = ParseShortCut(text, names, equals);
  if (read != 0) {
    Check((read & 0x1F00) == 0);
    const uint8_t vk = static_cast<uint8_t>(read & 0xFF);
    Check(vk >= 8);
    const std::string name = ShortCutKeyName(vk, names);
    Check(!name.empty() && name.size() <= text.size());
    const std::string_view tail = text.substr(text.size() - name.size());
    Check(equals(name, tail));
    // The lowest key of that name.
    for (unsigned k = 8; k < vk; ++k) {
      const std::string other = ShortCutKeyName(static_cast<uint8_t>(k), names);
      Check(other.empty() || !equals(other, tail));
    }
    TShortCut modifiers = 0;
    Check(ModifiersOfHead(text.substr(0, text.size() - name.size()), equals, modifiers));
    Check(modifiers == (read & kModifiers));
    // What is read is written as a text that reads back to it.
    const std::string written = FormatShortCut(read, names);
    Check(!written.empty() && ParseShortCut(written, names, equals) == read);
  }

  // Writing the code.
  const std::string written = FormatShortCut(code, names);
  const std::string name = ShortCutKeyName(d.vk, names);
  Check(written.empty() == name.empty());
  if (written.empty()) {
    Check(ParseShortCut(written, names, equals) == 0);
  } else {
    Check(written.size() >= name.size() && written.compare(written.size() - name.size(), name.size(), name) == 0);
    const TShortCut back = ParseShortCut(written, names, equals);
    if (d.vk < 8) {
      // Reading only knows keys from 8 up; this layout gives its low key a name of its own.
      Check(back == 0);
    } else {
      Check(back != 0 && (back & kModifiers) == (code & kModifiers));
      Check(FormatShortCut(back, names) == written);
    }
  }
  return 0;
}
