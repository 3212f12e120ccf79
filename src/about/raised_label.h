#pragma once
// TNpsLbl3d: a label that draws its caption over an offset copy of it, so the text looks
// raised, lowered (engraved) or shadowed. Everything else is the plain label's.

#include <windows.h>

#include "toolkit/graphics.h"
#include "toolkit/std_controls.h"

enum class TTextStyle { tsPlain, tsRaised, tsLowered, tsShadow };

class TNpsLbl3d : public TLabel {
 public:
  explicit TNpsLbl3d(TComponent* owner);

  // Colour of the copy in style tsShadow (silver by default).
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor color);
  // Offset of the copy, right and down, in style tsShadow (2 by default).
  int ShadowDepth() const { return shadow_depth_; }
  void SetShadowDepth(int depth);
  // tsLowered by default.
  TTextStyle TextStyle() const { return text_style_; }
  void SetTextStyle(TTextStyle style);

  void Paint(HDC dc) override;

 protected:
  // Draws the caption (at most its first 255 characters) in `rect`: the offset copy for the
  // style, then the text itself. `format` holds DrawText's layout flags.
  void DrawStyledText(HDC dc, const RECT& rect, UINT format);
  void ChangeScale(int multiplier, int divisor) override;

 private:
  TColor shadow_color_ = RGB(192, 192, 192);
  int shadow_depth_ = 2;
  TTextStyle text_style_ = TTextStyle::tsLowered;
};
