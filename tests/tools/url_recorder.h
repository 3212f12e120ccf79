#pragma once
// Makes url_recorder.exe (tests/tools/url_recorder.cpp, built beside the test programs) the
// handler of link schemes for as long as a UrlRecorder object lives, so a test sees exactly
// what a program handed to the shell: each opened target becomes one line of a log file.
//
// Win32 and end-to-end tests alike (both have tests/ on their include path, and neither needs
// more than advapi32):
//
//   #include "tools/url_recorder.h"
//   urlrec::UrlRecorder recorder({"http", "mailto"});
//   ASSERT_TRUE(recorder.Error().empty()) << recorder.Error();
//   ... press the link, in this process or in Lumeview.exe ...
//   wait, with a bound, until recorder.Lines() holds "mailto:someone@example.com"
//
// The handler is found by the shell of any process of the same Wine prefix (or Windows user),
// so a link clicked in Lumeview.exe is recorded too. The recorder program is
// $LUMEVIEW_URL_RECORDER when set (a Windows path or a Unix one, which becomes Z:...), else
// url_recorder.exe in the running program's folder.
//
// The keys, below <classes>: Wine's ShellExecute reads HKEY_CLASSES_ROOT, which under Wine
// shows HKEY_LOCAL_MACHINE\Software\Classes only (HKEY_CURRENT_USER\Software\Classes is not
// looked at), so under Wine <classes> is HKEY_LOCAL_MACHINE\Software\Classes; on Windows it is
// HKEY_CURRENT_USER\Software\Classes. For each scheme S:
//   <classes>\S                          default "URL:S Protocol", "URL Protocol" = ""
//   <classes>\S\shell\open\command       default "<recorder>" "<log>" "%1"
// The shell turns a "file://" target into a path and opens that by its type, so files ending
// in kRecordedExtension are recorded too (as their path):
//   <classes>\.lvrecord                  default "LumeviewTest.Recorded"
//   <classes>\LumeviewTest.Recorded\shell\open\command   as above
// Whatever stood under those names before is copied to
// HKEY_CURRENT_USER\Software\Quorvant\LumeviewTest\UrlRecorder\<name> (or marked absent there),
// and put back when the object goes; a copy that a test which died left behind is put back
// first.

#include <windows.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "toolkit/handles.h"

namespace urlrec {

constexpr char kRecordedExtension[] = ".lvrecord";
constexpr char kRecordedProgId[] = "LumeviewTest.Recorded";
constexpr char kSavedParent[] = "Software\\Quorvant\\LumeviewTest";
constexpr char kSavedKey[] = "Software\\Quorvant\\LumeviewTest\\UrlRecorder";

inline bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A Unix path (under Wine) as the Windows path of drive Z:.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

inline std::string RecorderPath() {
  if (const char* given = std::getenv("LUMEVIEW_URL_RECORDER"); given && *given)
    return WindowsPath(given);
  char self[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  return path.substr(0, path.find_last_of("\\/") + 1) + "url_recorder.exe";
}

class UrlRecorder {
 public:
  explicit UrlRecorder(std::initializer_list<const char*> schemes) {
    classes_root_ = RunningUnderWine() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    recorder_ = RecorderPath();
    if (GetFileAttributesA(recorder_.c_str()) == INVALID_FILE_ATTRIBUTES) {
      error_ = "no recorder program at " + recorder_;
      return;
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    log_ = std::string(temp) + "lumeview-url-" + std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(log_.c_str());
    PutBackLeftovers();
    const std::string command = "\"" + recorder_ + "\" \"" + log_ + "\" \"%1\"";
    for (const char* scheme : schemes) {
      if (!Take(scheme)) continue;
      const std::string key = ClassKey(scheme);
      SetString(key, nullptr, std::string("URL:") + scheme + " Protocol");
      SetString(key, "URL Protocol", "");
      SetString(key + "\\shell\\open\\command", nullptr, command);
    }
    if (Take(kRecordedExtension)) SetString(ClassKey(kRecordedExtension), nullptr, kRecordedProgId);
    if (Take(kRecordedProgId))
      SetString(ClassKey(kRecordedProgId) + "\\shell\\open\\command", nullptr, command);
  }

  ~UrlRecorder() {
    PutBackLeftovers();
    if (!log_.empty()) DeleteFileA(log_.c_str());
  }
  UrlRecorder(const UrlRecorder&) = delete;
  UrlRecorder& operator=(const UrlRecorder&) = delete;

  // Empty when every handler is in place.
  const std::string& Error() const { return error_; }
  const std::string& LogFile() const { return log_; }
  const std::string& Recorder() const { return recorder_; }

  // The targets recorded so far, oldest first.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    UniqueFile file(CreateFileA(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return lines;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
      text.append(buffer, got);
    // Only whole lines: a recorder may be writing right now.
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

  // Forgets what was recorded.
  void Clear() const { DeleteFileA(log_.c_str()); }

 private:
  static std::string ClassKey(const std::string& name) { return "Software\\Classes\\" + name; }
  static std::string SavedKey(const std::string& name) { return std::string(kSavedKey) + "\\" + name; }

  void Fail(const std::string& what) {
    if (error_.empty()) error_ = what;
  }

  static UniqueRegKey CreateKey(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
      return UniqueRegKey();
    return UniqueRegKey(k);
  }
  static UniqueRegKey OpenKey(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return UniqueRegKey();
    return UniqueRegKey(k);
  }

  void SetString(const std::string& key, const char* name, const std::string& value) {
    UniqueRegKey k = CreateKey(classes_root_, key);
    if (!k) return Fail("cannot create " + key);
    if (RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
      Fail("cannot write " + key);
  }

  // Keeps a copy of what stands under `name` (or notes that nothing does) and clears it.
  bool Take(const std::string& name) {
    UniqueRegKey saved = CreateKey(HKEY_CURRENT_USER, SavedKey(name));
    if (!saved) {
      Fail("cannot save " + name);
      return false;
    }
    if (UniqueRegKey current = OpenKey(classes_root_, ClassKey(name))) {
      if (RegCopyTreeA(current.get(), nullptr, saved.get()) != ERROR_SUCCESS) {
        Fail("cannot copy " + name);
        return false;
      }
    } else {
      const DWORD absent = 1;
      RegSetValueExA(saved.get(), "LumeviewAbsent", 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&absent), sizeof(absent));
    }
    RegDeleteTreeA(classes_root_, ClassKey(name).c_str());
    return true;
  }

  // Puts back every copy under kSavedKey: this object's, or one a test that died left.
  void PutBackLeftovers() {
    {
      UniqueRegKey saved_root = OpenKey(HKEY_CURRENT_USER, kSavedKey);
      if (!saved_root) return;
      std::vector<std::string> names;
      char name[256];
      for (DWORD i = 0;; ++i) {
        DWORD size = sizeof(name);
        if (RegEnumKeyExA(saved_root.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
          break;
        names.emplace_back(name, size);
      }
      for (const std::string& n : names) PutBack(saved_root.get(), n);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kSavedKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSavedParent);  // only when nothing else is in it
  }

  void PutBack(HKEY saved_root, const std::string& name) {
    UniqueRegKey saved = OpenKey(saved_root, name);
    if (!saved) return;
    RegDeleteTreeA(classes_root_, ClassKey(name).c_str());
    if (RegQueryValueExA(saved.get(), "LumeviewAbsent", nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS)
      return;
    if (UniqueRegKey restored = CreateKey(classes_root_, ClassKey(name)))
      RegCopyTreeA(saved.get(), nullptr, restored.get());
  }

  HKEY classes_root_ = HKEY_CURRENT_USER;
  std::string recorder_;
  std::string log_;
  std::string error_;
};

}  // namespace urlrec
