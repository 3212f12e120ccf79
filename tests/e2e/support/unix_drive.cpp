#include "support/unix_drive.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/driver.h"

namespace e2e {

namespace {

// A Unix path as Wine's Z: drive shows it.
std::string OnZ(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Quotes a text for the shell.
std::string Quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

bool RunUnixShell(const std::string& script, std::string* output, DWORD timeoutMs) {
  static int counter = 0;
  char dir[128];
  std::snprintf(dir, sizeof dir, "/tmp/lumeview-sh-%lu-%d", GetCurrentProcessId(), ++counter);
  const std::string unixDir = dir;
  const std::string winDir = OnZ(unixDir);
  CreateDirectoryA(winDir.c_str(), nullptr);
  {
    std::ofstream file(winDir + "\\script.sh", std::ios::binary);
    // The status file appears in one step, once everything else is written.
    file << "{\n" << script << "\n} >" << unixDir << "/out 2>&1\n"
         << "echo $? >" << unixDir << "/status.tmp\n"
         << "mv " << unixDir << "/status.tmp " << unixDir << "/status\n";
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::string command = "sh " + unixDir + "/script.sh";
  bool finished = false;
  if (CreateProcessA("Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &info)) {
    // Wine gives no usable handle for a Unix program: its status file says when it is done.
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
    finished = WaitFor(
        [&] { return GetFileAttributesA((winDir + "\\status").c_str()) != INVALID_FILE_ATTRIBUTES; },
        timeoutMs);
  }
  const std::string status = finished ? ReadText(winDir + "\\status") : "";
  if (output) *output = ReadText(winDir + "\\out") + (finished ? "" : "(the shell did not finish)");
  for (const char* name : {"\\script.sh", "\\out", "\\status", "\\status.tmp"})
    DeleteFileA((winDir + name).c_str());
  RemoveDirectoryA(winDir.c_str());
  return finished && status.rfind("0", 0) == 0 && status.size() <= 2;
}

UnixDrive::UnixDrive(unsigned sizeBytes) {
  char prefix[MAX_PATH * 2] = {};
  const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
  if (n == 0 || n >= sizeof prefix) {
    problem_ = "WINEPREFIX is not set, so the drive letters cannot be found";
    return;
  }
  // A letter that Wine does not know yet (after T, the ones below it).
  // Wine's list of drives does not show letters added while it runs: those this process took
  // are remembered here.
  static DWORD taken = 0;
  const DWORD drives = GetLogicalDrives() | taken;
  for (char c = 'T'; c >= 'K' && !letter_; --c)
    if (!(drives & (1u << (c - 'A')))) letter_ = c;
  if (letter_) taken |= 1u << (letter_ - 'A');
  if (!letter_) {
    problem_ = "no free drive letter";
    return;
  }
  std::string lower(1, static_cast<char>(letter_ - 'A' + 'a'));
  link_ = std::string(prefix) + "/dosdevices/" + lower + ":";
  std::ostringstream script;
  script << "set -e\n"
         << "link=" << Quoted(link_) << "\n"
         // A drive that a crashed run left behind is taken away first.
         << "if [ -L \"$link\" ]; then\n"
         << "  old=$(readlink \"$link\")\n"
         << "  case \"$old\" in /tmp/lumeview-drive.*) umount \"$old\" 2>/dev/null || true;"
            " rmdir \"$old\" 2>/dev/null || true; rm -f \"$link\";; esac\n"
         << "fi\n"
         << "if [ -e \"$link\" ] || [ -L \"$link\" ]; then echo \"$link is taken\"; exit 1; fi\n"
         << "dir=$(mktemp -d /tmp/lumeview-drive.XXXXXX)\n"
         << "echo \"$dir\"\n"
         << "mount -t tmpfs -o size=" << sizeBytes << ",mode=0777 tmpfs \"$dir\" || "
            "{ rmdir \"$dir\"; exit 1; }\n"
         << "ln -s \"$dir\" \"$link\"\n";
  std::string output;
  const bool ok = RunUnixShell(script.str(), &output);
  unix_path_ = output.substr(0, output.find('\n'));
  if (unix_path_.rfind("/tmp/lumeview-drive.", 0) != 0) unix_path_.clear();
  if (!ok) {
    problem_ = "cannot mount a tmpfs as drive " + Root() + " (root is needed): " + output;
    return;
  }
  // Wine sees the new letter at once: the drive's root answers.
  ready_ = WaitFor([&] { return GetFileAttributesA(Root().c_str()) != INVALID_FILE_ATTRIBUTES; },
                   kWait);
  if (!ready_) problem_ = "Wine does not see drive " + Root();
}

UnixDrive::~UnixDrive() {
  if (link_.empty()) return;
  std::ostringstream script;
  script << "rm -f " << Quoted(link_) << "\n";
  if (!unix_path_.empty())
    script << "umount " << Quoted(unix_path_) << " || umount -l " << Quoted(unix_path_) << "\n"
           << "rmdir " << Quoted(unix_path_) << "\n";
  std::string output;
  if (!RunUnixShell(script.str(), &output))
    std::fprintf(stderr, "cleaning up drive %s (%s) failed: %s\n", Root().c_str(),
                 unix_path_.c_str(), output.c_str());
}

bool UnixDrive::Fill() {
  if (unix_path_.empty()) return false;
  // dd stops with an error at the full disk; what it could write stays.
  return RunUnixShell("dd if=/dev/zero of=" + Quoted(unix_path_ + "/filler") +
                      " bs=4096 2>/dev/null; sync; "
                      "[ \"$(df -P " + Quoted(unix_path_) + " | awk 'NR==2 {print $4}')\" = 0 ]");
}

bool UnixDrive::MakeReadOnly() {
  if (unix_path_.empty()) return false;
  return RunUnixShell("mount -o remount,ro " + Quoted(unix_path_) + " && touch " +
                      Quoted(unix_path_ + "/probe") + " 2>/dev/null; [ ! -e " +
                      Quoted(unix_path_ + "/probe") + " ]");
}

}  // namespace e2e
