// url_recorder LOG-FILE ARGUMENT...
//
// A stand-in for the browser and the mail program in tests: registered as the handler of link
// schemes (see url_recorder.h), it appends its arguments after the log file's name, joined by
// single blanks, as one line to LOG-FILE, and ends. A GUI program, so the shell starts it
// without a console.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "toolkit/handles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;
  std::string line;
  for (int i = 2; i < __argc; ++i) {
    if (i > 2) line += ' ';
    line += __argv[i];
  }
  line += '\n';
  // Other recorders may write at the same time: each line goes in with one appending write.
  UniqueFile file(CreateFileA(__argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return ok && written == line.size() ? 0 : 1;
}
