#pragma once
// The display scale of the processes started from now on: LogPixels under
// HKEY_CURRENT_USER\Control Panel\Desktop (Wine reads it at each process's start), set for as
// long as the object lives and then put back as it was. A test that needs a program at another
// scale starts that program while one of these lives.

#include <windows.h>

#include <optional>

class ScopedLogPixels {
 public:
  explicit ScopedLogPixels(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD old = 0, type = 0, size = sizeof old;
    if (RegQueryValueExA(key_, kValue, nullptr, &type, reinterpret_cast<BYTE*>(&old), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD)
      old_ = old;
    ok_ = Write(dpi);
  }
  ~ScopedLogPixels() {
    if (!key_) return;
    if (old_) Write(*old_);
    else RegDeleteValueA(key_, kValue);
    RegCloseKey(key_);
  }
  ScopedLogPixels(const ScopedLogPixels&) = delete;
  ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

  // False when the value could not be written.
  bool Ok() const { return ok_; }

 private:
  static constexpr const char* kKey = "Control Panel\\Desktop";
  static constexpr const char* kValue = "LogPixels";

  bool Write(DWORD dpi) {
    return RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                          sizeof dpi) == ERROR_SUCCESS;
  }

  HKEY key_ = nullptr;
  std::optional<DWORD> old_;
  bool ok_ = false;
};
