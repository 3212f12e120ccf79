// TTransparentWnd on real windows: the alpha the system reports back, the layered style, and
// the cases where nothing may change.

#include "desktop/transparent_wnd.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/desktop_support.h"
#include "toolkit/errors.h"
#include "toolkit/form.h"

namespace {

const ::testing::Environment* const kAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new DesktopAppEnvironment);

LONG ExStyle(HWND wnd) { return GetWindowLongA(wnd, GWL_EXSTYLE); }
bool Layered(HWND wnd) { return (ExStyle(wnd) & WS_EX_LAYERED) != 0; }

struct LayeredAttributes {
  bool read = false;
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
};

LayeredAttributes ReadAttributes(HWND wnd) {
  LayeredAttributes a;
  a.read = GetLayeredWindowAttributes(wnd, &a.key, &a.alpha, &a.flags) != FALSE;
  return a;
}

// A plain top-level window of the test's own making.
UniqueWindow MakeWindow(DWORD ex_style) {
  return UniqueWindow(CreateWindowExA(ex_style, "STATIC", "", WS_POPUP, 10, 10, 50, 40, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr));
}

class TransparentWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = new TForm(Application);
    form_->SetBounds(20, 20, 120, 90);
  }
  void TearDown() override { delete form_; }

  TForm* form_ = nullptr;
};

TEST_F(TransparentWndTest, StartsWithItsDefaultsAndChangesNoWindow) {
  auto* tw = new TTransparentWnd(form_);
  EXPECT_EQ(tw->Percent(), 0);
  EXPECT_FALSE(tw->AutoOpaque());
  EXPECT_TRUE(tw->Available());
  EXPECT_FALSE(form_->HandleAllocated());
  tw->SetPercent(50);
  EXPECT_EQ(tw->Percent(), 50);
  EXPECT_FALSE(form_->HandleAllocated());
}

TEST_F(TransparentWndTest, PercentagesBecomeTheAlphaTheSystemReportsBack) {
  auto* tw = new TTransparentWnd(form_);
  tw->SetPercent(50);  // stored only: the applied percentage is what counts
  const std::vector<std::pair<int, int>> table = {{0, 255}, {1, 252}, {2, 249}, {20, 204},
                                                  {50, 127}, {98, 5},   {99, 2},  {100, 0}};
  ASSERT_FALSE(form_->HandleAllocated());
  for (const auto& [percent, alpha] : table) {
    SCOPED_TRACE(percent);
    tw->ApplyTransparency(static_cast<uint8_t>(percent));
    ASSERT_TRUE(form_->HandleAllocated());  // made by the first apply
    HWND wnd = form_->Handle();
    EXPECT_TRUE(Layered(wnd));
    const LayeredAttributes a = ReadAttributes(wnd);
    ASSERT_TRUE(a.read);
    EXPECT_EQ(a.alpha, alpha);
    EXPECT_EQ(a.flags, static_cast<DWORD>(LWA_ALPHA));
  }
  // Fully transparent still exists.
  EXPECT_TRUE(IsWindow(form_->Handle()));
}

TEST_F(TransparentWndTest, AutoOpaqueTurnsLayeringOffForZeroOnly) {
  auto* tw = new TTransparentWnd(form_);
  HWND wnd = form_->Handle();
  SetWindowLongA(wnd, GWL_EXSTYLE, ExStyle(wnd) | WS_EX_TOOLWINDOW);
  tw->ApplyTransparency(20);
  ASSERT_TRUE(Layered(wnd));

  tw->SetAutoOpaque(true);
  tw->ApplyTransparency(0);
  EXPECT_FALSE(Layered(wnd));
  EXPECT_TRUE(ExStyle(wnd) & WS_EX_TOOLWINDOW);  // nothing else is touched

  tw->ApplyTransparency(0);  // stays an ordinary window
  EXPECT_FALSE(Layered(wnd));

  tw->ApplyTransparency(50);
  EXPECT_TRUE(Layered(wnd));
  EXPECT_EQ(ReadAttributes(wnd).alpha, 127);

  tw->SetAutoOpaque(false);
  tw->ApplyTransparency(0);
  EXPECT_TRUE(Layered(wnd));
  EXPECT_EQ(ReadAttributes(wnd).alpha, 255);
}

TEST_F(TransparentWndTest, AlreadyLayeredWindowOnlyGetsTheNewAlpha) {
  auto* tw = new TTransparentWnd(form_);
  UniqueWindow wnd = MakeWindow(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT);
  ASSERT_TRUE(wnd);
  ASSERT_TRUE(SetLayeredWindowAttributes(wnd.get(), RGB(1, 2, 3), 77, LWA_COLORKEY | LWA_ALPHA));
  const LONG before = ExStyle(wnd.get());

  tw->ApplyTransparencyTo(wnd.get(), 50);
  EXPECT_EQ(ExStyle(wnd.get()), before);
  const LayeredAttributes a = ReadAttributes(wnd.get());
  ASSERT_TRUE(a.read);
  EXPECT_EQ(a.alpha, 127);
  EXPECT_EQ(a.flags, static_cast<DWORD>(LWA_ALPHA));  // no colour key any more
}

TEST_F(TransparentWndTest, ApplyingToAnyWindowMakesItLayered) {
  auto* tw = new TTransparentWnd(form_);
  UniqueWindow wnd = MakeWindow(WS_EX_TOOLWINDOW);
  ASSERT_TRUE(wnd);
  tw->ApplyTransparencyTo(wnd.get(), 98);
  EXPECT_EQ(ExStyle(wnd.get()), WS_EX_TOOLWINDOW | WS_EX_LAYERED);
  EXPECT_EQ(ReadAttributes(wnd.get()).alpha, 5);
  EXPECT_FALSE(form_->HandleAllocated());  // the owner's window is not involved
}

TEST_F(TransparentWndTest, RemoveLayeringClearsOnlyTheLayeredStyle) {
  auto* tw = new TTransparentWnd(form_);
  UniqueWindow plain = MakeWindow(WS_EX_TOOLWINDOW);
  const LONG plain_before = ExStyle(plain.get());
  tw->RemoveLayering(plain.get());
  EXPECT_EQ(ExStyle(plain.get()), plain_before);

  UniqueWindow layered = MakeWindow(WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_TRANSPARENT);
  tw->RemoveLayering(layered.get());
  EXPECT_EQ(ExStyle(layered.get()), WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT);
}

TEST_F(TransparentWndTest, HandleThatIsNoWindowIsIgnored) {
  auto* tw = new TTransparentWnd(form_);
  HWND gone;
  {
    UniqueWindow wnd = MakeWindow(0);
    gone = wnd.get();
  }
  HWND bogus = reinterpret_cast<HWND>(0x7ff0);
  ASSERT_FALSE(IsWindow(gone));
  ASSERT_FALSE(IsWindow(bogus));
  // A live window beside them, layered with an alpha of its own, and the owner's window.
  UniqueWindow live = MakeWindow(WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  ASSERT_TRUE(live);
  ASSERT_TRUE(SetLayeredWindowAttributes(live.get(), 0, 90, LWA_ALPHA));
  const LONG live_style = ExStyle(live.get());
  HWND own = form_->Handle();
  const LONG own_style = ExStyle(own);
  const size_t reported_before = DesktopAppEnvironment::Reported().size();

  tw->SetAutoOpaque(true);
  for (HWND wnd : {gone, static_cast<HWND>(nullptr), bogus}) {
    EXPECT_NO_THROW(tw->ApplyTransparencyTo(wnd, 50));
    EXPECT_NO_THROW(tw->ApplyTransparencyTo(wnd, 0));
    EXPECT_NO_THROW(tw->RemoveLayering(wnd));
  }
  PumpPending();
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(DesktopAppEnvironment::Reported().size(), reported_before) << "an error was reported";
  EXPECT_EQ(ExStyle(live.get()), live_style);
  const LayeredAttributes a = ReadAttributes(live.get());
  ASSERT_TRUE(a.read);
  EXPECT_EQ(a.alpha, 90);
  EXPECT_EQ(a.flags, static_cast<DWORD>(LWA_ALPHA));
  EXPECT_EQ(ExStyle(own), own_style);
  EXPECT_FALSE(Layered(own));
}

TEST_F(TransparentWndTest, MissingLayeredCallMakesEveryApplyANoOp) {
  auto* no_function = new TTransparentWnd(form_, "USER32.DLL", "SetLayeredWindowAttributesMissing");
  auto* no_library = new TTransparentWnd(form_, "lumeview-no-such-library.dll",
                                         "SetLayeredWindowAttributes");
  for (TTransparentWnd* tw : {no_function, no_library}) {
    EXPECT_FALSE(tw->Available());
    UniqueWindow plain = MakeWindow(WS_EX_TOOLWINDOW);
    tw->ApplyTransparencyTo(plain.get(), 50);
    EXPECT_EQ(ExStyle(plain.get()), WS_EX_TOOLWINDOW);

    // Not even the AutoOpaque path changes anything.
    UniqueWindow layered = MakeWindow(WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(layered.get(), 0, 90, LWA_ALPHA));
    tw->SetAutoOpaque(true);
    tw->ApplyTransparencyTo(layered.get(), 0);
    EXPECT_TRUE(Layered(layered.get()));
    EXPECT_EQ(ReadAttributes(layered.get()).alpha, 90);
  }
  no_function->ApplyTransparency(50);
  EXPECT_FALSE(Layered(form_->Handle()));
}

TEST(TransparentWndOwnerTest, OwnerThatIsNoFormIsAnInvalidTypecast) {
  TComponent plain_owner(nullptr);
  auto* of_component = new TTransparentWnd(&plain_owner);
  TTransparentWnd unowned(nullptr);
  for (TTransparentWnd* tw : {of_component, &unowned}) {
    try {
      tw->ApplyTransparency(20);
      ADD_FAILURE() << "no error raised";
    } catch (const EInvalidCast& e) {
      EXPECT_STREQ(e.what(), "Invalid class typecast");
    }
  }
}

}  // namespace
