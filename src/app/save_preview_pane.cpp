#include "app/save_preview_pane.h"

#include <algorithm>
#include <cstdio>

#include "app/preview_form.h"
#include "toolkit/std_controls.h"

namespace {
constexpr int kPanelTop = 4;       // below the top of the dialog's client area
constexpr int kInnerBorder = 6;
constexpr int kLabelHeight = 23;
constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;
}  // namespace

TSavePreviewPane::TSavePreviewPane(TComponent* owner) : TComponent(owner) {
  PicturePanel = new TPanel(this);
  PicturePanel->Name = "PicturePanel";
  PicturePanel->SetBevelOuter(TBevelCut::bvNone);
  PicturePanel->SetBorderWidth(kInnerBorder);

  // The button first: it lies above the label's row.
  PreviewButton = new TGlyphButton(this);
  PreviewButton->Name = "PreviewButton";
  PreviewButton->SetParent(PicturePanel);
  PreviewButton->SetGlyph("PREVIEWGLYPH");
  PreviewButton->SetHint("Preview");
  PreviewButton->SetEnabled(false);
  PreviewButton->OnClick = [this](TComponent*) { PreviewButtonClick(); };

  PictureLabel = new TStaticText(this);
  PictureLabel->Name = "PictureLabel";
  PictureLabel->SetParent(PicturePanel);
  PictureLabel->SetCaption("Picture:");

  PaintPanel = new TPanel(this);
  PaintPanel->Name = "PaintPanel";
  PaintPanel->SetParent(PicturePanel);
  PaintPanel->SetBevelOuter(TBevelCut::bvLowered);
  PaintPanel->SetBevelInner(TBevelCut::bvRaised);
  PaintPanel->SetCaption("(None)");

  PaintBox = new TPictureBox(this);
  PaintBox->Name = "PaintBox";
  PaintBox->SetParent(PaintPanel);
  PaintBox->SetPicture(&picture_);
  PaintBox->SetVisible(false);
}

void TSavePreviewPane::StartRun() {
  picture_.Clear();
  handled_.clear();
  ShowPicture(false);
  PictureLabel->SetCaption("Picture:");
}

void TSavePreviewPane::Place(HWND dialog, const RECT& area) {
  RECT client;
  GetClientRect(dialog, &client);
  PicturePanel->SetParentWindow(dialog);
  // The dialog's template grows with its display's scale; the pane grows with it.
  PicturePanel->ScaleForDpi(WindowDpi(dialog));
  auto scaled = [this](int designPixels) { return PicturePanel->Scaled(designPixels); };
  const int top = scaled(kPanelTop), border = scaled(kInnerBorder);
  const int label_height = scaled(kLabelHeight);
  const int button_width = scaled(kButtonWidth);
  PicturePanel->SetBounds(area.right, top, std::max(0L, client.right - area.right),
                          std::max(0L, client.bottom - top));
  const int inner_width = std::max(0, PicturePanel->Width() - 2 * border);
  const int inner_height = std::max(0, PicturePanel->Height() - 2 * border);
  PaintPanel->SetBounds(border, border + label_height, inner_width,
                        std::max(0, inner_height - label_height));
  PictureLabel->SetBounds(border, border, std::max(0, inner_width - button_width - scaled(4)),
                          label_height);
  PreviewButton->SetBounds(border + inner_width - scaled(2) - button_width, border + scaled(1),
                           button_width, scaled(kButtonHeight));
  const RECT inside = PaintPanel->InnerRect();
  PaintBox->SetBounds(inside.left, inside.top, inside.right - inside.left,
                      inside.bottom - inside.top);
  ShowWindow(PicturePanel->Handle(), SW_SHOWNA);
}

void TSavePreviewPane::Remove() {
  PicturePanel->DestroyHandle();
  PicturePanel->SetParentWindow(nullptr);
}

void TSavePreviewPane::SelectionChanged(const std::string& fileName) {
  if (fileName == handled_) return;
  handled_ = fileName;
  bool loaded = false;
  if (!fileName.empty()) {
    ++loads_;
    loaded = picture_.LoadFromFile(fileName, PaintBox->Width(), PaintBox->Height());
  }
  if (loaded) {
    char size[48];
    std::snprintf(size, sizeof size, " (%dx%d)", picture_.Width(), picture_.Height());
    PictureLabel->SetCaption(size);
  } else {
    PictureLabel->SetCaption("Picture:");
  }
  ShowPicture(loaded);
}

void TSavePreviewPane::ShowPicture(bool shown) {
  if (!shown) picture_.Clear();
  PreviewButton->SetEnabled(shown);
  PaintPanel->SetCaption(shown ? "" : "(None)");
  PaintBox->SetVisible(shown);
  PaintBox->Invalidate();
}

void TSavePreviewPane::PreviewButtonClick() {
  if (!picture_.Empty()) ShowPreview(this, handled_);
}
