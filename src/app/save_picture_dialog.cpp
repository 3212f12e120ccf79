#include "app/save_picture_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "toolkit/application.h"
#include "toolkit/task_windows.h"

namespace {
// "|" separates description and pattern; the system wants NULs and a second NUL at the end.
const char kFilter[] =
    "All format (*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)\0"
    "*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf\0";
}  // namespace

bool TSavePictureDialog::Execute() {
  char name[262] = {};
  std::strncpy(name, file_name_.c_str(), 260);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = Application ? Application->Handle() : nullptr;
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = 260;
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;

  running_ = true;
  BOOL ok;
  {
    TaskWindowsDisabled others(nullptr);
    ok = GetSaveFileNameA(&ofn);
  }
  running_ = false;
  if (!ok) return false;
  file_name_ = name;
  return true;
}
