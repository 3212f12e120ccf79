// Catalogue files as the program reads them: any bytes load into lines, and lookups of texts
// taken from the same input find the first matching key or append the text once. Nothing may
// crash, hang or read outside the input.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "translate/catalogue.h"

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

// The input is the file; its first byte also picks where the looked-up texts come from.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TCatalogue catalogue;
  catalogue.LoadFromText(bytes);

  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  size_t line_ends = 0;
  for (char c : text) line_ends += (c == '\r' || c == '\n');
  Check(catalogue.Count() <= line_ends + 1);
  // Look up pieces of the input: the first keys of the file and a few slices of any bytes.
  const size_t step = size > 0 ? 1 + data[0] % 7 : 1;
  std::vector<std::string> texts;
  for (size_t i = 0; i < catalogue.Count(); ++i) {
    const std::string& line = catalogue.Line(i);
    Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    if (texts.size() < 8) texts.push_back(line.substr(0, line.find('=')));
  }
  for (size_t i = 0; i + step <= text.size() && texts.size() < 16; i += step * 3)
    texts.emplace_back(text.substr(i, step));

  for (const std::string& t : texts) {
    const size_t before = catalogue.Count();
    const std::string first = TranslateText(t, catalogue, EqualsNoCase);
    const size_t added = catalogue.Count() - before;
    if (t.empty() || IsNumericText(t)) {
      Check(first == t && added == 0);
      continue;
    }
    Check(added <= 1);
    if (added == 1) Check(first == t && catalogue.Line(catalogue.Count() - 1) == t + "=" + t);
    // A second lookup gives the same answer unless the text itself has an "=" (its added
    // line then has a shorter key) and never adds when the first did not.
    const std::string second = TranslateText(t, catalogue, EqualsNoCase);
    if (t.find('=') == std::string::npos) Check(second == first && catalogue.Count() == before + added);
  }
  return 0;
}
