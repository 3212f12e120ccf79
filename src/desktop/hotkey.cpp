#include "desktop/hotkey.h"

namespace {
constexpr int kHotKeyId = 0;
}

TfisHotKey::TfisHotKey(TComponent* owner)
    : TComponent(owner),
      window_([this](UINT msg, WPARAM, LPARAM, LRESULT&) { return FilterMessage(msg); },
              TMessageWindow::Kind::DesktopChild) {}

TfisHotKey::~TfisHotKey() {
  UnregisterKey();
  // window_ goes with the component: its procedure stops calling us, then it is destroyed.
}

void TfisHotKey::LoadingFinished() {
  TComponent::LoadingFinished();
  if (enabled_) RegisterKey();
}

void TfisHotKey::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (enabled_)
    RegisterKey();
  else
    UnregisterKey();
}

void TfisHotKey::ChangeKey(TShortCut key) {
  UnregisterKey();
  key_ = key;
  RegisterKey();
}

void TfisHotKey::RegisterKey() {
  if (registered_) return;
  const DecodedShortCut decoded = DecodeShortCut(key_);
  const UINT modifiers = HotKeyModifiers(key_);  // MOD_SHIFT / MOD_ALT / MOD_CONTROL only
  HWND wnd = window_.Handle();
  // Without its window the registration would go to the thread, where no one hears it.
  registered_ = wnd && RegisterHotKey(wnd, kHotKeyId, modifiers, decoded.vk) != FALSE;
}

void TfisHotKey::UnregisterKey() {
  if (!registered_) return;
  UnregisterHotKey(window_.Handle(), kHotKeyId);
  registered_ = false;
}

bool TfisHotKey::FilterMessage(UINT msg) {
  // Every WM_HOTKEY on this window is ours; its parameters need no reading.
  if (msg == WM_HOTKEY && OnHotKey) OnHotKey(this);
  return false;  // the window's own procedure sees every message
}
