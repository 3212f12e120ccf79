#pragma once
// TProgramSetup: a small store of named values on one key below HKEY_CURRENT_USER.
// The key is opened (created when missing) once, at construction, and closed with the store.
// Reads never fail: a value that is missing, of another type or unreadable gives the default.
// Writes replace any earlier value of the same name; a refused write throws ERegistryException.

#include <cstdint>
#include <string>

#include "toolkit/handles.h"

class TProgramSetup {
 public:
  // keyPath is relative to HKEY_CURRENT_USER. When the key cannot be opened the store still
  // exists: every read gives its default and every write throws.
  explicit TProgramSetup(std::string keyPath);

  TProgramSetup(const TProgramSetup&) = delete;
  TProgramSetup& operator=(const TProgramSetup&) = delete;

  const std::string& KeyPath() const noexcept { return keyPath_; }
  bool IsOpen() const noexcept { return static_cast<bool>(key_); }

  // True when the value's data size can be queried, whatever its type.
  bool ValueExists(const std::string& name) const;

  // True and the value when it exists with the matching type (REG_SZ for text, REG_DWORD with
  // four bytes of data for numbers); false and the output untouched otherwise.
  bool TryReadString(const std::string& name, std::string& value) const;
  bool TryReadInteger(const std::string& name, int32_t& value) const;
  bool TryReadBool(const std::string& name, bool& value) const;

  std::string ReadString(const std::string& name, const std::string& defaultValue) const;
  int32_t ReadInteger(const std::string& name, int32_t defaultValue) const;
  bool ReadBool(const std::string& name, bool defaultValue) const;

  // REG_SZ with its terminating zero; REG_DWORD; REG_DWORD 0 or 1.
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteBool(const std::string& name, bool value);

 private:
  bool TryReadDword(const std::string& name, uint32_t& value) const;
  void WriteData(const std::string& name, DWORD type, const void* data, DWORD size);

  std::string keyPath_;
  UniqueRegKey key_;
};
