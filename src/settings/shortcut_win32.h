#pragma once
// Shortcut text on the platform: key names from the active keyboard layout and the user's
// locale for comparing texts without regard to case.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/shortcut.h"

// The layout's name for vk (MapVirtualKeyA, then GetKeyNameTextA); empty when it has none.
std::string Win32KeyName(uint8_t vk);

// CompareStringA with LOCALE_USER_DEFAULT and NORM_IGNORECASE over both whole texts.
bool Win32TextEquals(std::string_view a, std::string_view b);

KeyNameSource Win32KeyNameSource();
TextEquals Win32TextEqualsFunction();

std::string FormatShortCut(TShortCut code);
TShortCut ParseShortCut(std::string_view text);
