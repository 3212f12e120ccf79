#pragma once
// A throw-away key below HKEY_CURRENT_USER\Software\Quorvant\LumeviewTest for one test, with
// raw access that bypasses TProgramSetup: values of any type and size can be planted, and what
// the program wrote can be read back byte for byte. The key is deleted before and after use.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct RawValue {
  bool exists = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;

  std::string Text() const {  // the data as text up to its first zero
    std::string s(data.begin(), data.end());
    return s.substr(0, s.find('\0'));
  }
  bool IsDword(uint32_t expected) const {
    if (!exists || type != REG_DWORD || data.size() != 4) return false;
    uint32_t v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return v == expected;
  }
  bool IsString(const std::string& expected) const {
    if (!exists || type != REG_SZ) return false;
    std::vector<BYTE> want(expected.begin(), expected.end());
    want.push_back(0);
    return data == want;
  }
};

class TestRegistryKey {
 public:
  // The path is made from the running test's suite and name.
  TestRegistryKey() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::string("Software\\Quorvant\\LumeviewTest\\") + info->test_suite_name() + "." +
            info->name();
    Delete();
  }
  ~TestRegistryKey() { Delete(); }
  TestRegistryKey(const TestRegistryKey&) = delete;
  TestRegistryKey& operator=(const TestRegistryKey&) = delete;

  const std::string& Path() const { return path_; }

  bool Exists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }

  void Delete() { RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); }

  void Set(const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    LONG rc = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "planting " << name;
  }
  void SetDword(const std::string& name, uint32_t value) { Set(name, REG_DWORD, &value, 4); }
  void SetString(const std::string& name, const std::string& text) {
    Set(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }

  RawValue Get(const std::string& name) const {
    RawValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return v;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
      v.data.resize(size);
      if (RegQueryValueExA(key, name.c_str(), nullptr, &v.type, v.data.data(), &size) ==
          ERROR_SUCCESS) {
        v.data.resize(size);
        v.exists = true;
      }
    }
    RegCloseKey(key);
    return v;
  }

  // Names of all values under the key, in the registry's order.
  std::vector<std::string> ValueNames() const {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return names;
    for (DWORD i = 0;; ++i) {
      char name[16384];
      DWORD length = sizeof(name);
      if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
  }

 private:
  std::string path_;
};
