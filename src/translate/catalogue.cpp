#include "translate/catalogue.h"

#include <utility>

namespace {
// Between a line's key and its replacement.
constexpr char kSeparator = '=';
}  // namespace

TCatalogue::Entry TCatalogue::MakeEntry(std::string_view line) {
  return Entry{std::string(line), line.find(kSeparator)};
}

void TCatalogue::LoadFromText(std::string_view bytes) {
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  std::vector<Entry> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.push_back(MakeEntry(text.substr(pos)));
      break;
    }
    lines.push_back(MakeEntry(text.substr(pos, end - pos)));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  entries_.swap(lines);
}

void TCatalogue::Add(std::string line) {
  const size_t key_length = line.find(kSeparator);
  entries_.push_back(Entry{std::move(line), key_length});
}

std::vector<std::string> TCatalogue::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  for (const Entry& e : entries_) lines.push_back(e.line);
  return lines;
}

std::optional<std::string_view> TCatalogue::Find(std::string_view text,
                                                 const CatalogueKeyEquals& equals) const {
  for (const Entry& e : entries_) {
    if (e.key_length == std::string::npos) continue;
    const std::string_view line(e.line);
    if (equals(line.substr(0, e.key_length), text)) return line.substr(e.key_length + 1);
  }
  return std::nullopt;
}

bool IsNumericText(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789.,") == std::string_view::npos;
}

std::string TranslateText(std::string_view text, TCatalogue& catalogue, const CatalogueKeyEquals& equals) {
  if (text.empty() || IsNumericText(text)) return std::string(text);
  if (const auto replacement = catalogue.Find(text, equals)) return std::string(*replacement);
  std::string line;
  line.reserve(text.size() * 2 + 1);
  line.append(text).append(1, kSeparator).append(text);
  catalogue.Add(std::move(line));
  return std::string(text);
}
