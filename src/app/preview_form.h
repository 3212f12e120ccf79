#pragma once
// "Preview": the picture selected in the save dialog, shown large in a window of its own. A
// resizable tool window in the middle of the screen; Esc closes it.

#include <string>

#include "app/preview_picture.h"
#include "toolkit/form.h"

class TPanel;

class TPreviewForm : public TForm {
 public:
  TPreviewForm(TComponent* owner, const std::string& fileName);

  TPanel* Panel;
  TPictureBox* Image;

  const TPreviewPicture& Picture() const { return picture_; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  // Fits the window to the picture once the design has its display's scale.
  void DesignLoaded() override { FitToPicture(); }

 private:
  // The client size that shows the picture whole, at most three quarters of the monitor.
  void FitToPicture();

  TPreviewPicture picture_;
};

// Opens the preview of `fileName` modally; returns when it is closed.
void ShowPreview(TComponent* owner, const std::string& fileName);
