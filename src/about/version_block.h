#pragma once
// The walk over a raw version block (VS_VERSIONINFO) as the system hands it out: the fixed part,
// the string tables with their entries, and the declared translations. Works on the bytes
// alone; UTF-16 text reaches 8-bit text through the conversion the caller gives.
//
// Both layouts are read: wide (UTF-16 keys and texts, with wType) and narrow (8-bit keys and
// texts, no wType, every value a text). Alignment is to 4 bytes counted from the buffer start.
//
// Nothing in the block is trusted: a block or value that would reach past its parent block or
// past the buffer, a key without its NUL inside its block, or a block shorter than its own
// fields and key fails the walk like every other fault, with "File contains no version
// information". Every block read moves the walk forward, so any input ends.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/errors.h"

class EJclError : public EError {
 public:
  using EError::EError;
};

// Raised for every way a version block can be missing or unreadable.
class EJclFileVersionInfoError : public EJclError {
 public:
  using EJclError::EJclError;
};

inline constexpr const char* RsFileUtilsNoVersionInfo = "File contains no version information";

// A language id (low half) and a code page (high half), as the pairs of "Translation" are laid out.
struct LanguageCodePage {
  uint16_t LanguageId = 0;
  uint16_t CodePage = 0;

  static LanguageCodePage FromPair(uint32_t pair) {
    return {static_cast<uint16_t>(pair & 0xFFFF), static_cast<uint16_t>(pair >> 16)};
  }
  uint32_t Pair() const { return LanguageId | (static_cast<uint32_t>(CodePage) << 16); }
  bool operator==(const LanguageCodePage&) const = default;
};

// VS_FIXEDFILEINFO, the root's 52-byte value, field by field.
struct TFixedFileInfo {
  uint32_t dwSignature = 0;  // 0xFEEF04BD
  uint32_t dwStrucVersion = 0;
  uint32_t dwFileVersionMS = 0;
  uint32_t dwFileVersionLS = 0;
  uint32_t dwProductVersionMS = 0;
  uint32_t dwProductVersionLS = 0;
  uint32_t dwFileFlagsMask = 0;
  uint32_t dwFileFlags = 0;
  uint32_t dwFileOS = 0;
  uint32_t dwFileType = 0;
  uint32_t dwFileSubtype = 0;
  uint32_t dwFileDateMS = 0;
  uint32_t dwFileDateLS = 0;
};

// The members of `BuildFlags`, one per VS_FF_ bit (in bit order: ffDebug is 0x01 ... ffSpecialBuild 0x20).
enum TFileFlag : uint8_t { ffDebug, ffPreRelease, ffPatched, ffPrivateBuild, ffInfoInferred, ffSpecialBuild };

class TFileFlags {
 public:
  TFileFlags() = default;
  // The set for dwFileFlags already masked with dwFileFlagsMask; bits above 0x20 are not members.
  static TFileFlags FromBits(uint32_t bits) { return TFileFlags(static_cast<uint8_t>(bits & 0x3F)); }
  bool Contains(TFileFlag flag) const { return (bits_ >> flag) & 1u; }
  bool Empty() const { return bits_ == 0; }
  bool operator==(const TFileFlags&) const = default;

 private:
  explicit TFileFlags(uint8_t bits) : bits_(bits) {}
  uint8_t bits_ = 0;
};

// One string-table entry as "key=value", with the 0-based index of the table it came from.
struct TVersionEntry {
  std::string Text;
  int Table = 0;
};

// One entry of the current table as "key=value", with that table's language and code page.
struct TCurrentEntry {
  std::string Text;
  LanguageCodePage Language;
};

// UTF-16 units (which may hold NULs) to 8-bit text, one character per unit or as the code page says.
using WideToNarrow = std::function<std::string(std::u16string_view)>;
// Whole-text equality without regard to case.
using NameEquals = std::function<bool(std::string_view, std::string_view)>;

// The standard keys by `StandardValue` index 1..12.
inline constexpr std::array<const char*, 12> kStandardVersionKeys = {
    "Comments",     "CompanyName",      "FileDescription", "FileVersion",    "InternalName", "LegalCopyright",
    "LegalTradeMarks", "OriginalFilename", "ProductName",  "ProductVersion", "SpecialBuild", "PrivateBuild"};

// A version block read completely, or not at all: construction throws EJclFileVersionInfoError.
class TVersionBlock {
 public:
  TVersionBlock(std::vector<uint8_t> bytes, const WideToNarrow& toNarrow);

  bool Wide() const { return wide_; }
  const std::vector<uint8_t>& Bytes() const { return buffer_; }
  const TFixedFileInfo& FixedPart() const { return fixed_; }
  TFileFlags BuildFlags() const { return buildFlags_; }
  const std::vector<TVersionEntry>& AllEntries() const { return allEntries_; }
  const std::vector<LanguageCodePage>& TableLanguages() const { return tableLanguages_; }
  const std::vector<LanguageCodePage>& DeclaredTranslations() const { return declaredTranslations_; }
  int CurrentTable() const { return currentTable_; }
  const std::vector<TCurrentEntry>& CurrentEntries() const { return currentEntries_; }

  // The value of standard key `index` (1..12) in the current table, the first entry whose name
  // (the text before its first "=") `equals` the key; empty when there is none or the index is
  // outside 1..12.
  std::string StandardValue(int index, const NameEquals& equals) const;

 private:
  class Walker;

  std::vector<uint8_t> buffer_;
  bool wide_ = false;
  TFixedFileInfo fixed_;
  TFileFlags buildFlags_;
  std::vector<TVersionEntry> allEntries_;
  std::vector<LanguageCodePage> tableLanguages_;
  std::vector<LanguageCodePage> declaredTranslations_;
  int currentTable_ = 0;
  std::vector<TCurrentEntry> currentEntries_;
};
