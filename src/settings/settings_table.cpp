#include "settings/settings_table.h"

#include <algorithm>

namespace {

constexpr std::array<SettingRow, kSettingCount> kRows{{
    {SettingId::Zoom, "Zoom", SettingKind::Integer, 4, ""},
    {SettingId::Transparency, "Transparency", SettingKind::Integer, 20, ""},
    {SettingId::ShowCross, "Show Cross", SettingKind::Boolean, 0, ""},
    {SettingId::ShowBorders, "Show Borders", SettingKind::Boolean, 1, ""},
    {SettingId::MoveToMouse, "Move Window", SettingKind::Boolean, 1, ""},
    {SettingId::AlwaysTop, "Always Top", SettingKind::Boolean, 1, ""},
    {SettingId::ShowMousePos, "Show Mouse Pos", SettingKind::Boolean, 0, ""},
    {SettingId::Left, "Left", SettingKind::Integer, 0, ""},
    {SettingId::Top, "Top", SettingKind::Integer, 0, ""},
    {SettingId::Width, "Width", SettingKind::Integer, 150, ""},
    {SettingId::Height, "Height", SettingKind::Integer, 150, ""},
    {SettingId::ShortCutDialog, "ShortCut Dialog", SettingKind::String, 0, "Ctrl+Alt+D"},
    {SettingId::ShortCutShowHide, "ShortCut ShowHide", SettingKind::String, 0, "Ctrl+Alt+H"},
    {SettingId::ShortCutZoom, "ShortCut ZOOM", SettingKind::String, 0, "Ctrl+Alt+Z"},
    {SettingId::ShortCutSize, "ShortCut SIZE", SettingKind::String, 0, "Ctrl+Alt+S"},
    {SettingId::ShortCutTransparent, "ShortCut TRANSPARENT", SettingKind::String, 0, "Ctrl+Alt+T"},
    {SettingId::ShortCutClipboard, "ShortCut CLIPBOARD", SettingKind::String, 0, "Ctrl+Alt+C"},
    {SettingId::ShortCutSaveFile, "ShortCut SAVEFILE", SettingKind::String, 0, "Ctrl+Alt+F"},
}};

int32_t SanitizeSide(int32_t value, int32_t minimum, int32_t maximum) {
  if (value == 0) return 0;
  maximum = std::max(maximum, minimum);
  return std::clamp(value, minimum, maximum);
}

}  // namespace

const std::array<SettingRow, kSettingCount>& SettingsTable() { return kRows; }

SettingTarget SettingTargetOf(SettingId id, MagnifierState& state, StoredWindowGeometry& geometry) {
  switch (id) {
    case SettingId::Zoom: return &state.Zoom;
    case SettingId::Transparency: return &state.Transparency;
    case SettingId::ShowCross: return &state.ShowCross;
    case SettingId::ShowBorders: return &state.ShowBorders;
    case SettingId::MoveToMouse: return &state.MoveToMouse;
    case SettingId::AlwaysTop: return &state.AlwaysTop;
    case SettingId::ShowMousePos: return &state.ShowMousePos;
    case SettingId::Left: return &geometry.Left;
    case SettingId::Top: return &geometry.Top;
    case SettingId::Width: return &geometry.Width;
    case SettingId::Height: return &geometry.Height;
    case SettingId::ShortCutDialog: return &state.Shortcuts[scDialog];
    case SettingId::ShortCutShowHide: return &state.Shortcuts[scShowHide];
    case SettingId::ShortCutZoom: return &state.Shortcuts[scZoom];
    case SettingId::ShortCutSize: return &state.Shortcuts[scSize];
    case SettingId::ShortCutTransparent: return &state.Shortcuts[scTransparent];
    case SettingId::ShortCutClipboard: return &state.Shortcuts[scClipboard];
    case SettingId::ShortCutSaveFile: return &state.Shortcuts[scSaveFile];
  }
  return &state.Zoom;  // not reached: every id is listed above
}

int32_t SanitizeZoom(int32_t zoom) { return std::max<int32_t>(zoom, 2); }

int32_t SanitizeTransparency(int32_t percent) {
  return (percent < 0 || percent > 100) ? kRows[1].defaultNumber : percent;
}

StoredWindowSize SanitizeWindowSize(int32_t width, int32_t height, const WindowSizeLimits& limits) {
  return StoredWindowSize{SanitizeSide(width, limits.minWidth, limits.maxWidth),
                          SanitizeSide(height, limits.minHeight, limits.maxHeight)};
}
