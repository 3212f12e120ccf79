// The about box against the real platform, in a test program whose version resource gives
// different product and file versions, company and copyright: what the box reads, the extra
// link lines and their colours under the pointer, and the box's growth.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "about/about_box.h"
#include "about/link_label.h"
#include "toolkit/std_controls.h"
#include "toolkit/timer.h"
#include "toolkit_test_support.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

TAboutBox* OpenBox() {
  for (TComponent* c : Application->Components())
    if (auto* box = dynamic_cast<TAboutBox*>(c); box && box->HandleAllocated() && IsWindowVisible(box->Handle()))
      return box;
  return nullptr;
}

// Opens the box with `links`, runs `steps` on it once it is up, then presses its OK button.
// False when the box never came or did not close.
bool WithAboutBox(const std::vector<std::string>& links, int spacing,
                  const std::function<void(TAboutBox&)>& steps) {
  bool ran = false;
  TTimer act(nullptr);
  act.SetInterval(20);
  act.SetOnTimer([&](TComponent*) {
    TAboutBox* box = OpenBox();
    if (ran || !box) return;
    ran = true;
    steps(*box);
    SendMessageA(box->OkBtn->Handle(), BM_CLICK, 0, 0);
  });
  TTimer watchdog(nullptr);
  watchdog.SetInterval(15000);
  watchdog.SetOnTimer([&](TComponent*) {
    if (TAboutBox* box = OpenBox()) box->Close();
  });
  ShowAboutBoxWithLinks(links, spacing);
  return ran && !OpenBox();
}

TEST(AboutBox, ShowsTheProductVersionAndTheCopyrightOfItsOwnProgram) {
  tktest::ReportedErrors errors;
  ASSERT_TRUE(WithAboutBox({}, 20, [](TAboutBox& box) {
    char caption[32] = {};
    GetWindowTextA(box.Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "About ...");
    EXPECT_EQ(box.ProductNameLabel->Caption(), "Lumeview Test");
    EXPECT_EQ(box.VersionLabel->Caption(), "Version: 2.5.0 beta") << "the product version";
    EXPECT_EQ(box.CompanyLabel->Caption(), "Copyright Test Holder") << "the copyright";
    EXPECT_EQ(box.IconPaintBox->Width(), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(box.URLLinkLabel1->Target(), std::string("http://") + kMakerWebAddress);
    EXPECT_EQ(box.URLLinkLabel2->Target(), std::string("mailto:") + kMakerMailAddress);
    EXPECT_TRUE(box.ExtraLinkLabels().empty());
    EXPECT_EQ(box.ClientHeight(), 221) << "an empty list leaves the height";
  }));
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
}

TEST(AboutBox, ExtraLinkLinesStandBelowTheCompanyAndGrowTheBox) {
  struct Case {
    std::vector<std::string> links;
    int growth;
    std::vector<int> tops;
    std::vector<std::string> captions, targets;
  } const cases[] = {
      {{kMakerWebAddress}, 0, {90}, {""}, {kMakerWebAddress}},
      {{"a;x", "b;y", "c;z"}, 40, {90, 110, 130}, {"a", "b", "c"}, {"x", "y", "z"}},
      {{"caption;target;more", ";bare"}, 20, {90, 110}, {"caption", ""}, {"target;more", "bare"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.links.front());
    ASSERT_TRUE(WithAboutBox(c.links, 20, [&](TAboutBox& box) {
      EXPECT_EQ(box.ClientHeight(), 221 + c.growth);
      EXPECT_EQ(box.OkBtn->Top(), 188 + c.growth) << "the button keeps to the bottom edge";
      ASSERT_EQ(box.ExtraLinkLabels().size(), c.tops.size());
      for (size_t i = 0; i < c.tops.size(); ++i) {
        TLabel* line = box.ExtraLinkLabels()[i];
        EXPECT_EQ(line->Left(), 120);
        EXPECT_EQ(line->Top(), c.tops[i]);
        EXPECT_EQ(line->Caption(), c.captions[i]);
        EXPECT_EQ(line->Hint(), c.targets[i]);
        EXPECT_EQ(line->Tag, static_cast<intptr_t>(i) + 1);
        EXPECT_GT(line->Width(), 0) << "an empty caption still leaves a spot to click";
      }
    }));
  }
}

TEST(AboutBox, ExtraLinesTurnPurpleUnderThePointerAndTheDesignedLinksNever) {
  ASSERT_TRUE(WithAboutBox({"a;x", "b;y"}, 20, [](TAboutBox& box) {
    TLabel* second = box.ExtraLinkLabels()[1];
    auto move_to = [&](TControl* c) {
      SendMessageA(box.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(c->Left() + 1, c->Top() + 1));
    };
    move_to(second);
    EXPECT_EQ(second->Font().Color(), static_cast<TColor>(RGB(128, 0, 128)));
    move_to(box.URLLinkLabel1);
    EXPECT_EQ(second->Font().Color(), static_cast<TColor>(RGB(0, 0, 255)));
    EXPECT_EQ(box.URLLinkLabel1->Font().Color(), static_cast<TColor>(RGB(0, 0, 255)));
    move_to(box.ProductNameLabel);
    EXPECT_EQ(box.URLLinkLabel1->Font().Color(), static_cast<TColor>(RGB(0, 0, 255)));
  }));
}

}  // namespace
