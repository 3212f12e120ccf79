#pragma once
// The base of the program's secondary dialogs (the about box): its texts are translated when it
// is made; it fades up to opaque when it becomes active and back to translucent when it loses
// activation; and its background can be tiled with a picture. Fading and the picture follow
// the maker's key HKEY_CURRENT_USER\Software\Quorvant: "fadeinout" (a number, on unless 0),
// "background" (a number, off unless set) and "backbitmap" (the picture file's path, default
// "background.bmp", relative to the current folder). The program never writes these values.

#include <windows.h>

#include <string>

#include "toolkit/form.h"

class TStyleForm : public TForm {
 public:
  explicit TStyleForm(TComponent* owner) : TForm(owner) {}
  // The base's handlers point into this part: they go with it.
  ~TStyleForm() override {
    destroying_ = true;
    OnActivate = OnDeactivate = OnPaint = OnShow = nullptr;
  }

  bool usefadeinout = true;
  int fadeinterval = 2;    // ms between fade steps
  int fademinvalue = 120;  // opacity when inactive
  int fademaxvalue = 255;  // opacity when active
  bool BitmapEnabled = false;
  int EraseBkd = 0;

  // One fade: up from fademinvalue to fademaxvalue, or down the other way, in steps of 5,
  // letting pending messages run between steps.
  void FadeForm(bool fadeIn);

  void StyleShow(TComponent* sender);
  void StylePaint(TComponent* sender);
  void StyleActivate(TComponent* sender);
  void StyleDeactivate(TComponent* sender);

 protected:
  // Translation, the maker's settings and the handler chain, once the derived form's design is
  // complete (and before its creation handler).
  void DesignLoaded() override;

 private:
  void SetOpacity(int value);
  void LoadBackground();

  std::string BackgroundFile = "background.bmp";
  TNotifyEvent SavedOnPaint;
  TNotifyEvent SavedOnShow;
  bool destroying_ = false;
};

// The picture every styled form tiles its background with: one for the program, made anew by
// each styled form that is made with the background on, owned by the application object.
class TBackgroundPicture : public TComponent {
 public:
  explicit TBackgroundPicture(TComponent* owner) : TComponent(owner) { Name = "BackgroundPicture"; }
  // Loads a Windows bitmap file; false (and no picture) when it is missing or no bitmap.
  bool LoadFromFile(const std::string& fileName);
  bool Empty() const { return !bitmap_; }
  HBITMAP Bitmap() const { return bitmap_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The application's picture, or null before a styled form made one.
  static TBackgroundPicture* Current();
  // A new, empty picture in place of the application's present one.
  static TBackgroundPicture* MakeNew();

 private:
  UniqueBitmap bitmap_;
  int width_ = 0;
  int height_ = 0;
};
