#pragma once
// The program's catalogues on Windows: read once at start from the language folder beside the
// program file, released at the end, and looked up with the user's locale without regard to
// case (CompareStringA, LOCALE_USER_DEFAULT, NORM_IGNORECASE).

#include <string>
#include <string_view>

#include "translate/catalogue.h"

// The folder of the running program's file with its trailing "\", followed by "Protected\".
std::string ProgramLanguageFolder();

// Sets the folder, empties both catalogues and loads each from its file in that folder
// (forms.txt_e, hints.txt_e). A missing folder or file, or one that cannot be read, leaves
// that catalogue empty; nothing is reported.
void OpenCatalogues(TCatalogues& catalogues, const std::string& folder);

// Releases both catalogues' lines. Writes nothing.
void CloseCatalogues(TCatalogues& catalogues);

// TranslateText with the user's locale comparison.
std::string TranslateText(std::string_view text, TCatalogue& catalogue);
