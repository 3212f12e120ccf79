#include "desktop/rx_label.h"

#include <algorithm>
#include <string>

#include "toolkit/handles.h"

int DrawTextWithShadow(HDC dc, const char* text, int length, RECT& rect, UINT format,
                       int shadowSize, COLORREF shadowColor, TShadowPosition pos) {
  RECT text_rect = rect;
  RECT shadow_rect = rect;
  const COLORREF previous = SetTextColor(dc, shadowColor);
  switch (pos) {
    case TShadowPosition::spLeftTop:
      OffsetRect(&shadow_rect, -shadowSize, -shadowSize);
      break;
    case TShadowPosition::spLeftBottom:
      OffsetRect(&shadow_rect, -shadowSize, shadowSize);
      break;
    case TShadowPosition::spRightBottom:
      OffsetRect(&shadow_rect, shadowSize, shadowSize);
      break;
    case TShadowPosition::spRightTop:
      OffsetRect(&shadow_rect, shadowSize, -shadowSize);
      break;
  }
  int result = DrawTextA(dc, text, length, &shadow_rect, format);
  if (result > 0) result += shadowSize;
  SetTextColor(dc, previous);
  DrawTextA(dc, text, length, &text_rect, format);
  UnionRect(&rect, &text_rect, &shadow_rect);
  return result;
}

TRxLabel::TRxLabel(TComponent* owner) : TGraphicControl(owner) {
  width_ = 65;
  height_ = 17;
  opaque_ = true;
}

UINT TRxLabel::AlignmentFlag() const {
  switch (alignment_) {
    case TAlignment::taRightJustify:
      return DT_RIGHT;
    case TAlignment::taCenter:
      return DT_CENTER;
    case TAlignment::taLeftJustify:
      break;
  }
  return DT_LEFT;
}

void TRxLabel::DrawLabelText(HDC canvas, RECT& rect, UINT flags) {
  std::string text = Caption();
  // An empty label still measures one line high.
  if ((flags & DT_CALCRECT) && (text.empty() || (show_accel_char_ && text == "&"))) text += ' ';
  if (!show_accel_char_) flags |= DT_NOPREFIX;

  SelectGuard font(canvas, Font().Handle());
  SetTextColor(canvas, ColorToRGB(Font().Color()));

  TShadowPosition pos = shadow_pos_;
  int size = shadow_size_;
  TColor shadow_color = shadow_color_;
  if (!Enabled()) {
    const DWORD version = GetVersion();
    if (size == 0 && LOBYTE(LOWORD(version)) > 3) {
      pos = TShadowPosition::spRightBottom;
      size = 1;
    }
    SetTextColor(canvas, GetSysColor(COLOR_GRAYTEXT));
    shadow_color = clBtnHighlight;
  }
  DrawTextWithShadow(canvas, text.c_str(), static_cast<int>(text.size()), rect, flags, size,
                     ColorToRGB(shadow_color), pos);
}

void TRxLabel::Paint(HDC dc) {
  RECT client = ClientRect();
  if (!transparent_) {
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color())));
    FillRect(dc, &client, brush.get());
  }
  SelectGuard clear_brush(dc, GetStockObject(NULL_BRUSH));
  const int previous_mode = SetBkMode(dc, TRANSPARENT);

  RECT rect = client;
  InflateRect(&rect, -1, 0);
  UINT format = DT_EXPANDTABS | AlignmentFlag();
  if (word_wrap_) format |= DT_WORDBREAK;
  if (layout_ != TTextLayout::tlTop) {
    RECT calc = rect;
    DrawLabelText(dc, calc, format | DT_CALCRECT);
    const int free_height = height_ - calc.bottom;
    OffsetRect(&rect, 0, layout_ == TTextLayout::tlBottom ? free_height : free_height / 2);
  }
  DrawLabelText(dc, rect, format);
  SetBkMode(dc, previous_mode);
}

void TRxLabel::FitToText() {
  if (!auto_size_) return;
  RECT rect = ClientRect();
  InflateRect(&rect, -1, 0);
  {
    WindowDC screen(nullptr);
    if (!screen) return;
    DrawLabelText(screen.get(), rect, DT_EXPANDTABS | DT_CALCRECT | (word_wrap_ ? DT_WORDBREAK : 0));
  }
  InflateRect(&rect, 1, 0);
  int left = left_;
  if (alignment_ == TAlignment::taRightJustify) left += width_ - rect.right;
  SetBounds(left, top_, rect.right, rect.bottom);
}

void TRxLabel::CaptionChanged() {
  Invalidate();
  FitToText();
}

void TRxLabel::FontChanged() {
  Invalidate();  // as any control does for a new font (a new colour alone changes no size)
  FitToText();
}

void TRxLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TRxLabel::SetAutoSize(bool on) {
  auto_size_ = on;
  FitToText();
}

void TRxLabel::SetLayout(TTextLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  Invalidate();
}

void TRxLabel::SetShadowColor(TColor color) {
  if (color == shadow_color_) return;
  shadow_color_ = color;
  Invalidate();
}

// The shadow keeps its distance to the text at any scale.
void TRxLabel::ChangeScale(int multiplier, int divisor) {
  const int size = MulDiv(shadow_size_, multiplier, divisor);
  shadow_size_ = static_cast<uint8_t>(std::clamp(size, 0, 255));
  TGraphicControl::ChangeScale(multiplier, divisor);
}

void TRxLabel::SetShadowSize(uint8_t size) {
  if (size == shadow_size_) return;
  shadow_size_ = size;
  FitToText();
  Invalidate();
}

void TRxLabel::SetShadowPos(TShadowPosition pos) {
  if (pos == shadow_pos_) return;
  shadow_pos_ = pos;
  Invalidate();
}

void TRxLabel::SetShowAccelChar(bool on) {
  if (on == show_accel_char_) return;
  show_accel_char_ = on;
  Invalidate();
}

void TRxLabel::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  opaque_ = !on;
  Invalidate();
}

void TRxLabel::SetWordWrap(bool on) {
  if (on == word_wrap_) return;
  word_wrap_ = on;
  FitToText();
}
