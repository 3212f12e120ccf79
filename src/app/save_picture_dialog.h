#pragma once
// The save dialog of the save-picture command: the system's save-file dialog with one filter
// entry for picture files, no default extension, no overwrite prompt, and the name chosen
// last time offered again (for as long as the program runs).

#include <string>

#include "toolkit/component.h"

class TSavePictureDialog : public TComponent {
 public:
  explicit TSavePictureDialog(TComponent* owner) : TComponent(owner) {}

  // The full path chosen last time; empty before the first confirmed run.
  const std::string& FileName() const { return file_name_; }

  // Runs the dialog modally; every other window of the program is disabled meanwhile. True
  // when the user confirmed a name, which FileName then holds.
  bool Execute();

  // True while the dialog runs.
  bool Running() const { return running_; }

 private:
  std::string file_name_;
  bool running_ = false;
};
