#pragma once
// The preview pane of the save dialog: right of the system's controls, it shows the picture
// file the user selects, its size in pixels, and a button that opens it large ("Preview").
// Its controls are made once and live as long as the dialog object; each run of the dialog
// gives them windows inside that run's dialog.

#include <windows.h>

#include <string>

#include "app/preview_picture.h"
#include "toolkit/component.h"

class TPanel;
class TStaticText;
class TGlyphButton;

class TSavePreviewPane : public TComponent {
 public:
  explicit TSavePreviewPane(TComponent* owner);

  TPanel* PicturePanel;
  TStaticText* PictureLabel;
  TPanel* PaintPanel;
  TGlyphButton* PreviewButton;
  TPictureBox* PaintBox;

  // A run begins: no picture, no selection handled yet, "(None)".
  void StartRun();
  // Puts the pane into `dialog` (the program's part of the system dialog), right of its
  // `area` (the rectangle, in the dialog's client coordinates, where the system laid out its
  // controls), down to the bottom and right of the dialog's client area. Called again when
  // the dialog's size changes.
  void Place(HWND dialog, const RECT& area);
  // The dialog goes: the pane's windows go first, in order.
  void Remove();

  // The selected file changed. A name handled last time is not loaded again.
  void SelectionChanged(const std::string& fileName);
  // How many times a file was loaded (each handled selection once).
  int Loads() const { return loads_; }
  const TPreviewPicture& Picture() const { return picture_; }

  void PreviewButtonClick();

 private:
  void ShowPicture(bool shown);

  TPreviewPicture picture_;
  std::string handled_;
  int loads_ = 0;
};
