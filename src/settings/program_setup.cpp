#include "settings/program_setup.h"

#include <cstring>
#include <new>
#include <vector>

#include "toolkit/errors.h"

namespace {

// Asks for a value's type and data size without reading the data.
bool QueryTypeAndSize(HKEY key, const std::string& name, DWORD& type, DWORD& size) {
  if (!key) return false;
  type = REG_NONE;
  size = 0;
  return RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

}  // namespace

TProgramSetup::TProgramSetup(std::string keyPath) : keyPath_(std::move(keyPath)) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    key_.reset(key);
  }
}

bool TProgramSetup::ValueExists(const std::string& name) const {
  DWORD type = REG_NONE;
  DWORD size = 0;
  return QueryTypeAndSize(key_.get(), name, type, size);
}

bool TProgramSetup::TryReadString(const std::string& name, std::string& value) const {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (!QueryTypeAndSize(key_.get(), name, type, size) || type != REG_SZ) return false;
  try {
    // The value may grow between the size query and the read: ask again a few times.
    std::vector<char> buffer;
    for (int attempt = 0; attempt < 4; ++attempt) {
      // One spare zero byte so that data stored without its terminator still ends.
      const size_t capacity = static_cast<size_t>(size) + 1;
      if (capacity == 0) return false;  // a 32-bit build cannot hold 4 GB of text
      buffer.assign(capacity, '\0');
      DWORD got = size;
      DWORD readType = REG_NONE;
      LONG rc = RegQueryValueExA(key_.get(), name.c_str(), nullptr, &readType,
                                 reinterpret_cast<BYTE*>(buffer.data()), &got);
      if (rc == ERROR_MORE_DATA) {
        size = got;
        continue;
      }
      if (rc != ERROR_SUCCESS || readType != REG_SZ || got > size) return false;
      // The text ends at the first zero within the data, or at the data's end.
      const void* zero = std::memchr(buffer.data(), '\0', got);
      size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - buffer.data())
                           : static_cast<size_t>(got);
      value.assign(buffer.data(), length);
      return true;
    }
  } catch (const std::bad_alloc&) {
  }
  return false;
}

bool TProgramSetup::TryReadDword(const std::string& name, uint32_t& value) const {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (!QueryTypeAndSize(key_.get(), name, type, size)) return false;
  if (type != REG_DWORD || size != sizeof(DWORD)) return false;
  DWORD data = 0;
  DWORD got = sizeof(data);
  DWORD readType = REG_NONE;
  if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &readType,
                       reinterpret_cast<BYTE*>(&data), &got) != ERROR_SUCCESS)
    return false;
  if (readType != REG_DWORD || got != sizeof(DWORD)) return false;
  value = data;
  return true;
}

bool TProgramSetup::TryReadInteger(const std::string& name, int32_t& value) const {
  uint32_t data = 0;
  if (!TryReadDword(name, data)) return false;
  value = static_cast<int32_t>(data);
  return true;
}

bool TProgramSetup::TryReadBool(const std::string& name, bool& value) const {
  uint32_t data = 0;
  if (!TryReadDword(name, data)) return false;
  value = data != 0;
  return true;
}

std::string TProgramSetup::ReadString(const std::string& name,
                                      const std::string& defaultValue) const {
  std::string value;
  return TryReadString(name, value) ? value : defaultValue;
}

int32_t TProgramSetup::ReadInteger(const std::string& name, int32_t defaultValue) const {
  int32_t value = defaultValue;
  return TryReadInteger(name, value) ? value : defaultValue;
}

bool TProgramSetup::ReadBool(const std::string& name, bool defaultValue) const {
  bool value = defaultValue;
  return TryReadBool(name, value) ? value : defaultValue;
}

void TProgramSetup::WriteData(const std::string& name, DWORD type, const void* data, DWORD size) {
  if (!key_ || RegSetValueExA(key_.get(), name.c_str(), 0, type,
                              static_cast<const BYTE*>(data), size) != ERROR_SUCCESS) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

void TProgramSetup::WriteString(const std::string& name, const std::string& value) {
  // The registry keeps sizes in 32 bits; a longer text cannot be stored.
  if (value.size() >= 0xFFFFFFFFu) throw ERegistryException("Failed to set data for '" + name + "'");
  WriteData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TProgramSetup::WriteInteger(const std::string& name, int32_t value) {
  DWORD data = static_cast<DWORD>(value);
  WriteData(name, REG_DWORD, &data, sizeof(data));
}

void TProgramSetup::WriteBool(const std::string& name, bool value) {
  DWORD data = value ? 1 : 0;
  WriteData(name, REG_DWORD, &data, sizeof(data));
}
