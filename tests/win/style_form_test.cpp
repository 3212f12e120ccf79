// The styled dialog base against the real platform: the fade between 120 and 255 with the
// activation, the maker's registry values that switch fading off or tile a background picture,
// and the handlers a derived form keeps.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "about/style_form.h"
#include "settings/program_setup.h"
#include "shared/test_pictures.h"
#include "toolkit_test_support.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

const char kMakerKey[] = "Software\\Quorvant";
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;

// The three values of the maker's key, removed before and after each test.
struct MakerValues {
  MakerValues() { Remove(); }
  ~MakerValues() { Remove(); }
  static void Remove() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMakerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    for (const char* name : {"fadeinout", "background", "backbitmap"}) RegDeleteValueA(key, name);
    RegCloseKey(key);
  }
  TProgramSetup store{kMakerKey};
};

// A form derived from the base with handlers of its own.
class Derived : public TStyleForm {
 public:
  explicit Derived(TComponent* owner) : TStyleForm(owner) {
    SetBounds(100, 100, 100, 70);
    OnShow = [this](TComponent*) { opacity_at_show = Opacity(); };
    OnActivate = [this](TComponent*) { ++own_activations; };
  }
  std::optional<int> Opacity() {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!(GetWindowLongA(Handle(), GWL_EXSTYLE) & WS_EX_LAYERED) ||
        !GetLayeredWindowAttributes(Handle(), nullptr, &alpha, &flags) || !(flags & LWA_ALPHA))
      return std::nullopt;
    return alpha;
  }
  std::optional<int> opacity_at_show;
  int own_activations = 0;
};

class StyleFormTest : public ::testing::Test {
 protected:
  // Shows the form, waits for its activation, then activates another window and hides the
  // form at once (two windows that took the focus are never left to the X server).
  void ShowActivateAndLeave(Derived& form) {
    form.Show();
    ASSERT_TRUE(tktest::WaitFor([&] { return GetActiveWindow() == form.Handle(); }, tktest::kPatience));
    opacity_active_ = form.Opacity();
    other_->Show();
    opacity_left_ = form.Opacity();
    form.Hide();
  }
  // The colour at a client point once the screen shows it (it lags the drawing a little).
  COLORREF PixelAt(Derived& form, int x, int y, COLORREF expected) {
    const POINT p = tktest::ClientToScreenPoint(form.Handle(), x, y);
    COLORREF seen = CLR_INVALID;
    tktest::WaitFor([&] { return (seen = tktest::ScreenPixel(p.x, p.y)) == expected; }, 3000);
    return seen;
  }
  std::string Folder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
  }

  MakerValues maker_;
  std::unique_ptr<TForm> other_ = [] {
    auto f = tktest::NewForm<TForm>();
    f->SetBounds(400, 100, 120, 80);
    return f;
  }();
  std::optional<int> opacity_active_, opacity_left_;
};

TEST_F(StyleFormTest, FadesUpWhenActiveAndDownWhenNot) {
  auto form = tktest::NewForm<Derived>();
  ShowActivateAndLeave(*form);
  EXPECT_EQ(form->opacity_at_show, 120) << "the derived form's OnShow runs after the base's";
  EXPECT_EQ(opacity_active_, 255);
  EXPECT_EQ(opacity_left_, 120);
  EXPECT_EQ(form->own_activations, 0) << "fading replaces the form's own activation handler";
}

TEST_F(StyleFormTest, FadingFollowsTheMakersValueOnlyWhenItIsANumber) {
  maker_.store.WriteInteger("fadeinout", 0);
  auto off = tktest::NewForm<Derived>();
  ShowActivateAndLeave(*off);
  EXPECT_EQ(off->opacity_at_show, std::nullopt);
  EXPECT_EQ(opacity_active_, std::nullopt) << "never layered";
  EXPECT_EQ(opacity_left_, std::nullopt);
  EXPECT_EQ(off->own_activations, 1) << "its own activation handler stays";
  other_->Hide();

  maker_.store.WriteString("fadeinout", "0");  // a text: ignored, fading stays on
  auto on = tktest::NewForm<Derived>();
  ShowActivateAndLeave(*on);
  EXPECT_EQ(on->opacity_at_show, 120);
  EXPECT_EQ(opacity_active_, 255);
}

TEST_F(StyleFormTest, TheBackgroundPictureIsTiledFromTheClientOrigin) {
  const std::string small = Folder() + "lumeview-tile.bmp";
  const std::string large = Folder() + "lumeview-large.bmp";
  // 16 x 16: red left half, blue right half; 300 x 300 likewise at 150.
  ASSERT_TRUE(test_pictures::WriteBmp(small, 16, 16, [](int x, int) { return x < 8 ? kRed : kBlue; }));
  ASSERT_TRUE(test_pictures::WriteBmp(large, 300, 300, [](int x, int) { return x < 150 ? kRed : kBlue; }));
  maker_.store.WriteInteger("fadeinout", 0);  // opaque, for reading the screen
  maker_.store.WriteInteger("background", 1);
  maker_.store.WriteString("backbitmap", small);
  tktest::ReportedErrors errors;
  {
    auto form = tktest::NewForm<Derived>();
    form->Show();
    UpdateWindow(form->Handle());
    for (int x : {2, 18, 34, 66}) EXPECT_EQ(PixelAt(*form, x, 5, RGB(255, 0, 0)), RGB(255, 0, 0)) << x;
    for (int x : {10, 26, 74}) EXPECT_EQ(PixelAt(*form, x, 30, RGB(0, 0, 255)), RGB(0, 0, 255)) << x;
  }
  maker_.store.WriteString("backbitmap", large);
  {
    auto form = tktest::NewForm<Derived>();
    form->Show();
    UpdateWindow(form->Handle());
    EXPECT_EQ(PixelAt(*form, 3, 3, RGB(255, 0, 0)), RGB(255, 0, 0)) << "the top-left tile of a larger picture";
    EXPECT_EQ(PixelAt(*form, 60, 25, RGB(255, 0, 0)), RGB(255, 0, 0));
  }
  // Each styled form reads the file again and leaves one picture for all.
  int pictures = 0;
  for (TComponent* c : Application->Components()) pictures += dynamic_cast<TBackgroundPicture*>(c) != nullptr;
  EXPECT_EQ(pictures, 1);
  ASSERT_NE(TBackgroundPicture::Current(), nullptr);
  EXPECT_EQ(TBackgroundPicture::Current()->Width(), 300);

  maker_.store.WriteString("backbitmap", Folder() + "lumeview-no-such-picture.bmp");
  {
    auto form = tktest::NewForm<Derived>();
    form->Show();
    UpdateWindow(form->Handle());
    EXPECT_TRUE(TBackgroundPicture::Current()->Empty());
    EXPECT_EQ(PixelAt(*form, 3, 3, GetSysColor(COLOR_BTNFACE)), GetSysColor(COLOR_BTNFACE)) << "no tiles";
  }
  EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
  DeleteFileA(small.c_str());
  DeleteFileA(large.c_str());
}

}  // namespace
