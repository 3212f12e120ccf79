#pragma once
// The save dialog of the save-picture command: the system's save-file dialog with one filter
// entry for picture files, no default extension, no overwrite prompt, and the name chosen
// last time offered again (for as long as the program runs). The program's own template adds
// a preview pane right of the system's controls, and the dialog is placed by the program:
// centred across the monitor of the program's active window, a third of the free height above.

#include <windows.h>

#include <string>

#include "toolkit/component.h"

class TSavePreviewPane;

class TSavePictureDialog : public TComponent {
 public:
  explicit TSavePictureDialog(TComponent* owner);

  // Made once with the dialog; shown in every run.
  TSavePreviewPane* Preview;

  // The full path chosen last time; empty before the first confirmed run.
  const std::string& FileName() const { return file_name_; }

  // Runs the dialog modally; every other window of the program is disabled meanwhile. True
  // when the user confirmed a name, which FileName then holds.
  bool Execute();

  // True while the dialog runs.
  bool Running() const { return running_; }

 private:
  static UINT_PTR CALLBACK Hook(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
  void HookMessage(HWND dialog, UINT msg, LPARAM lp);
  void PlaceDialog(HWND dialog);
  void PlacePreview(HWND dialog);

  std::string file_name_;
  bool running_ = false;
  HWND placed_by_ = nullptr;  // the window whose monitor the dialog goes to
};
