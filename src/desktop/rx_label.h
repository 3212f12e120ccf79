#pragma once
// A windowless label that draws its caption twice: a copy in the shadow colour shifted
// diagonally by ShadowSize pixels, then the caption over it. With Transparent set it paints
// nothing but the two texts, so it stays readable over a picture.

#include <windows.h>

#include <cstdint>

#include "toolkit/control.h"
#include "toolkit/graphics.h"
#include "toolkit/std_controls.h"  // TAlignment

// Vertical placement of the text.
enum class TTextLayout { tlTop, tlCenter, tlBottom };

// Direction of the shadow's shift (x, y) by the shadow size s.
enum class TShadowPosition {
  spLeftTop,      // (-s, -s)
  spLeftBottom,   // (-s, +s)
  spRightBottom,  // (+s, +s)
  spRightTop      // (+s, -s)
};

// Draws (or, with DT_CALCRECT, measures) `text` and its shadow with DrawText: the shadow first
// in `shadowColor`, then the text in the context's text colour. `rect` becomes the union of the
// two rectangles. Returns the shadow's DrawText result plus `shadowSize` when that result was
// above 0, else the result itself.
int DrawTextWithShadow(HDC dc, const char* text, int length, RECT& rect, UINT format,
                       int shadowSize, COLORREF shadowColor, TShadowPosition pos);

class TRxLabel : public TGraphicControl {
 public:
  explicit TRxLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  // Size the label to its text, shadow included (on by default).
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor color);
  uint8_t ShadowSize() const { return shadow_size_; }
  void SetShadowSize(uint8_t size);
  TShadowPosition ShadowPos() const { return shadow_pos_; }
  void SetShadowPos(TShadowPosition pos);
  // "&" marks the next character as an accelerator and is not drawn.
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool on);
  // When true nothing but the text and its shadow is painted.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool on);

  // Paints on the parent's context (origin at the label, clipped to it).
  void Paint(HDC dc) override;

  // Draws or measures the caption with its shadow on `canvas`, with the label's font, colours
  // and shadow; `rect` comes back as the union of text and shadow.
  void DrawLabelText(HDC canvas, RECT& rect, UINT flags);

  // With AutoSize: width and height become those of the text and shadow (plus 1 pixel on each
  // side); a right-justified label keeps its right edge.
  void FitToText();

 protected:
  void CaptionChanged() override;
  void FontChanged() override;
  void ChangeScale(int multiplier, int divisor) override;

 private:
  UINT AlignmentFlag() const;

  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool auto_size_ = true;
  TTextLayout layout_ = TTextLayout::tlTop;
  TColor shadow_color_ = clBtnHighlight;
  uint8_t shadow_size_ = 1;
  TShadowPosition shadow_pos_ = TShadowPosition::spLeftTop;
  bool show_accel_char_ = true;
  bool transparent_ = false;
  bool word_wrap_ = false;
};
