#include "translate/catalogue_win32.h"

#include <windows.h>

#include <exception>
#include <optional>
#include <vector>

#include "settings/shortcut_win32.h"  // Win32TextEquals: the locale comparison without case
#include "toolkit/handles.h"

namespace {

// The whole content of an existing file, or nothing when it is missing, a folder, or cannot
// be opened or read to its end.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  std::vector<char> chunk(64 * 1024);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) return std::nullopt;
    if (got == 0) return content;
    content.append(chunk.data(), got);
  }
}

// Loads `catalogue` from the file `name` + suffix in `folder`; any failure leaves it empty.
void LoadCatalogue(TCatalogue& catalogue, const std::string& folder, const char* name) {
  try {
    if (const auto content = ReadWholeFile(folder + name + kLanguageSuffix)) catalogue.LoadFromText(*content);
  } catch (const std::exception&) {
    catalogue.Clear();  // out of memory for a huge file: no translation
  }
}

}  // namespace

std::string ProgramLanguageFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return kLanguageFolderName;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.erase(path.find_last_of("\\/") + 1);  // npos + 1 == 0: no folder at all
  return path + kLanguageFolderName;
}

void OpenCatalogues(TCatalogues& catalogues, const std::string& folder) {
  catalogues.LanguageFolder = folder;
  catalogues.Forms.Clear();
  catalogues.Hints.Clear();
  LoadCatalogue(catalogues.Forms, folder, kFormsCatalogueName);
  LoadCatalogue(catalogues.Hints, folder, kHintsCatalogueName);
}

void CloseCatalogues(TCatalogues& catalogues) {
  // Fresh catalogues give the memory back, which emptying need not do.
  catalogues.Forms = TCatalogue();
  catalogues.Hints = TCatalogue();
}

std::string TranslateText(std::string_view text, TCatalogue& catalogue) {
  return TranslateText(text, catalogue, &Win32TextEquals);
}
