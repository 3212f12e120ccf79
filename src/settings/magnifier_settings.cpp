#include "settings/magnifier_settings.h"

#include <windows.h>

#include <variant>

#include "settings/shortcut_win32.h"

namespace {

// Reads one row into the field it targets.
struct RowReader {
  const TProgramSetup& store;
  const SettingRow& row;
  void operator()(int32_t* field) const { *field = store.ReadInteger(row.name, row.defaultNumber); }
  void operator()(bool* field) const { *field = store.ReadBool(row.name, row.defaultNumber != 0); }
  void operator()(TShortCut* field) const {
    *field = ParseShortCut(store.ReadString(row.name, row.defaultText));
  }
};

// Writes one row from the field it targets.
struct RowWriter {
  TProgramSetup& store;
  const SettingRow& row;
  void operator()(int32_t* field) const { store.WriteInteger(row.name, *field); }
  void operator()(bool* field) const { store.WriteBool(row.name, *field); }
  void operator()(TShortCut* field) const { store.WriteString(row.name, FormatShortCut(*field)); }
};

WindowSizeLimits StoredWindowSizeLimits() {
  return WindowSizeLimits{kMinimumStoredWindowSide, kMinimumStoredWindowSide,
                          GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void ReplaceUnlessZero(int32_t& target, int32_t stored) {
  if (stored != 0) target = stored;
}

}  // namespace

void LoadMagnifierSettings(MagnifierState& state, StoredWindowGeometry& geometry,
                           std::unique_ptr<TProgramSetup>& store, const char* keyPath) {
  store = std::make_unique<TProgramSetup>(keyPath);
  state.Settings = store.get();

  StoredWindowGeometry stored;
  for (const SettingRow& row : SettingsTable()) {
    std::visit(RowReader{*store, row}, SettingTargetOf(row.id, state, stored));
  }

  state.Zoom = SanitizeZoom(state.Zoom);
  state.Transparency = SanitizeTransparency(state.Transparency);
  const StoredWindowSize size =
      SanitizeWindowSize(stored.Width, stored.Height, StoredWindowSizeLimits());
  ReplaceUnlessZero(geometry.Left, stored.Left);
  ReplaceUnlessZero(geometry.Top, stored.Top);
  ReplaceUnlessZero(geometry.Width, size.width);
  ReplaceUnlessZero(geometry.Height, size.height);
}

void SaveMagnifierSettings(const MagnifierState& state, const StoredWindowGeometry& current) {
  if (!state.Settings) return;
  // The table hands out fields to read into; saving only reads them, from copies.
  MagnifierState fields = state;
  StoredWindowGeometry geometry = current;
  for (const SettingRow& row : SettingsTable()) {
    std::visit(RowWriter{*state.Settings, row}, SettingTargetOf(row.id, fields, geometry));
  }
}
