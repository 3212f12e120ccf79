#include "about/style_form.h"

#include <memory>

#include "settings/program_setup.h"
#include "toolkit/application.h"
#include "translate/translate_form.h"

namespace {
const char kMakerKey[] = "Software\\Quorvant";
}  // namespace

// ---- TBackgroundPicture -----------------------------------------------------------------------

bool TBackgroundPicture::LoadFromFile(const std::string& fileName) {
  bitmap_.reset(static_cast<HBITMAP>(
      LoadImageA(nullptr, fileName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
  BITMAP info{};
  if (!bitmap_ || !GetObjectA(bitmap_.get(), sizeof info, &info)) {
    bitmap_.reset();
    return false;
  }
  width_ = info.bmWidth;
  height_ = info.bmHeight;
  return true;
}

TBackgroundPicture* TBackgroundPicture::Current() {
  if (!Application) return nullptr;
  for (TComponent* c : Application->Components())
    if (auto* picture = dynamic_cast<TBackgroundPicture*>(c)) return picture;
  return nullptr;
}

TBackgroundPicture* TBackgroundPicture::MakeNew() {
  delete Current();
  return Application ? new TBackgroundPicture(Application) : nullptr;
}

// ---- TStyleForm -------------------------------------------------------------------------------

void TStyleForm::DesignLoaded() {
  TranslateForm(*this);
  EraseBkd = 0;
  usefadeinout = true;
  {
    TProgramSetup maker(kMakerKey);
    if (maker.ValueExists("fadeinout")) maker.TryReadBool("fadeinout", usefadeinout);
    if (maker.ValueExists("background")) maker.TryReadBool("background", BitmapEnabled);
    if (BitmapEnabled) {
      BackgroundFile = "background.bmp";
      if (maker.ValueExists("backbitmap")) maker.TryReadString("backbitmap", BackgroundFile);
      LoadBackground();
    }
  }
  SavedOnPaint = OnPaint;
  SavedOnShow = OnShow;
  OnPaint = [this](TComponent* sender) { StylePaint(sender); };
  OnShow = [this](TComponent* sender) { StyleShow(sender); };
}

void TStyleForm::LoadBackground() {
  // A new picture each time, read from the file now: a changed file shows at the next opening.
  TBackgroundPicture* picture = TBackgroundPicture::MakeNew();
  if (!picture) return;
  const DWORD attributes = GetFileAttributesA(BackgroundFile.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    picture->LoadFromFile(BackgroundFile);  // a file that is no bitmap leaves it empty
}

void TStyleForm::SetOpacity(int value) {
  HWND wnd = Handle();
  const LONG ex_style = GetWindowLongA(wnd, GWL_EXSTYLE);
  if (!(ex_style & WS_EX_LAYERED)) SetWindowLongA(wnd, GWL_EXSTYLE, ex_style | WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  const BYTE wanted = static_cast<BYTE>(value & 0xFF);
  if (GetLayeredWindowAttributes(wnd, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) &&
      alpha == wanted && (ex_style & WS_EX_LAYERED))
    return;
  SetLayeredWindowAttributes(wnd, 0, wanted, LWA_ALPHA);
}

void TStyleForm::StyleShow(TComponent* sender) {
  if (usefadeinout) {
    fadeinterval = 2;
    fademaxvalue = 255;
    fademinvalue = 120;
    SetOpacity(120);
    OnActivate = [this](TComponent* s) { StyleActivate(s); };
    OnDeactivate = [this](TComponent* s) { StyleDeactivate(s); };
  }
  if (SavedOnShow) SavedOnShow(sender);
}

void TStyleForm::StylePaint(TComponent* sender) {
  TBackgroundPicture* picture = TBackgroundPicture::Current();
  if (BitmapEnabled && picture && !picture->Empty() && Canvas()) {
    const int w = picture->Width(), h = picture->Height();
    UniqueDC source(CreateCompatibleDC(Canvas()));
    SelectGuard select(source.get(), picture->Bitmap());
    // Columns from the left, each from the top, counted on the window's outer size.
    const int columns = Width() / w + 2, rows = Height() / h + 2;
    for (int column = 0; column < columns; ++column)
      for (int row = 0; row < rows; ++row)
        BitBlt(Canvas(), column * w, row * h, w, h, source.get(), 0, 0, SRCCOPY);
  }
  if (SavedOnPaint) SavedOnPaint(sender);
}

void TStyleForm::StyleActivate(TComponent*) { FadeForm(true); }

void TStyleForm::StyleDeactivate(TComponent*) { FadeForm(false); }

void TStyleForm::FadeForm(bool fadeIn) {
  if (destroying_ || !usefadeinout || !HandleAllocated()) return;
  // Not guarded against coming back in: an activation change during a fade fades inside it,
  // and this one goes on from where that one left the opacity.
  int opacity = fadeIn ? fademinvalue : fademaxvalue;
  SetOpacity(opacity);
  while (fadeIn ? opacity <= fademaxvalue - 5 : opacity >= fademinvalue + 5) {
    opacity += fadeIn ? 5 : -5;
    SetOpacity(opacity);
    if (Application) Application->ProcessMessages();
    Sleep(static_cast<DWORD>(fadeinterval));
  }
  SetOpacity(fadeIn ? fademaxvalue : fademinvalue);
}
