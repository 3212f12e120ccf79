// Version blocks as a file may hold them: any bytes, read as a version block. The walk may refuse
// the bytes only with the reader's own error; it may not crash, read outside the input or hang,
// and what it reads holds together: every entry belongs to a table that was read, the current
// entries are the first table's, and the standard values come from them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "about/version_block.h"

namespace {

std::string Narrow(std::u16string_view units) {
  std::string s;
  for (char16_t u : units) s += u < 0x100 ? static_cast<char>(u) : '?';
  return s;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

void Check(const TVersionBlock& block) {
  const auto& all = block.AllEntries();
  const auto& tables = block.TableLanguages();
  size_t current = 0;
  for (const TVersionEntry& e : all) {
    if (e.Table < 0 || static_cast<size_t>(e.Table) >= tables.size()) std::abort();
    if (e.Text.find('=') == std::string::npos) std::abort();
    if (e.Table == 0) {
      if (current >= block.CurrentEntries().size() || block.CurrentEntries()[current].Text != e.Text ||
          !(block.CurrentEntries()[current].Language == tables[0]))
        std::abort();
      ++current;
    }
  }
  if (current != block.CurrentEntries().size()) std::abort();
  if (block.FixedPart().dwSignature != 0xFEEF04BD) std::abort();
  for (int i = 1; i <= 12; ++i) {
    const std::string value = block.StandardValue(i, &SameIgnoringAsciiCase);
    if (!value.empty()) {
      bool found = false;
      for (const TCurrentEntry& e : block.CurrentEntries())
        found |= e.Text.size() >= value.size() && e.Text.compare(e.Text.size() - value.size(), value.size(), value) == 0;
      if (!found) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const TVersionBlock block(std::vector<uint8_t>(data, data + size), &Narrow);
    Check(block);
  } catch (const EJclFileVersionInfoError& e) {
    if (std::strcmp(e.what(), "File contains no version information") != 0) std::abort();
  }
  return 0;
}
