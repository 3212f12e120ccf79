#pragma once
// Small file systems of the test's own, seen by Wine as a drive letter: a tmpfs of a given size
// (to fill it up: a full disk) or one remounted read-only (a folder nobody can write into, even
// as root). The driver runs under Wine, so the mounting is done by a Unix shell that Wine starts
// (as support/driver.cpp starts xdotool); mounting needs root, which the tests have under CI.
//
//   e2e::UnixDrive drive(256 * 1024);
//   ASSERT_TRUE(drive.Ready()) << drive.Problem();
//   // ... drive.Root() is "T:\\" (a free letter), drive.UnixPath() the mount point ...
//   drive.Fill();                       // no byte left
//   drive.MakeReadOnly();
//
// The destructor removes the drive letter, unmounts and removes the mount point, also when the
// test failed; a drive left behind by a crashed run is cleared by the next one's set-up.

#include <windows.h>

#include <string>

namespace e2e {

// Runs `script` with /bin/sh and waits (bounded) until it has finished; true when it ended with
// status 0. `output` receives its standard output and error.
bool RunUnixShell(const std::string& script, std::string* output = nullptr,
                  DWORD timeoutMs = 15000);

class UnixDrive {
 public:
  explicit UnixDrive(unsigned sizeBytes);
  ~UnixDrive();
  UnixDrive(const UnixDrive&) = delete;
  UnixDrive& operator=(const UnixDrive&) = delete;

  bool Ready() const { return ready_; }
  const std::string& Problem() const { return problem_; }
  // "T:\\": the drive as a Windows path, with its backslash.
  std::string Root() const { return std::string(1, letter_) + ":\\"; }
  const std::string& UnixPath() const { return unix_path_; }

  // Writes a filler file until the file system has no byte left; true when it is full.
  bool Fill();
  // Remounts the file system read-only.
  bool MakeReadOnly();

 private:
  bool ready_ = false;
  std::string problem_;
  char letter_ = 0;
  std::string unix_path_;
  std::string link_;  // $WINEPREFIX/dosdevices/x:
};

}  // namespace e2e
