// The tray menu's commands, the tray icon's events and the hotkeys that are not wheel modes.
// The capture pauses (Busy) while a dialog or the tray menu is in use.

#include <memory>

#include "app/picture_image.h"
#include "app/picture_output.h"
#include "app/save_picture_dialog.h"
#include "app/zoom_form.h"
#include "settings/setup_dialog.h"
#include "toolkit/application.h"
#include "toolkit/menu.h"

namespace {
// Clears a flag when it goes, on every path.
struct FlagUp {
  bool& flag;
  explicit FlagUp(bool& f) : flag(f) { flag = true; }
  ~FlagUp() { flag = false; }
};
}  // namespace

void TfrmZoom::ShowHide1Click() {
  SetVisible(!Visible());
  ShowHide1->SetChecked(Visible());
}

void TfrmZoom::SetupDialog1Click() {
  // The hotkey stays registered while the dialog runs: a second request is ignored.
  if (setup_running_) return;
  FlagUp running(setup_running_);
  FlagUp busy(state_.Busy);
  {
    std::unique_ptr<Tfrmzoomsetup> dialog(CreateForm<Tfrmzoomsetup>(this, state_));
    dialog->ShowModal();
  }
  ApplyWindowMode();
}

void TfrmZoom::About1Click() {}

void TfrmZoom::Exit1Click() { Close(); }

void TfrmZoom::RxTrayIcon1DblClick() { ShowHide1Click(); }

void TfrmZoom::RxTrayIcon1MouseDown() { state_.Busy = true; }

void TfrmZoom::RxTrayIcon1MouseUp() { state_.Busy = false; }

void TfrmZoom::fHKDialogHotKey() { SetupDialog1Click(); }

void TfrmZoom::fHKSHOWHIDEHotKey() { ShowHide1Click(); }

void TfrmZoom::fHKClipboardHotKey() { CopyPictureToClipboard(*Image1, clipboard_); }

void TfrmZoom::fHKFileHotKey() {
  // One save dialog at a time; the hotkey stays registered while it runs.
  if (SavePictureDialog->Running()) return;
  FlagUp busy(state_.Busy);
  if (SavePictureDialog->Execute()) SavePictureToFile(*Image1, SavePictureDialog->FileName());
}
