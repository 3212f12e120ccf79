// The about box's labels: the raised label's pixels (the offset copy for each style, the grey
// text when disabled, its drawing flags and buffer) and the link label, whose presses reach the
// real shell, which hands the targets to url_recorder.exe registered for the test's schemes.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "about/link_label.h"
#include "about/raised_label.h"
#include "toolkit/errors.h"
#include "support/test_picture.h"
#include "toolkit_test_support.h"
#include "tools/url_recorder.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

// The recorder is the handler of every scheme a link label knows (and of files it records)
// for the whole test program; the keys are put back as they were at its end.
class RecorderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    recorder = std::make_unique<urlrec::UrlRecorder>(
        std::initializer_list<const char*>{"ftp", "gopher", "http", "https", "mailto", "news",
                                           "telnet", "wais"});
  }
  void TearDown() override { recorder.reset(); }
  static inline std::unique_ptr<urlrec::UrlRecorder> recorder;
};
const auto* const kRecorder = ::testing::AddGlobalTestEnvironment(new RecorderEnvironment);

using tktest::Picture;

constexpr COLORREF kBackground = RGB(0, 0, 160);
constexpr COLORREF kText = RGB(200, 40, 0);

// Where text puts ink, drawn with DrawText in white on black: 2 full, 1 partly, 0 none.
struct Ink {
  Ink(const std::string& text, TFont& font, int width, int height, UINT format = DT_EXPANDTABS)
      : picture(width, height) {
    picture.Fill(RGB(0, 0, 0));
    SelectGuard select(picture.dc(), font.Handle());
    SetBkMode(picture.dc(), TRANSPARENT);
    SetTextColor(picture.dc(), RGB(255, 255, 255));
    RECT r{0, 0, width, height};
    DrawTextA(picture.dc(), text.c_str(), -1, &r, format);
  }
  int Cover(int x, int y) const {
    const COLORREF c = picture.At(x, y);
    if (c == CLR_INVALID || c == RGB(0, 0, 0)) return 0;
    return c == RGB(255, 255, 255) ? 2 : 1;
  }
  Picture picture;
};

struct Counts {
  int text = 0, copy = 0, background = 0, wrong = 0;
};

// Text ink where the text is, copy ink at (dx, dy) from it, background elsewhere; smoothed
// edges are not judged.
Counts Compare(const Picture& painted, const Ink& ink, int dx, int dy, COLORREF text,
               COLORREF copy) {
  Counts n;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x) {
      const int t = ink.Cover(x, y), c = ink.Cover(x - dx, y - dy);
      if (t == 1 || (t == 0 && c == 1)) continue;
      const COLORREF expected = t == 2 ? text : c == 2 ? copy : kBackground;
      int& counter = t == 2 ? n.text : c == 2 ? n.copy : n.background;
      if (painted.At(x, y) == expected) ++counter; else ++n.wrong;
    }
  return n;
}

class AboutLabelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = tktest::NewForm();
    form_->SetBounds(60, 60, 420, 160);
  }

  TNpsLbl3d* MakeRaised(const std::string& caption) {
    auto* label = new TNpsLbl3d(form_.get());
    label->SetParent(form_.get());
    label->Font().SetHeight(-16);
    label->Font().SetBold(true);
    label->Font().SetColor(kText);
    label->SetColor(kBackground);
    label->SetCaption(caption);
    label->SetBounds(0, 0, 120, 24);
    return label;
  }
  // Paints the label over a background of another colour, so an opaque label's fill shows.
  static void PaintOnto(TNpsLbl3d* label, Picture& picture) {
    picture.Fill(RGB(0, 255, 0));
    label->Paint(picture.dc());
  }

  std::unique_ptr<TForm> form_;
};

TEST_F(AboutLabelsTest, RaisedLabelDrawsTheOffsetCopyOfEachStyle) {
  TNpsLbl3d* label = MakeRaised("Name:");
  EXPECT_EQ(label->TextStyle(), TTextStyle::tsLowered);
  EXPECT_EQ(label->ShadowDepth(), 2);
  EXPECT_EQ(label->ShadowColor(), RGB(192, 192, 192));
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = RGB(0, 220, 220);
  label->SetShadowColor(shadow);
  struct Case {
    TTextStyle style;
    int depth, dx, dy;
    COLORREF copy;
    bool enabled;
  } cases[] = {
      {TTextStyle::tsLowered, 2, 1, 1, highlight, true},
      {TTextStyle::tsRaised, 2, -1, -1, highlight, true},
      {TTextStyle::tsShadow, 3, 3, 3, shadow, true},
      {TTextStyle::tsShadow, 0, 0, 0, shadow, true},  // the copy lies exactly under the text
      {TTextStyle::tsPlain, 2, 0, 0, kText, true},
      {TTextStyle::tsLowered, 2, 1, 1, highlight, false},  // grey text, the copy as before
  };
  Picture picture(label->Width(), label->Height());
  Ink ink("Name:", label->Font(), label->Width(), label->Height());
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style) * 100 + c.depth * 10 + c.enabled);
    label->SetTextStyle(c.style);
    label->SetShadowDepth(c.depth);
    label->SetEnabled(c.enabled);
    PaintOnto(label, picture);
    const COLORREF text = c.enabled ? kText : GetSysColor(COLOR_GRAYTEXT);
    const Counts n = Compare(picture, ink, c.dx, c.dy, text, c.copy);
    EXPECT_EQ(n.wrong, 0);
    EXPECT_GT(n.text, 20);
    EXPECT_GT(n.background, 100);
    if (c.dx != 0) {
      EXPECT_GT(n.copy, 10);
      // Shifted the other way it would not match: the copy's direction is seen.
      EXPECT_GT(Compare(picture, ink, -c.dx, -c.dy, text, c.copy).wrong, 10);
    }
  }
}

TEST_F(AboutLabelsTest, RaisedLabelFillsUnlessTransparentAndRepaintsOnlyOnChange) {
  TNpsLbl3d* label = MakeRaised("Name:");
  Picture picture(label->Width(), label->Height());
  PaintOnto(label, picture);
  EXPECT_EQ(picture.At(label->Width() - 1, label->Height() - 1), kBackground);
  label->SetTransparent(true);
  PaintOnto(label, picture);
  EXPECT_EQ(picture.At(label->Width() - 1, label->Height() - 1), RGB(0, 255, 0));

  form_->Show();
  HWND wnd = form_->Handle();
  auto repaints = [&](auto change) {
    ValidateRect(wnd, nullptr);
    change();
    RECT update;
    return GetUpdateRect(wnd, &update, FALSE) != FALSE;
  };
  EXPECT_TRUE(repaints([&] { label->SetTextStyle(TTextStyle::tsRaised); }));
  EXPECT_FALSE(repaints([&] { label->SetTextStyle(TTextStyle::tsRaised); }));
  EXPECT_TRUE(repaints([&] { label->SetShadowDepth(5); }));
  EXPECT_FALSE(repaints([&] { label->SetShadowDepth(5); }));
  EXPECT_TRUE(repaints([&] { label->SetShadowColor(clBlack); }));
  EXPECT_FALSE(repaints([&] { label->SetShadowColor(clBlack); }));
}

// The text is drawn as DrawText draws it with tabs expanded, the alignment, and the word-break
// and no-prefix flags the label's settings ask for.
TEST_F(AboutLabelsTest, RaisedLabelDrawsWithTheLabelsTextFlags) {
  TNpsLbl3d* label = MakeRaised("");
  label->SetTextStyle(TTextStyle::tsPlain);
  label->SetBounds(0, 0, 160, 60);
  struct Case {
    const char* caption;
    TAlignment alignment;
    bool word_wrap, accel;
    UINT format, without;  // what it is drawn with, and a near miss that looks different
  } cases[] = {
      {"a\tb", TAlignment::taLeftJustify, false, true, DT_EXPANDTABS, 0},
      {"Home:", TAlignment::taRightJustify, false, true, DT_EXPANDTABS | DT_RIGHT, DT_EXPANDTABS},
      {"Mail:", TAlignment::taCenter, false, true, DT_EXPANDTABS | DT_CENTER, DT_EXPANDTABS},
      {"one two three four five six seven", TAlignment::taLeftJustify, true, true,
       DT_EXPANDTABS | DT_WORDBREAK, DT_EXPANDTABS},
      {"&Autor", TAlignment::taLeftJustify, false, false, DT_EXPANDTABS | DT_NOPREFIX,
       DT_EXPANDTABS},
  };
  Picture painted(label->Width(), label->Height());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    label->SetCaption(c.caption);
    label->SetAlignment(c.alignment);
    label->SetWordWrap(c.word_wrap);
    label->SetShowAccelChar(c.accel);
    PaintOnto(label, painted);
    auto drawn = [&](UINT format) {
      auto expected = std::make_unique<Picture>(label->Width(), label->Height());
      expected->Fill(kBackground);
      SelectGuard font(expected->dc(), label->Font().Handle());
      SetBkMode(expected->dc(), TRANSPARENT);
      SetTextColor(expected->dc(), kText);
      RECT r{0, 0, label->Width(), label->Height()};
      DrawTextA(expected->dc(), c.caption, -1, &r, format);
      return expected;
    };
    EXPECT_TRUE(painted.SameAs(*drawn(c.format)));
    EXPECT_FALSE(painted.SameAs(*drawn(c.without)));
  }
}

TEST_F(AboutLabelsTest, RaisedLabelDrawsAtMost255Characters) {
  TNpsLbl3d* label = MakeRaised("");
  label->SetTextStyle(TTextStyle::tsPlain);
  label->SetBounds(0, 0, 1600, 24);
  Picture picture(label->Width(), label->Height());
  // "A", blanks, "W": the W is character 255 or 256.
  auto ink_right_of = [&](size_t length, int x0) {
    label->SetCaption("A" + std::string(length - 2, ' ') + "W");
    PaintOnto(label, picture);
    int n = 0;
    for (int y = 0; y < label->Height(); ++y)
      for (int x = x0; x < label->Width(); ++x) n += picture.At(x, y) != kBackground;
    return n;
  };
  const int past_a = 40;
  EXPECT_GT(ink_right_of(255, past_a), 10);
  EXPECT_EQ(ink_right_of(256, past_a), 0);
}

// ---- TURLLinkLabel --------------------------------------------------------------------------

class LinkLabelTest : public AboutLabelsTest {
 protected:
  urlrec::UrlRecorder& Recorder() { return *RecorderEnvironment::recorder; }

  TURLLinkLabel* MakeLink(int left) {
    auto* link = new TURLLinkLabel(form_.get());
    link->SetBounds(left, 10, 120, 16);
    return link;
  }
  // A press (and release) of a button over the middle of a control, as the form receives it.
  void Press(TControl* control, UINT down, UINT up, WPARAM button) {
    const LPARAM at = MAKELPARAM(control->Left() + control->Width() / 2,
                                 control->Top() + control->Height() / 2);
    SendMessageA(form_->Handle(), down, button, at);
    SendMessageA(form_->Handle(), up, 0, at);
  }
  std::vector<std::string> WaitForLines(size_t count) {
    tktest::WaitFor([&] { return Recorder().Lines().size() >= count; }, tktest::kPatience);
    return Recorder().Lines();
  }
};

TEST_F(LinkLabelTest, StartsAsABlueUnderlinedHttpLinkOnItsForm) {
  TURLLinkLabel* link = MakeLink(0);
  EXPECT_EQ(link->Parent(), form_.get());
  EXPECT_EQ(link->LinkType(), tURLLinkType::lthttp);
  EXPECT_TRUE(link->Font().Underline());
  EXPECT_FALSE(link->Font().Bold());
  EXPECT_EQ(link->Font().Color(), RGB(0, 0, 255));
  EXPECT_EQ(link->Cursor(), TCursor::crHandPoint);
  EXPECT_EQ(link->Caption(), "");

  // The hand shows over the link, not elsewhere on the form.
  form_->Show();
  for (const bool over : {true, false}) {
    const POINT p = tktest::ClientToScreenPoint(form_->Handle(), over ? 20 : 300, over ? 15 : 100);
    SetCursorPos(p.x, p.y);
    SetCursor(nullptr);
    SendMessageA(form_->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form_->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor() == LoadCursor(nullptr, IDC_HAND), over);
  }
}

TEST_F(LinkLabelTest, OwnerThatIsNotAFormIsAnInvalidTypecast) {
  auto* panel = new TPanel(form_.get());
  const size_t owned = panel->Components().size();
  for (TComponent* owner : {static_cast<TComponent*>(panel), static_cast<TComponent*>(nullptr)}) {
    try {
      TURLLinkLabel link(owner);
      ADD_FAILURE() << "made a link label without a form";
    } catch (const EInvalidCast& e) {
      EXPECT_STREQ(e.what(), "Invalid class typecast");
    }
  }
  EXPECT_EQ(panel->Components().size(), owned);
}

TEST_F(LinkLabelTest, HyperLinkBecomesTheCaptionOnlyWhileItIsEmpty) {
  TURLLinkLabel* link = MakeLink(0);
  link->SetHyperLink("www.example.com");
  EXPECT_EQ(link->Caption(), "www.example.com");
  link->SetHyperLink("www.example.org");
  EXPECT_EQ(link->HyperLink(), "www.example.org");
  EXPECT_EQ(link->Caption(), "www.example.com");
  link->SetLinkType(tURLLinkType::lthttps);
  EXPECT_EQ(link->Target(), "https://www.example.org");
}

TEST_F(LinkLabelTest, LeftPressHandsEachPrefixedTargetToTheShell) {
  ASSERT_EQ(Recorder().Error(), "");
  // The shell makes a file link a path and opens it by its type.
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "lumeview-link" + urlrec::kRecordedExtension;
  UniqueFile(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  std::string file_link = file;
  for (char& ch : file_link)
    if (ch == '\\') ch = '/';
  struct Case {
    tURLLinkType type;
    std::string link, recorded;
  } cases[] = {
      {tURLLinkType::ltfile, file_link, file},
      {tURLLinkType::ltftp, "ftp.example.com/pub", "ftp://ftp.example.com/pub"},
      {tURLLinkType::ltgopher, "gopher.example.com/1", "gopher://gopher.example.com/1"},
      {tURLLinkType::lthttp, "www.example.com/about", "http://www.example.com/about"},
      {tURLLinkType::lthttps, "www.example.com/?a=1&b=2", "https://www.example.com/?a=1&b=2"},
      {tURLLinkType::ltmailto, "someone@example.com", "mailto:someone@example.com"},
      {tURLLinkType::ltnews, "comp.os.ms-windows", "news:comp.os.ms-windows"},
      {tURLLinkType::lttelnet, "bbs.example.com", "telnet:bbs.example.com"},
      {tURLLinkType::ltwais, "wais.example.com/db", "wais:wais.example.com/db"},
  };
  TURLLinkLabel* link = MakeLink(0);
  int clicks = 0, downs = 0;
  link->OnClick = [&](TComponent*) { ++clicks; };
  link->OnMouseDown = [&](TComponent*, TMouseButton, TShiftState, int, int) { ++downs; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.recorded);
    Recorder().Clear();
    link->SetLinkType(c.type);
    link->SetHyperLink(c.link);
    Press(link, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    EXPECT_EQ(WaitForLines(1), std::vector<std::string>{c.recorded});
  }
  // The press was the link's alone.
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(downs, 0);
  DeleteFileA(file.c_str());
}

TEST_F(LinkLabelTest, RightPressOpensNothingWhileAPlainLabelStillClicks) {
  ASSERT_EQ(Recorder().Error(), "");
  TURLLinkLabel* mail = MakeLink(0);
  mail->SetLinkType(tURLLinkType::ltmailto);
  mail->SetHyperLink("someone@example.com");
  TURLLinkLabel* web = MakeLink(200);
  web->SetHyperLink("www.example.com");
  auto* plain = new TLabel(form_.get());
  plain->SetParent(form_.get());
  plain->SetBounds(0, 60, 100, 16);
  std::vector<std::string> events;
  auto track = [&](TControl* c, const std::string& name) {
    c->OnClick = [&events, name](TComponent*) { events.push_back(name + " click"); };
    c->OnMouseDown = [&events, name](TComponent*, TMouseButton b, TShiftState, int, int) {
      events.push_back(name + (b == mbRight ? " right" : " left"));
    };
  };
  track(mail, "mail");
  track(plain, "plain");

  Recorder().Clear();
  Press(mail, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
  Press(plain, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
  // A link opened after the right press: had that opened one, it would be here too.
  Press(web, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
  EXPECT_EQ(WaitForLines(1), std::vector<std::string>{"http://www.example.com"});
  tktest::PumpFor(300);
  EXPECT_EQ(Recorder().Lines(), std::vector<std::string>{"http://www.example.com"});
  EXPECT_EQ(events, (std::vector<std::string>{"mail right", "plain left", "plain click"}));
}

}  // namespace
