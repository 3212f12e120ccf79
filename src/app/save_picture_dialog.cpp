#include "app/save_picture_dialog.h"

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <exception>

#include "app/geometry.h"
#include "app/save_preview_pane.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/std_controls.h"
#include "toolkit/task_windows.h"

namespace {
// "|" separates description and pattern; the system wants NULs and a second NUL at the end.
const char kFilter[] =
    "All format (*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)\0"
    "*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf\0";

// The program's part of the dialog (the template "DLGTEMPLATE") holds this control; the system
// lays out its own controls in its area.
constexpr int kSystemControlsArea = stc32;
}  // namespace

TSavePictureDialog::TSavePictureDialog(TComponent* owner)
    : TComponent(owner), Preview(new TSavePreviewPane(this)) {}

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
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_ENABLEHOOK |
              OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
  ofn.lpfnHook = &TSavePictureDialog::Hook;
  ofn.lpTemplateName = "DLGTEMPLATE";
  ofn.lCustData = reinterpret_cast<LPARAM>(this);

  // The application window, shown but of no size, counts as no active window.
  placed_by_ = GetActiveWindow();
  if (Application && (!placed_by_ || placed_by_ == Application->Handle()) && Application->MainForm())
    placed_by_ = Application->MainForm()->Handle();
  Preview->StartRun();
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

UINT_PTR CALLBACK TSavePictureDialog::Hook(HWND dialog, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lp);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, ofn->lCustData);
  }
  auto* self = reinterpret_cast<TSavePictureDialog*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  if (!self) return 0;
  try {
    self->HookMessage(dialog, msg, lp);
  } catch (const std::exception& e) {
    if (Application) Application->HandleException(e);
  }
  return 0;
}

void TSavePictureDialog::HookMessage(HWND dialog, UINT msg, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      if (Preview->PicturePanel->HandleAllocated()) PlacePreview(dialog);
      break;
    case WM_DESTROY:
      Preview->Remove();
      break;
    case WM_NOTIFY: {
      const auto* note = reinterpret_cast<const OFNOTIFYA*>(lp);
      if (note->hdr.code == CDN_INITDONE) {
        PlaceDialog(GetParent(dialog));
        PlacePreview(dialog);
      } else if (note->hdr.code == CDN_SELCHANGE) {
        char path[MAX_PATH * 4] = {};
        const LRESULT n = SendMessageA(GetParent(dialog), CDM_GETFILEPATH, sizeof path,
                                       reinterpret_cast<LPARAM>(path));
        Preview->SelectionChanged(n > 0 && n < static_cast<LRESULT>(sizeof path) ? path : "");
      }
      break;
    }
    default:
      break;
  }
}

// Centred across the monitor of the program's active window (or its main window), with a third
// of the free height above; neither size, z-order nor activation change.
void TSavePictureDialog::PlaceDialog(HWND dialog) {
  RECT r;
  GetWindowRect(dialog, &r);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  HMONITOR monitor = MonitorFromWindow(placed_by_ ? placed_by_ : dialog, MONITOR_DEFAULTTONEAREST);
  if (!GetMonitorInfoA(monitor, &info)) return;
  const GPoint at = DialogPlacement(
      GRect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom},
      r.right - r.left, r.bottom - r.top);
  SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSavePictureDialog::PlacePreview(HWND dialog) {
  RECT area{};
  if (HWND controls = GetDlgItem(dialog, kSystemControlsArea)) {
    GetWindowRect(controls, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
  }
  Preview->Place(dialog, area);
}
