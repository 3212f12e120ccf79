#include "about/raised_label.h"

#include <algorithm>
#include <cstring>

#include "toolkit/handles.h"

TNpsLbl3d::TNpsLbl3d(TComponent* owner) : TLabel(owner) {}

void TNpsLbl3d::SetShadowColor(TColor color) {
  if (color == shadow_color_) return;
  shadow_color_ = color;
  Invalidate();
}

void TNpsLbl3d::SetShadowDepth(int depth) {
  if (depth == shadow_depth_) return;
  shadow_depth_ = depth;
  Invalidate();
}

void TNpsLbl3d::SetTextStyle(TTextStyle style) {
  if (style == text_style_) return;
  text_style_ = style;
  Invalidate();
}

void TNpsLbl3d::ChangeScale(int multiplier, int divisor) {
  shadow_depth_ = MulDiv(shadow_depth_, multiplier, divisor);
  TLabel::ChangeScale(multiplier, divisor);
}

void TNpsLbl3d::Paint(HDC dc) {
  RECT client = ClientRect();
  if (!Transparent()) {
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color())));
    FillRect(dc, &client, brush.get());
  }
  SelectGuard clear_brush(dc, GetStockObject(NULL_BRUSH));
  const int previous_mode = SetBkMode(dc, TRANSPARENT);
  UINT format = DT_EXPANDTABS;
  switch (Alignment()) {
    case TAlignment::taRightJustify:
      format |= DT_RIGHT;
      break;
    case TAlignment::taCenter:
      format |= DT_CENTER;
      break;
    case TAlignment::taLeftJustify:
      format |= DT_LEFT;
      break;
  }
  DrawStyledText(dc, client, format);
  SetBkMode(dc, previous_mode);
}

void TNpsLbl3d::DrawStyledText(HDC dc, const RECT& rect, UINT format) {
  // A longer caption is cut to what the buffer holds.
  char text[256];
  const size_t length = std::min<size_t>(Caption().size(), sizeof(text) - 1);
  std::memcpy(text, Caption().data(), length);
  text[length] = '\0';
  if (WordWrap()) format |= DT_WORDBREAK;
  if (!ShowAccelChar()) format |= DT_NOPREFIX;
  SelectGuard font(dc, Font().Handle());

  int dx = 0, dy = 0;
  COLORREF copy_color = GetSysColor(COLOR_BTNHIGHLIGHT);
  // The raised and lowered edge: one pixel at 96 DPI, whole pixels at any other.
  const int edge = std::max(1, Dpi() / kDesignDpi);
  switch (text_style_) {
    case TTextStyle::tsRaised:
      dx = dy = -edge;
      break;
    case TTextStyle::tsLowered:
      dx = dy = edge;
      break;
    case TTextStyle::tsShadow:
      dx = dy = shadow_depth_;
      copy_color = ColorToRGB(shadow_color_);
      break;
    case TTextStyle::tsPlain:
      break;
  }
  if (text_style_ != TTextStyle::tsPlain) {
    RECT moved = rect;
    OffsetRect(&moved, dx, dy);
    SetTextColor(dc, copy_color);
    DrawTextA(dc, text, -1, &moved, format);
  }
  SetTextColor(dc, Enabled() ? ColorToRGB(Font().Color()) : GetSysColor(COLOR_GRAYTEXT));
  RECT text_rect = rect;
  DrawTextA(dc, text, -1, &text_rect, format);
}
