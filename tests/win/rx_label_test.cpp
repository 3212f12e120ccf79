// TRxLabel: automatic sizing against the system's own text measurement, and the pixels it
// paints (text over a shadow shifted the right way, nothing else when transparent).

#include "desktop/rx_label.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/desktop_support.h"
#include "support/test_picture.h"
#include "toolkit/form.h"

namespace {

const ::testing::Environment* const kAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new DesktopAppEnvironment);

// Width and height of one line of text in `font`, as DrawText measures it on the screen.
SIZE Measure(const std::string& text, TFont& font, UINT flags = DT_EXPANDTABS) {
  WindowDC screen(nullptr);
  SelectGuard select(screen.get(), font.Handle());
  RECT r{0, 0, 0, 0};
  DrawTextA(screen.get(), text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

using tktest::Picture;

// Where `text` puts ink: drawn in white on black at (0, 0) with `font` alone.
struct Ink {
  explicit Ink(const std::string& text, TFont& font, int width, int height)
      : picture(width, height) {
    picture.Fill(RGB(0, 0, 0));
    SelectGuard select(picture.dc(), font.Handle());
    SetBkMode(picture.dc(), TRANSPARENT);
    SetTextColor(picture.dc(), RGB(255, 255, 255));
    RECT r{0, 0, width, height};
    DrawTextA(picture.dc(), text.c_str(), static_cast<int>(text.size()), &r, DT_EXPANDTABS);
  }
  // 2 where the glyphs cover the pixel fully, 1 partly (smoothed edges), 0 not at all.
  int Cover(int x, int y) const {
    const COLORREF c = picture.At(x, y);
    if (c == RGB(255, 255, 255)) return 2;
    return c == RGB(0, 0, 0) ? 0 : 1;
  }
  Picture picture;
};

struct PaintCheck {
  int text = 0, shadow = 0, background = 0, blended = 0, wrong = 0;
  std::string first_wrong;
};

// Compares a painted label with what its text and shadow should give: text ink at (tx, ty),
// shadow ink at (tx + dx, ty + dy), `background` everywhere else. Smoothed edges are skipped.
PaintCheck Compare(const Picture& painted, const Ink& ink, int tx, int ty, int dx, int dy,
                   COLORREF text, COLORREF shadow, COLORREF background) {
  PaintCheck check;
  for (int y = 0; y < painted.height(); ++y) {
    for (int x = 0; x < painted.width(); ++x) {
      const int text_cover = ink.Cover(x - tx, y - ty);
      const int shadow_cover = ink.Cover(x - tx - dx, y - ty - dy);
      COLORREF expected;
      int* counter;
      if (text_cover == 2) {
        expected = text, counter = &check.text;
      } else if (text_cover == 1 || shadow_cover == 1) {
        ++check.blended;
        continue;
      } else if (shadow_cover == 2) {
        expected = shadow, counter = &check.shadow;
      } else {
        expected = background, counter = &check.background;
      }
      if (painted.At(x, y) == expected) {
        ++*counter;
      } else if (check.wrong++ == 0) {
        check.first_wrong = "at (" + std::to_string(x) + "," + std::to_string(y) + ")";
      }
    }
  }
  return check;
}

class RxLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = new TForm(Application);
    form_->SetBounds(40, 40, 400, 200);
  }
  void TearDown() override { delete form_; }

  TRxLabel* MakeLabel() {
    auto* label = new TRxLabel(form_);
    label->SetParent(form_);
    return label;
  }
  // The overlay label of the magnifier: bold 16-pixel text, shadow 2 to the lower right.
  TRxLabel* MakeInfoLabel() {
    TRxLabel* label = MakeLabel();
    label->SetBounds(3, 3, 65, 17);
    label->Font().SetBold(true);
    label->Font().SetHeight(-16);
    label->SetShadowSize(2);
    label->SetShadowPos(TShadowPosition::spRightBottom);
    label->SetTransparent(true);
    return label;
  }

  TForm* form_ = nullptr;
};

TEST_F(RxLabelTest, StartsOpaqueAt65By17WithItsDefaults) {
  TRxLabel* label = MakeLabel();
  EXPECT_EQ(label->Width(), 65);
  EXPECT_EQ(label->Height(), 17);
  EXPECT_TRUE(label->Opaque());
  EXPECT_EQ(label->Alignment(), TAlignment::taLeftJustify);
  EXPECT_TRUE(label->AutoSize());
  EXPECT_EQ(label->Layout(), TTextLayout::tlTop);
  EXPECT_EQ(label->ShadowColor(), clBtnHighlight);
  EXPECT_EQ(label->ShadowSize(), 1);
  EXPECT_EQ(label->ShadowPos(), TShadowPosition::spLeftTop);
  EXPECT_TRUE(label->ShowAccelChar());
  EXPECT_FALSE(label->Transparent());
  EXPECT_FALSE(label->WordWrap());
  label->SetTransparent(true);
  EXPECT_FALSE(label->Opaque());
  label->SetTransparent(false);
  EXPECT_TRUE(label->Opaque());
}

TEST_F(RxLabelTest, SizesToTextAndShadowForEachPosition) {
  const std::string text = "Lumeview 12x";
  const int s = 3;
  struct Case {
    TShadowPosition pos;
    int extra_width, extra_height;
  } cases[] = {{TShadowPosition::spRightBottom, s, s},
               {TShadowPosition::spRightTop, s, 0},
               {TShadowPosition::spLeftBottom, 0, s},
               {TShadowPosition::spLeftTop, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.pos));
    TRxLabel* label = MakeLabel();
    label->SetBounds(10, 20, 65, 17);
    label->SetShadowPos(c.pos);
    label->SetShadowSize(s);
    label->SetCaption(text);
    const SIZE m = Measure(text, label->Font());
    ASSERT_GT(m.cx, 20);
    EXPECT_EQ(label->Width(), m.cx + c.extra_width + 2);
    EXPECT_EQ(label->Height(), m.cy + c.extra_height);
    EXPECT_EQ(label->Left(), 10);  // left-justified: grows to the right
    EXPECT_EQ(label->Top(), 20);
  }
}

TEST_F(RxLabelTest, InfoLabelWithZoomTextIsTextPlusFourByTextPlusTwo) {
  TRxLabel* label = MakeInfoLabel();
  label->SetCaption("Zoom:3");
  const SIZE m = Measure("Zoom:3", label->Font());
  EXPECT_EQ(label->Width(), m.cx + 4);
  EXPECT_EQ(label->Height(), m.cy + 2);
  EXPECT_EQ(label->Left(), 3);
  EXPECT_EQ(label->Top(), 3);

  label->SetCaption("Transparent:100");
  EXPECT_EQ(label->Width(), Measure("Transparent:100", label->Font()).cx + 4);
  EXPECT_EQ(label->Left(), 3);
}

TEST_F(RxLabelTest, EmptyCaptionAndLoneAmpersandMeasureLikeABlank) {
  TRxLabel* label = MakeLabel();
  const SIZE blank = Measure(" ", label->Font());
  ASSERT_GT(blank.cy, 0);
  label->SetAutoSize(true);  // writing AutoSize always sizes
  EXPECT_EQ(label->Height(), blank.cy);
  EXPECT_EQ(label->Width(), blank.cx + 2);

  label->SetCaption("&");
  EXPECT_EQ(label->Height(), blank.cy);
  EXPECT_EQ(label->Width(), blank.cx + 2);

  // Without accelerator marks the ampersand is text like any other.
  label->SetShowAccelChar(false);
  label->FitToText();
  EXPECT_EQ(label->Width(), Measure("&", label->Font(), DT_NOPREFIX).cx + 2);

  label->SetShowAccelChar(true);
  label->SetCaption("&Zoom");
  EXPECT_EQ(label->Width(), Measure("Zoom", label->Font()).cx + 2);
}

TEST_F(RxLabelTest, ShadowPositionAloneKeepsTheSizeShadowSizeChangesIt) {
  TRxLabel* label = MakeLabel();
  label->SetCaption("Size:148,148");
  const SIZE m = Measure("Size:148,148", label->Font());
  ASSERT_EQ(label->Width(), m.cx + 2);
  ASSERT_EQ(label->Height(), m.cy);

  label->SetShadowPos(TShadowPosition::spRightBottom);
  EXPECT_EQ(label->Width(), m.cx + 2);
  EXPECT_EQ(label->Height(), m.cy);

  label->SetShadowSize(2);
  EXPECT_EQ(label->Width(), m.cx + 4);
  EXPECT_EQ(label->Height(), m.cy + 2);
}

TEST_F(RxLabelTest, RightJustifiedLabelKeepsItsRightEdge) {
  TRxLabel* label = MakeLabel();
  label->SetBounds(200, 10, 65, 17);
  label->SetAlignment(TAlignment::taRightJustify);
  label->SetCaption("ab");
  EXPECT_EQ(label->Left() + label->Width(), 265);
  EXPECT_EQ(label->Width(), Measure("ab", label->Font()).cx + 2);

  label->SetCaption("a much longer caption");
  EXPECT_EQ(label->Left() + label->Width(), 265);
  EXPECT_EQ(label->Width(), Measure("a much longer caption", label->Font()).cx + 2);

  label->SetCaption("x");
  EXPECT_EQ(label->Left() + label->Width(), 265);

  // Centred and left-justified labels keep their left edge.
  label->SetAlignment(TAlignment::taCenter);
  const int left = label->Left();
  label->SetCaption("another caption");
  EXPECT_EQ(label->Left(), left);
}

TEST_F(RxLabelTest, SizingFollowsFontAutoSizeAndWordWrap) {
  TRxLabel* label = MakeLabel();
  label->SetCaption("Zoom:2");
  const int small_height = label->Height();
  label->Font().SetHeight(-24);
  EXPECT_EQ(label->Height(), Measure("Zoom:2", label->Font()).cy);
  EXPECT_GT(label->Height(), small_height);

  label->SetAutoSize(false);
  label->SetBounds(0, 0, 60, 17);
  label->SetCaption("one two three four five six");
  EXPECT_EQ(label->Width(), 60);
  EXPECT_EQ(label->Height(), 17);

  label->SetWordWrap(true);  // no sizing while AutoSize is off
  EXPECT_EQ(label->Height(), 17);
  label->SetAutoSize(true);  // wraps within the width it has
  const int line = Measure("one", label->Font()).cy;
  EXPECT_LE(label->Width(), 60);
  EXPECT_GE(label->Height(), 3 * line);
}

TEST_F(RxLabelTest, SettersRepaintOnlyWhenTheValueChanges) {
  TRxLabel* label = MakeLabel();
  label->SetBounds(30, 40, 65, 17);
  label->SetAutoSize(false);
  form_->Show();  // only a visible window collects an update area
  HWND wnd = form_->Handle();
  ASSERT_TRUE(IsWindowVisible(wnd));
  auto repainted = [&](auto change) {
    ValidateRect(wnd, nullptr);
    change();
    RECT update;
    if (!GetUpdateRect(wnd, &update, FALSE)) return false;
    RECT bounds = label->BoundsRect(), outside;
    // Nothing beyond the label's own area is asked for.
    EXPECT_TRUE(SubtractRect(&outside, &update, &bounds) == FALSE || IsRectEmpty(&outside));
    return true;
  };
  EXPECT_TRUE(repainted([&] { label->SetShadowColor(clWhite); }));
  EXPECT_FALSE(repainted([&] { label->SetShadowColor(clWhite); }));
  EXPECT_TRUE(repainted([&] { label->SetShadowPos(TShadowPosition::spRightTop); }));
  EXPECT_FALSE(repainted([&] { label->SetShadowPos(TShadowPosition::spRightTop); }));
  EXPECT_TRUE(repainted([&] { label->SetAlignment(TAlignment::taCenter); }));
  EXPECT_FALSE(repainted([&] { label->SetAlignment(TAlignment::taCenter); }));
  EXPECT_TRUE(repainted([&] { label->SetLayout(TTextLayout::tlBottom); }));
  EXPECT_FALSE(repainted([&] { label->SetLayout(TTextLayout::tlBottom); }));
  EXPECT_TRUE(repainted([&] { label->SetShowAccelChar(false); }));
  EXPECT_FALSE(repainted([&] { label->SetShowAccelChar(false); }));
  EXPECT_TRUE(repainted([&] { label->SetTransparent(true); }));
  EXPECT_FALSE(repainted([&] { label->SetTransparent(true); }));
  EXPECT_TRUE(repainted([&] { label->SetShadowSize(3); }));
  EXPECT_FALSE(repainted([&] { label->SetShadowSize(3); }));
  EXPECT_TRUE(repainted([&] { label->Font().SetColor(RGB(1, 2, 3)); }));
  EXPECT_FALSE(repainted([&] { label->Font().SetColor(RGB(1, 2, 3)); }));
  EXPECT_TRUE(repainted([&] { label->SetCaption("changed"); }));
  EXPECT_FALSE(repainted([&] { label->SetCaption("changed"); }));
}

class RxLabelPaintTest : public RxLabelTest {
 protected:
  static constexpr COLORREF kBackground = RGB(0, 0, 160);
  static constexpr COLORREF kText = RGB(255, 255, 255);
  static constexpr COLORREF kShadow = RGB(255, 0, 0);

  // A transparent, bold label over a known background.
  TRxLabel* MakePaintLabel(const std::string& caption, TShadowPosition pos, int size) {
    TRxLabel* label = MakeLabel();
    label->Font().SetBold(true);
    label->Font().SetHeight(-16);
    label->Font().SetColor(kText);
    label->SetShadowColor(kShadow);
    label->SetShadowPos(pos);
    label->SetShadowSize(static_cast<uint8_t>(size));
    label->SetTransparent(true);
    label->SetCaption(caption);
    return label;
  }
  void PaintOnto(TRxLabel* label, Picture& picture, COLORREF background) {
    ASSERT_TRUE(picture.ok());
    picture.Fill(background);
    label->Paint(picture.dc());
  }
};

TEST_F(RxLabelPaintTest, TransparentLabelPaintsOnlyTextOverItsShiftedShadow) {
  const std::string text = "Zoom:3";
  struct Case {
    TShadowPosition pos;
    int dx, dy;
  } cases[] = {{TShadowPosition::spRightBottom, 2, 2},
               {TShadowPosition::spLeftBottom, -2, 2},
               {TShadowPosition::spLeftTop, -2, -2},
               {TShadowPosition::spRightTop, 2, -2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.pos));
    TRxLabel* label = MakePaintLabel(text, c.pos, 2);
    Picture picture(label->Width(), label->Height());
    PaintOnto(label, picture, kBackground);
    Ink ink(text, label->Font(), label->Width(), label->Height());
    // The text 1 pixel in from the left and flush with the top.
    const PaintCheck check = Compare(picture, ink, 1, 0, c.dx, c.dy, kText, kShadow, kBackground);
    EXPECT_EQ(check.wrong, 0) << check.first_wrong;
    EXPECT_GT(check.text, 20);
    EXPECT_GT(check.shadow, 10);
    EXPECT_GT(check.background, 20);
    // The same shift the other way would not match: the shadow's direction is seen.
    const PaintCheck mirrored =
        Compare(picture, ink, 1, 0, -c.dx, -c.dy, kText, kShadow, kBackground);
    EXPECT_GT(mirrored.wrong, 10);
    delete label;
  }
}

TEST_F(RxLabelPaintTest, OpaqueLabelFillsItsAreaWithColorFirst) {
  TRxLabel* label = MakePaintLabel("Zoom:3", TShadowPosition::spRightBottom, 2);
  label->SetTransparent(false);
  label->SetColor(RGB(0, 128, 0));
  Picture picture(label->Width(), label->Height());
  PaintOnto(label, picture, kBackground);
  Ink ink("Zoom:3", label->Font(), label->Width(), label->Height());
  const PaintCheck check =
      Compare(picture, ink, 1, 0, 2, 2, kText, kShadow, RGB(0, 128, 0));
  EXPECT_EQ(check.wrong, 0) << check.first_wrong;
  EXPECT_GT(check.background, 20);

  // A system colour is used as the system has it.
  label->SetColor(clBtnFace);
  PaintOnto(label, picture, kBackground);
  EXPECT_EQ(picture.At(0, 0), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(picture.At(picture.width() - 1, picture.height() - 1), GetSysColor(COLOR_BTNFACE));
}

TEST_F(RxLabelPaintTest, DisabledLabelWithoutShadowGetsAOnePixelShadowToTheLowerRight) {
  TRxLabel* label = MakePaintLabel("Zoom:3", TShadowPosition::spLeftTop, 0);
  label->SetAutoSize(false);
  label->SetBounds(0, 0, label->Width() + 2, label->Height() + 2);
  Picture picture(label->Width(), label->Height());
  Ink ink("Zoom:3", label->Font(), label->Width(), label->Height());

  // Enabled, size 0: the shadow lies under the text and nothing of it shows.
  PaintOnto(label, picture, kBackground);
  PaintCheck check = Compare(picture, ink, 1, 0, 0, 0, kText, kShadow, kBackground);
  EXPECT_EQ(check.wrong, 0) << check.first_wrong;
  EXPECT_EQ(check.shadow, 0);

  label->SetEnabled(false);
  PaintOnto(label, picture, kBackground);
  check = Compare(picture, ink, 1, 0, 1, 1, GetSysColor(COLOR_GRAYTEXT),
                  GetSysColor(COLOR_BTNHIGHLIGHT), kBackground);
  EXPECT_EQ(check.wrong, 0) << check.first_wrong;
  EXPECT_GT(check.text, 20);
  EXPECT_GT(check.shadow, 10);

  // A disabled label with a shadow of its own keeps it, in the highlight colour.
  label->SetShadowSize(2);
  label->SetShadowPos(TShadowPosition::spRightTop);
  PaintOnto(label, picture, kBackground);
  check = Compare(picture, ink, 1, 0, 2, -2, GetSysColor(COLOR_GRAYTEXT),
                  GetSysColor(COLOR_BTNHIGHLIGHT), kBackground);
  EXPECT_EQ(check.wrong, 0) << check.first_wrong;
}

TEST_F(RxLabelPaintTest, LayoutAndAlignmentPlaceTheText) {
  TRxLabel* label = MakePaintLabel("Zoom:3", TShadowPosition::spRightBottom, 2);
  const int text_width = Measure("Zoom:3", label->Font()).cx;
  const int natural_height = label->Height();  // text height + 2
  label->SetAutoSize(false);
  label->SetBounds(0, 0, text_width + 40, natural_height + 21);
  Picture picture(label->Width(), label->Height());
  Ink ink("Zoom:3", label->Font(), label->Width(), label->Height());
  const int free_height = label->Height() - natural_height;  // 21

  struct Case {
    TAlignment alignment;
    TTextLayout layout;
    int x, y;
  } cases[] = {
      {TAlignment::taLeftJustify, TTextLayout::tlTop, 1, 0},
      {TAlignment::taLeftJustify, TTextLayout::tlBottom, 1, free_height},
      {TAlignment::taLeftJustify, TTextLayout::tlCenter, 1, free_height / 2},
      {TAlignment::taRightJustify, TTextLayout::tlTop, label->Width() - 1 - text_width, 0},
      {TAlignment::taCenter, TTextLayout::tlTop, 1 + (label->Width() - 2 - text_width) / 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.alignment) * 10 + static_cast<int>(c.layout));
    label->SetAlignment(c.alignment);
    label->SetLayout(c.layout);
    PaintOnto(label, picture, kBackground);
    const PaintCheck check = Compare(picture, ink, c.x, c.y, 2, 2, kText, kShadow, kBackground);
    EXPECT_EQ(check.wrong, 0) << check.first_wrong;
    EXPECT_GT(check.text, 20);
  }
}

TEST(DrawTextWithShadowTest, MeasuresTheUnionAndReturnsHeightPlusShadow) {
  WindowDC screen(nullptr);
  TFont font;
  font.SetHeight(-16);
  SelectGuard select(screen.get(), font.Handle());
  const SIZE m = Measure("Shadow", font);
  RECT r{10, 20, 10, 20};
  const int height = DrawTextWithShadow(screen.get(), "Shadow", 6, r, DT_CALCRECT, 3, RGB(1, 2, 3),
                                        TShadowPosition::spLeftBottom);
  EXPECT_EQ(height, m.cy + 3);
  EXPECT_EQ(r.left, 7);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 10 + m.cx);
  EXPECT_EQ(r.bottom, 20 + m.cy + 3);
  // The context's own text colour is left as it was.
  const COLORREF before = SetTextColor(screen.get(), RGB(9, 8, 7));
  RECT again{0, 0, 0, 0};
  DrawTextWithShadow(screen.get(), "Shadow", 6, again, DT_CALCRECT, 1, RGB(1, 2, 3),
                     TShadowPosition::spRightTop);
  EXPECT_EQ(GetTextColor(screen.get()), RGB(9, 8, 7));
  SetTextColor(screen.get(), before);
  // Nothing to draw: DrawText's own answer, without the shadow added.
  RECT empty{0, 0, 0, 0};
  EXPECT_EQ(DrawTextWithShadow(screen.get(), "", 0, empty, DT_CALCRECT, 4, 0,
                               TShadowPosition::spRightBottom),
            0);
}

}  // namespace
