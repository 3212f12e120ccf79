#pragma once
// The magnifier's settings in the registry: loaded once at start-up, saved once at shutdown,
// both walking the rows of SettingsTable() in order.

#include <memory>

#include "app/magnifier_state.h"
#include "settings/program_setup.h"
#include "settings/settings_table.h"

// Below HKEY_CURRENT_USER.
inline constexpr const char kMagnifierSettingsKey[] = "Software\\Quorvant\\Lumeview";

// The smallest window side a stored width or height is raised to.
inline constexpr int32_t kMinimumStoredWindowSide = 32;

// Opens the store on keyPath (creating the key when missing), puts it in `store` and points
// state.Settings at it; the caller keeps `store` alive for as long as the state uses it.
// Reads the settings fields of `state`, repairing a zoom step below 2. `geometry` holds the
// window's design position and outer size on entry; each stored Left, Top, Width, Height that
// is not 0 replaces its design value. A stored width or height is kept between
// kMinimumStoredWindowSide and the virtual screen's size. Shortcut texts that name no key
// give code 0. Never throws for missing or mistyped values.
void LoadMagnifierSettings(MagnifierState& state, StoredWindowGeometry& geometry,
                           std::unique_ptr<TProgramSetup>& store,
                           const char* keyPath = kMagnifierSettingsKey);

// Writes all 18 values in table order through state.Settings: the settings fields, the
// window's current position and outer size, and each shortcut as its text (code 0 as "").
// Throws ERegistryException when the registry refuses a write. Without a store (no load ran)
// nothing is written.
void SaveMagnifierSettings(const MagnifierState& state, const StoredWindowGeometry& current);
