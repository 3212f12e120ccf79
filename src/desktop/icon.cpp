#include "desktop/icon.h"

void TIcon::Assign(HICON icon) {
  handle_.reset(icon ? CopyIcon(icon) : nullptr);
  Changed();
}

void TIcon::Assign(const TIcon& other) {
  if (&other == this) return;
  Assign(other.Handle());
}

void TIcon::SetHandle(UniqueIcon icon) {
  handle_ = std::move(icon);
  Changed();
}

void TIcon::Clear() {
  handle_.reset();
  Changed();
}

void TIcon::Changed() {
  if (OnChange) OnChange();
}
