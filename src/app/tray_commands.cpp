// The tray menu's commands, the tray icon's events and the hotkeys that are not wheel modes.
// The capture pauses (Busy) while a dialog or the tray menu is in use.

#include <memory>

#include "about/about_box.h"
#include "app/picture_image.h"
#include "app/picture_output.h"
#include "app/save_picture_dialog.h"
#include "app/zoom_form.h"
#include "settings/setup_dialog.h"
#include "toolkit/application.h"
#include "toolkit/menu.h"
#include "toolkit/task_windows.h"

namespace {
// Clears a flag when it goes, on every path.
struct FlagUp {
  bool& flag;
  explicit FlagUp(bool& f) : flag(f) { flag = true; }
  ~FlagUp() { flag = false; }
};
}  // namespace

void TfrmZoom::RaiseBusy() {
  ++busy_users_;
  state_.Busy = true;
}

void TfrmZoom::LowerBusy() {
  if (busy_users_ > 0) --busy_users_;
  state_.Busy = busy_users_ > 0;
}

void TfrmZoom::ShowHide1Click() {
  SetVisible(!Visible());
  ShowHide1->SetChecked(Visible());
}

void TfrmZoom::SetupDialog1Click() {
  // The hotkey stays registered while the dialog runs: a second request is ignored.
  if (setup_running_) return;
  FlagUp running(setup_running_);
  BusyScope busy(*this);
  ForegroundReturn foreground;
  {
    std::unique_ptr<Tfrmzoomsetup> dialog(CreateForm<Tfrmzoomsetup>(this, state_));
    // Its "About..." panel opens the about box over it.
    dialog->OnAbout = [this](TComponent*) { About1Click(); };
    dialog->ShowModal();
  }
  ApplyWindowMode();
}

void TfrmZoom::About1Click() {
  // One about box at a time, from the tray menu or the setup dialog.
  if (about_running_) return;
  FlagUp running(about_running_);
  BusyScope busy(*this);
  ForegroundReturn foreground;
  ShowAboutBox();
}

void TfrmZoom::Exit1Click() { Close(); }

void TfrmZoom::RxTrayIcon1DblClick() { ShowHide1Click(); }

// A press and its release count as one user of Busy, whatever runs in between.
void TfrmZoom::RxTrayIcon1MouseDown() {
  if (tray_pressed_) return;
  tray_pressed_ = true;
  RaiseBusy();
}

void TfrmZoom::RxTrayIcon1MouseUp() {
  if (!tray_pressed_) return;
  tray_pressed_ = false;
  LowerBusy();
}

void TfrmZoom::fHKDialogHotKey() { SetupDialog1Click(); }

void TfrmZoom::fHKSHOWHIDEHotKey() { ShowHide1Click(); }

void TfrmZoom::fHKClipboardHotKey() { CopyPictureToClipboard(*Image1, clipboard_); }

void TfrmZoom::fHKFileHotKey() {
  // One save dialog at a time; the hotkey stays registered while it runs.
  if (SavePictureDialog->Running()) return;
  BusyScope busy(*this);
  ForegroundReturn foreground;
  if (SavePictureDialog->Execute()) SavePictureToFile(*Image1, SavePictureDialog->FileName());
}
