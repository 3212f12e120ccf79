#pragma once
// Translation catalogues: lists of "key=replacement" lines from files in a language folder
// beside the program. A lookup scans the lines in file order and takes the first whose key
// equals the text; a text found nowhere is appended as "text=text", so a catalogue grows
// during a run. Nothing is ever written back. The key comparison is handed in: the program
// uses the user's locale without regard to case.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// True when a catalogue key and a looked-up text are the same text.
using CatalogueKeyEquals = std::function<bool(std::string_view key, std::string_view text)>;

// The language folder below the program's folder, and the catalogues' file names in it
// (name + suffix: forms.txt_e, hints.txt_e).
inline constexpr char kLanguageFolderName[] = "Protected\\";
inline constexpr char kLanguageSuffix[] = "_e";
inline constexpr char kFormsCatalogueName[] = "forms.txt";
inline constexpr char kHintsCatalogueName[] = "hints.txt";

class TCatalogue {
 public:
  // Replaces the lines by those of a catalogue file's bytes, taken as they are (no byte-order
  // mark is recognised, nothing converted or trimmed). Lines end with CR LF, LF or CR; a last
  // line without an end counts; a NUL byte ends the text. Any bytes are accepted. On failure
  // (out of memory) the catalogue keeps its lines and the error passes on.
  void LoadFromText(std::string_view bytes);
  void Clear() { entries_.clear(); }
  void Add(std::string line);

  size_t Count() const { return entries_.size(); }
  const std::string& Line(size_t index) const { return entries_[index].line; }
  std::vector<std::string> Lines() const;

  // The replacement in the first line whose key (everything before its first "=") equals
  // `text`; nothing when no line has such a key. One comparison per line with an "=".
  // The view is valid until the catalogue next changes.
  std::optional<std::string_view> Find(std::string_view text, const CatalogueKeyEquals& equals) const;

 private:
  struct Entry {
    std::string line;
    size_t key_length;  // std::string::npos: the line has no "=" and never matches
  };
  static Entry MakeEntry(std::string_view line);

  std::vector<Entry> entries_;
};

// The program's two catalogues and the folder they were read from.
struct TCatalogues {
  std::string LanguageFolder;
  TCatalogue Forms;  // form titles and control captions
  TCatalogue Hints;  // control hints
};

// A non-empty text made only of the characters "0123456789.,".
bool IsNumericText(std::string_view text);

// The replacement for `text`, or `text` itself. Empty and numeric texts are returned as they
// are and never looked up; any other text not found is appended as "text=text".
std::string TranslateText(std::string_view text, TCatalogue& catalogue, const CatalogueKeyEquals& equals);
