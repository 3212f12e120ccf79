// TProgramSetup against the real registry: value types, defaults, data sizes, names, writes and
// the error a refused write raises.

#include "settings/program_setup.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_registry_key.h"
#include "toolkit/errors.h"

namespace {

class ProgramSetupTest : public ::testing::Test {
 protected:
  TestRegistryKey key_;
};

// Runs f and returns the text of the ERegistryException it throws ("" if none).
template <class F>
std::string RegistryErrorText(F f) {
  try {
    f();
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return "";
}

TEST_F(ProgramSetupTest, CreatesMissingKeyAndGivesDefaults) {
  ASSERT_FALSE(key_.Exists());
  TProgramSetup store(key_.Path());
  EXPECT_TRUE(store.IsOpen());
  EXPECT_TRUE(key_.Exists());
  EXPECT_EQ(store.KeyPath(), key_.Path());

  EXPECT_FALSE(store.ValueExists("Zoom"));
  EXPECT_EQ(store.ReadInteger("Zoom", 4), 4);
  EXPECT_EQ(store.ReadInteger("Zoom", -9), -9);
  EXPECT_TRUE(store.ReadBool("Show Borders", true));
  EXPECT_FALSE(store.ReadBool("Show Borders", false));
  EXPECT_EQ(store.ReadString("ShortCut Dialog", "Ctrl+Alt+D"), "Ctrl+Alt+D");

  std::string text = "untouched";
  int32_t number = 77;
  bool flag = true;
  EXPECT_FALSE(store.TryReadString("Zoom", text));
  EXPECT_FALSE(store.TryReadInteger("Zoom", number));
  EXPECT_FALSE(store.TryReadBool("Zoom", flag));
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(number, 77);
  EXPECT_TRUE(flag);
}

TEST_F(ProgramSetupTest, OpensExistingKeyAndReadsItsValues) {
  key_.SetDword("Zoom", 12);
  key_.SetString("ShortCut ZOOM", "Shift+F3");
  TProgramSetup store(key_.Path());
  EXPECT_EQ(store.ReadInteger("Zoom", 4), 12);
  EXPECT_EQ(store.ReadString("ShortCut ZOOM", ""), "Shift+F3");
}

TEST_F(ProgramSetupTest, WritesStoreTheTypesAndBytesOfTheTable) {
  TProgramSetup store(key_.Path());
  store.WriteString("Text", "Ctrl+Alt+D");
  store.WriteString("Empty", "");
  store.WriteInteger("Negative", -5);
  store.WriteInteger("Big", 0x7FFFFFFF);
  store.WriteBool("Yes", true);
  store.WriteBool("No", false);

  EXPECT_TRUE(key_.Get("Text").IsString("Ctrl+Alt+D"));  // REG_SZ with its terminating zero
  EXPECT_TRUE(key_.Get("Empty").IsString(""));
  EXPECT_TRUE(key_.Get("Negative").IsDword(0xFFFFFFFBu));
  EXPECT_TRUE(key_.Get("Big").IsDword(0x7FFFFFFFu));
  EXPECT_TRUE(key_.Get("Yes").IsDword(1));
  EXPECT_TRUE(key_.Get("No").IsDword(0));

  EXPECT_EQ(store.ReadString("Text", "?"), "Ctrl+Alt+D");
  EXPECT_EQ(store.ReadInteger("Negative", 0), -5);
  EXPECT_EQ(store.ReadInteger("Big", 0), 0x7FFFFFFF);
  EXPECT_TRUE(store.ReadBool("Yes", false));
  EXPECT_FALSE(store.ReadBool("No", true));
}

TEST_F(ProgramSetupTest, ReadsOnlyTheMatchingType) {
  key_.SetString("StringFive", "5");
  key_.SetDword("DwordSeven", 7);
  const char expand[] = "%TEMP%";
  key_.Set("Expand", REG_EXPAND_SZ, expand, sizeof(expand));
  const BYTE four[4] = {9, 0, 0, 0};
  key_.Set("Binary", REG_BINARY, four, sizeof(four));
  key_.Set("BigEndian", REG_DWORD_BIG_ENDIAN, four, sizeof(four));
  const BYTE eight[8] = {9, 0, 0, 0, 0, 0, 0, 0};
  key_.Set("Qword", REG_QWORD, eight, sizeof(eight));
  key_.Set("Multi", REG_MULTI_SZ, "ab\0\0", 4);

  TProgramSetup store(key_.Path());
  // A string is no number, whatever its text.
  EXPECT_EQ(store.ReadInteger("StringFive", 4), 4);
  EXPECT_FALSE(store.ReadBool("StringFive", false));
  EXPECT_EQ(store.ReadString("StringFive", "?"), "5");
  // Any non-zero REG_DWORD is true; a number is no string.
  EXPECT_TRUE(store.ReadBool("DwordSeven", false));
  EXPECT_EQ(store.ReadInteger("DwordSeven", 0), 7);
  EXPECT_EQ(store.ReadString("DwordSeven", "default"), "default");
  // Only REG_SZ counts as text, only REG_DWORD as a number.
  std::string text = "untouched";
  EXPECT_FALSE(store.TryReadString("Expand", text));
  EXPECT_FALSE(store.TryReadString("Multi", text));
  EXPECT_FALSE(store.TryReadString("Binary", text));
  EXPECT_EQ(text, "untouched");
  int32_t number = -1;
  EXPECT_FALSE(store.TryReadInteger("Binary", number));
  EXPECT_FALSE(store.TryReadInteger("BigEndian", number));
  EXPECT_FALSE(store.TryReadInteger("Qword", number));
  EXPECT_EQ(number, -1);
  EXPECT_TRUE(store.ReadBool("Binary", true));
  EXPECT_FALSE(store.ReadBool("Qword", false));
  // They all exist, whatever their type.
  for (const char* name : {"StringFive", "DwordSeven", "Expand", "Binary", "BigEndian", "Qword",
                           "Multi"}) {
    EXPECT_TRUE(store.ValueExists(name)) << name;
  }
}

TEST_F(ProgramSetupTest, DwordWithOtherThanFourBytesIsNotANumber) {
  const BYTE two[2] = {7, 0};
  const BYTE eight[8] = {7, 0, 0, 0, 1, 0, 0, 0};
  key_.Set("Two", REG_DWORD, two, sizeof(two));
  key_.Set("Eight", REG_DWORD, eight, sizeof(eight));
  key_.Set("None", REG_DWORD, nullptr, 0);

  TProgramSetup store(key_.Path());
  for (const char* name : {"Two", "Eight", "None"}) {
    int32_t number = 123;
    bool flag = false;
    EXPECT_FALSE(store.TryReadInteger(name, number)) << name;
    EXPECT_FALSE(store.TryReadBool(name, flag)) << name;
    EXPECT_EQ(number, 123) << name;
    EXPECT_FALSE(flag) << name;
    EXPECT_EQ(store.ReadInteger(name, 4), 4) << name;
    EXPECT_TRUE(store.ValueExists(name)) << name;
  }
}

TEST_F(ProgramSetupTest, StringDataOfEveryShapeReadsSafely) {
  key_.Set("ZeroBytes", REG_SZ, nullptr, 0);
  key_.Set("JustTerminator", REG_SZ, "", 1);
  key_.Set("NoTerminator", REG_SZ, "abc", 3);
  key_.Set("InnerZero", REG_SZ, "ab\0cd", 6);
  std::string big(1024 * 1024, 'x');
  for (size_t i = 0; i < big.size(); i += 97) big[i] = static_cast<char>('a' + i % 26);
  key_.SetString("Huge", big);

  TProgramSetup store(key_.Path());
  // A zero-length text is a text: "" and not the default.
  std::string text = "untouched";
  EXPECT_TRUE(store.TryReadString("ZeroBytes", text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(store.ReadString("ZeroBytes", "default"), "");
  EXPECT_EQ(store.ReadString("JustTerminator", "default"), "");
  // Data without its terminating zero ends where the data ends.
  EXPECT_EQ(store.ReadString("NoTerminator", "default"), "abc");
  // The text ends at the first zero.
  EXPECT_EQ(store.ReadString("InnerZero", "default"), "ab");
  // A megabyte of text comes back whole.
  std::string read = store.ReadString("Huge", "default");
  EXPECT_EQ(read.size(), big.size());
  EXPECT_TRUE(read == big);
}

TEST_F(ProgramSetupTest, NamesAreCaseInsensitive) {
  TProgramSetup store(key_.Path());
  store.WriteInteger("Show Cross", 1);
  EXPECT_TRUE(store.ValueExists("SHOW CROSS"));
  EXPECT_TRUE(store.ReadBool("show cross", false));

  store.WriteString("ShortCut ZOOM", "Ctrl+Alt+Z");
  store.WriteString("shortcut zoom", "Alt+Z");
  EXPECT_EQ(store.ReadString("Shortcut Zoom", ""), "Alt+Z");
  EXPECT_EQ(key_.ValueNames().size(), 2u);
}

TEST_F(ProgramSetupTest, WriteReplacesAValueOfAnotherType) {
  key_.SetString("Zoom", "8");
  const char expand[] = "%X%";
  key_.Set("Name", REG_EXPAND_SZ, expand, sizeof(expand));
  const BYTE two[2] = {1, 0};
  key_.Set("Flag", REG_BINARY, two, sizeof(two));

  TProgramSetup store(key_.Path());
  store.WriteInteger("Zoom", 8);
  store.WriteString("Name", "plain");
  store.WriteBool("Flag", true);
  EXPECT_TRUE(key_.Get("Zoom").IsDword(8));
  EXPECT_TRUE(key_.Get("Name").IsString("plain"));
  EXPECT_TRUE(key_.Get("Flag").IsDword(1));
  store.WriteString("Zoom", "eight");
  EXPECT_TRUE(key_.Get("Zoom").IsString("eight"));
  EXPECT_EQ(store.ReadInteger("Zoom", 4), 4);
}

TEST_F(ProgramSetupTest, RefusedWriteRaisesTheValueName) {
  TProgramSetup store(key_.Path());
  ASSERT_TRUE(store.IsOpen());
  store.WriteInteger("Zoom", 6);
  // The key goes away under the open store: the registry refuses every further write.
  ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, key_.Path().c_str()), ERROR_SUCCESS);

  EXPECT_EQ(RegistryErrorText([&] { store.WriteInteger("Zoom", 8); }),
            "Failed to set data for 'Zoom'");
  EXPECT_EQ(RegistryErrorText([&] { store.WriteBool("Show Cross", true); }),
            "Failed to set data for 'Show Cross'");
  EXPECT_EQ(RegistryErrorText([&] { store.WriteString("ShortCut SIZE", "Ctrl+Alt+S"); }),
            "Failed to set data for 'ShortCut SIZE'");
  // Reads of a deleted key give the defaults.
  EXPECT_EQ(store.ReadInteger("Zoom", 4), 4);
  EXPECT_FALSE(key_.Exists());
}

TEST_F(ProgramSetupTest, KeyThatCannotBeCreatedLeavesAUsableStore) {
  // A non-volatile key cannot be made below a volatile one.
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key_.Path() + "\\Volatile").c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatileKey);

  TProgramSetup store(key_.Path() + "\\Volatile\\Settings");
  EXPECT_FALSE(store.IsOpen());
  EXPECT_FALSE(store.ValueExists("Zoom"));
  EXPECT_EQ(store.ReadInteger("Zoom", 4), 4);
  EXPECT_TRUE(store.ReadBool("Move Window", true));
  EXPECT_EQ(store.ReadString("ShortCut Dialog", "Ctrl+Alt+D"), "Ctrl+Alt+D");
  EXPECT_EQ(RegistryErrorText([&] { store.WriteInteger("Width", 150); }),
            "Failed to set data for 'Width'");
}

TEST_F(ProgramSetupTest, ReadOnlyKeyGivesDefaultsAndRefusesWrites) {
  key_.SetDword("Zoom", 10);
  // Everyone may read the key, nobody may write it.
  {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.Path().c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)",
                                                                     SDDL_REVISION_1, &sd, nullptr));
    LONG rc = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    RegCloseKey(key);
    ASSERT_EQ(rc, ERROR_SUCCESS);
  }

  {
    TProgramSetup store(key_.Path());
    EXPECT_FALSE(store.IsOpen());  // opened for reading and writing, or not at all
    EXPECT_EQ(store.ReadInteger("Zoom", 4), 4);
    EXPECT_EQ(RegistryErrorText([&] { store.WriteInteger("Zoom", 3); }),
              "Failed to set data for 'Zoom'");
  }
  EXPECT_TRUE(key_.Get("Zoom").IsDword(10));

  // Give write access back so the key can be removed.
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.Path().c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KA;;;WD)", SDDL_REVISION_1,
                                                             &sd, nullptr)) {
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
      LocalFree(sd);
    }
    RegCloseKey(key);
  }
}

}  // namespace
