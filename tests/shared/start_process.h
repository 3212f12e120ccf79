#pragma once
// Starting a program from a test. Wine now and then refuses a start with ERROR_INTERNAL_ERROR
// while an earlier process of the prefix is going away; such a start is tried again.

#include <windows.h>

// CreateProcessA without security attributes or environment of its own, tried again (for up
// to about two seconds) while the start fails with ERROR_INTERNAL_ERROR.
inline BOOL StartProcess(const char* application, char* command, BOOL inheritHandles,
                         DWORD flags, const char* folder, STARTUPINFOA* startup,
                         PROCESS_INFORMATION* info) {
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessA(application, command, nullptr, nullptr, inheritHandles, flags, nullptr,
                       folder, startup, info))
      return TRUE;
    if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 40) return FALSE;
    Sleep(50);  // a pause before the next try, not a wait for a condition
  }
}
