#pragma once
// An icon picture owned by a component: holds its own copy of an icon and reports every
// change of content to whoever listens (the tray icon refreshes the shell's copy).

#include <windows.h>

#include <functional>

#include "toolkit/handles.h"

class TIcon {
 public:
  TIcon() = default;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  bool Empty() const { return !handle_; }
  HICON Handle() const { return handle_.get(); }

  // Keeps a copy of `icon`; a null or unusable handle leaves the picture empty.
  void Assign(HICON icon);
  void Assign(const TIcon& other);
  // Takes `icon` itself.
  void SetHandle(UniqueIcon icon);
  void Clear();

  // Raised after every change of content.
  std::function<void()> OnChange;

 private:
  void Changed();

  UniqueIcon handle_;
};
