#include "about/version_block.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint16_t kFixedPartSize = 52;

[[noreturn]] void NoVersionInfo() { throw EJclFileVersionInfoError(RsFileUtilsNoVersionInfo); }

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

unsigned HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return static_cast<unsigned>(c - 'A' + 10);
}

uint16_t HexWord(std::string_view four) {
  unsigned value = 0;
  for (char c : four) value = value * 16 + HexDigitValue(c);
  return static_cast<uint16_t>(value);
}

// A string table's key as written ("040904B0", "0x0409 0x04B0" ...): every "0x" taken out until
// none is left, then everything that is not a hexadecimal digit.
std::string CleanTableKey(std::string key) {
  for (size_t at = key.find("0x"); at != std::string::npos; at = key.find("0x")) key.erase(at, 2);
  std::erase_if(key, [](char c) { return !IsHexDigit(c); });
  return key;
}

// "$" and the little-endian number in upper-case hex, two digits per byte.
std::string BinaryValueText(const uint8_t* bytes, size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "$";
  for (size_t i = count; i-- > 0;) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

// One block's header as read: [start, end) is the whole block, `value` its value's first byte.
struct BlockHeader {
  size_t start = 0;
  size_t end = 0;
  uint16_t valueLength = 0;
  uint16_t type = 1;
  std::string key;
  size_t value = 0;
};

}  // namespace

// Offsets count from the buffer's start; every read is checked against the block it belongs to,
// and every block against its parent, the root against the buffer.
class TVersionBlock::Walker {
 public:
  Walker(TVersionBlock& block, const WideToNarrow& toNarrow)
      : block_(block), bytes_(block.buffer_), toNarrow_(toNarrow) {}

  void Run() {
    if (bytes_.size() < 6) NoVersionInfo();
    block_.wide_ = Word(4) <= 1;
    const BlockHeader root = ReadBlockHeader(0, bytes_.size());
    if (root.key != "VS_VERSION_INFO" || root.valueLength != kFixedPartSize) NoVersionInfo();
    RequireValue(root, kFixedPartSize);
    ReadFixedPart(root.value);
    if (block_.fixed_.dwSignature != kFixedSignature) NoVersionInfo();

    size_t pos = Align4(root.value + kFixedPartSize);
    while (pos < root.end) {
      const BlockHeader child = ReadBlockHeader(pos, root.end);
      RequireValue(child, child.valueLength);
      const size_t children = std::min(child.value + child.valueLength, child.end);
      if (child.key == "StringFileInfo") {
        pos = ReadStringTables(children, child.end);
      } else if (child.key == "VarFileInfo") {
        ReadTranslation(children, child.end);
      } else {
        break;  // the walk ends at any other block; what was read stays
      }
      pos = Align4(std::max(pos, child.end));
    }

    const TFixedFileInfo& fixed = block_.fixed_;
    block_.buildFlags_ = TFileFlags::FromBits(fixed.dwFileFlags & fixed.dwFileFlagsMask);
    block_.currentEntries_.clear();
    for (const TVersionEntry& entry : block_.allEntries_)
      if (entry.Table == block_.currentTable_)
        block_.currentEntries_.push_back({entry.Text, block_.tableLanguages_.at(entry.Table)});
  }

 private:
  uint16_t Word(size_t at) const { return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8)); }
  uint32_t DWord(size_t at) const { return Word(at) | (static_cast<uint32_t>(Word(at + 2)) << 16); }

  // The header of the block at `at`, which must lie inside [at, limit): its length not 0 and not
  // past the limit, its fields and its key's NUL inside the block. The padding after the key is
  // not read; a block whose value is empty may end inside it.
  BlockHeader ReadBlockHeader(size_t at, size_t limit) const {
    BlockHeader h;
    h.start = at;
    if (limit - at < 2) NoVersionInfo();
    const uint16_t length = Word(at);
    if (length == 0 || length > limit - at) NoVersionInfo();
    h.end = at + length;
    const size_t fields = block_.wide_ ? 6 : 4;
    if (length < fields) NoVersionInfo();
    h.valueLength = Word(at + 2);
    size_t pos = at + fields;
    if (block_.wide_) {
      h.type = Word(at + 4);
      std::u16string units;
      for (;;) {
        if (h.end - pos < 2) NoVersionInfo();
        const char16_t unit = static_cast<char16_t>(Word(pos));
        pos += 2;
        if (unit == 0) break;
        units += unit;
      }
      h.key = toNarrow_(units);
    } else {
      for (;;) {
        if (pos >= h.end) NoVersionInfo();
        const char c = static_cast<char>(bytes_[pos++]);
        if (c == 0) break;
        h.key += c;
      }
    }
    h.value = Align4(pos);
    return h;
  }

  // The block's value of `size` bytes lies inside the block.
  static void RequireValue(const BlockHeader& h, size_t size) {
    if (size != 0 && (h.value > h.end || size > h.end - h.value)) NoVersionInfo();
  }

  void ReadFixedPart(size_t at) {
    TFixedFileInfo& f = block_.fixed_;
    uint32_t* fields[] = {&f.dwSignature,     &f.dwStrucVersion,    &f.dwFileVersionMS,    &f.dwFileVersionLS,
                          &f.dwProductVersionMS, &f.dwProductVersionLS, &f.dwFileFlagsMask, &f.dwFileFlags,
                          &f.dwFileOS,        &f.dwFileType,        &f.dwFileSubtype,      &f.dwFileDateMS,
                          &f.dwFileDateLS};
    for (uint32_t* field : fields) {
      *field = DWord(at);
      at += 4;
    }
  }

  // The string tables in [at, end); returns where the walk stands after the last one.
  size_t ReadStringTables(size_t at, size_t end) {
    size_t pos = at;
    for (int table = 0; pos < end; ++table) {
      const BlockHeader h = ReadBlockHeader(pos, end);
      const std::string key = CleanTableKey(h.key);
      if (h.valueLength != 0 || key.size() != 8) NoVersionInfo();
      block_.tableLanguages_.push_back({HexWord(std::string_view(key).substr(0, 4)),
                                        HexWord(std::string_view(key).substr(4, 4))});
      pos = h.value;
      while (pos < h.end) pos = ReadEntry(pos, h.end, table);
    }
    return pos;
  }

  // One entry inside [at, tableEnd), added to AllEntries as "key=value"; returns the next entry's place.
  size_t ReadEntry(size_t at, size_t tableEnd, int table) {
    const BlockHeader h = ReadBlockHeader(at, tableEnd);
    std::string value;
    if (h.type == 0) {
      RequireValue(h, h.valueLength);
      if (h.valueLength >= 1 && h.valueLength <= 4) value = BinaryValueText(&bytes_[h.value], h.valueLength);
    } else if (h.type == 1) {
      const size_t size = block_.wide_ ? size_t{2} * h.valueLength : h.valueLength;
      RequireValue(h, size);
      if (h.valueLength != 0) value = block_.wide_ ? WideText(h.value, h.valueLength) : NarrowText(h.value, size);
    } else {
      NoVersionInfo();
    }
    block_.allEntries_.push_back({h.key + "=" + value, table});
    return Align4(h.end);
  }

  std::string WideText(size_t at, size_t units) const {
    std::u16string text(units, u'\0');
    for (size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(Word(at + 2 * i));
    std::string narrow = toNarrow_(text);
    if (const size_t nul = narrow.find('\0'); nul != std::string::npos) narrow.resize(nul);
    return narrow;
  }

  std::string NarrowText(size_t at, size_t size) const {
    const char* first = reinterpret_cast<const char*>(&bytes_[at]);
    return std::string(first, std::find(first, first + size, '\0'));
  }

  // The first child of "VarFileInfo", inside [at, end): "Translation" gives the declared pairs.
  void ReadTranslation(size_t at, size_t end) {
    if (at >= end) return;
    const BlockHeader h = ReadBlockHeader(at, end);
    if (h.key != "Translation") return;
    RequireValue(h, h.valueLength);
    for (size_t i = 0; i + 4 <= h.valueLength; i += 4)
      block_.declaredTranslations_.push_back(LanguageCodePage::FromPair(DWord(h.value + i)));
  }

  TVersionBlock& block_;
  const std::vector<uint8_t>& bytes_;
  const WideToNarrow& toNarrow_;
};

TVersionBlock::TVersionBlock(std::vector<uint8_t> bytes, const WideToNarrow& toNarrow) : buffer_(std::move(bytes)) {
  Walker(*this, toNarrow).Run();
}

std::string TVersionBlock::StandardValue(int index, const NameEquals& equals) const {
  if (index < 1 || index > static_cast<int>(kStandardVersionKeys.size())) return std::string();
  const std::string_view key = kStandardVersionKeys[static_cast<size_t>(index - 1)];
  for (const TCurrentEntry& entry : currentEntries_) {
    const std::string_view text = entry.Text;
    const size_t eq = text.find('=');
    if (equals(text.substr(0, eq), key)) return std::string(text.substr(eq + 1));
  }
  return std::string();
}
