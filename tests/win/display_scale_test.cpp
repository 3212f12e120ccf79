// The forms at 96, 144 and 192 DPI: the test program starts itself once at each scale, and
// there the setup dialog, the about box and the magnifier are made and measured. Designs are
// given at 96 DPI: geometry and fonts grow by DPI / 96 (within a pixel of rounding), icons come
// from the icon's image of the size the DPI asks for, and the lens keeps its physical size.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "about/about_box.h"
#include "app/magnifier_state.h"
#include "app/zoom_form.h"
#include "desktop/rx_label.h"
#include "desktop/tray_icon.h"
#include "settings/program_setup.h"
#include "settings/setup_dialog.h"
#include "shared/display_scale.h"
#include "shared/start_process.h"
#include "support/test_registry_key.h"
#include "toolkit/std_controls.h"
#include "toolkit_test_support.h"

namespace {

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

constexpr char kScaleVariable[] = "LUMEVIEW_TEST_DPI";

// ---- The parent: one run of this program per scale ------------------------------------------

::testing::AssertionResult RunSelfAt(DWORD dpi) {
  ScopedLogPixels scale(dpi);
  if (!scale.Ok()) return ::testing::AssertionFailure() << "cannot set LogPixels";
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string command = std::string("\"") + exe + "\" --gtest_brief=1 --gtest_filter=AtScale.*";
  SetEnvironmentVariableA(kScaleVariable, std::to_string(dpi).c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started =
      StartProcess(nullptr, command.data(), TRUE, 0, nullptr, &startup, &process);
  SetEnvironmentVariableA(kScaleVariable, nullptr);
  if (!started) return ::testing::AssertionFailure() << "cannot start " << exe;
  DWORD code = 1;
  const bool ended = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!ended) return ::testing::AssertionFailure() << "the run at " << dpi << " DPI hung";
  if (code != 0) return ::testing::AssertionFailure() << "the run at " << dpi << " DPI failed";
  return ::testing::AssertionSuccess();
}

TEST(DisplayScale, FormsFollowTheDisplayScaleAt96And144And192Dpi) {
  for (DWORD dpi : {96, 144, 192}) EXPECT_TRUE(RunSelfAt(dpi));
}

// A form moved to a display of twice the scale (as the system tells it) doubles its controls
// and fonts and takes the rectangle proposed; the lens keeps its size and grows its text.
TEST(DisplayScale, MovedToADisplayOfAnotherScaleTheFormsFollowIt) {
  MagnifierState state;
  auto setup = tktest::NewForm<Tfrmzoomsetup>(state);
  HWND form = setup->Handle();
  const int dpi = WindowDpi(form), twice = 2 * dpi;
  RECT ok_before;
  GetWindowRect(setup->bok->Handle(), &ok_before);
  const LONG font_before = setup->bok->Font().Height();
  RECT proposed{40, 30, 40 + 2 * setup->Width(), 30 + 2 * setup->Height()};
  SendMessageA(form, WM_DPICHANGED, MAKEWPARAM(twice, twice), reinterpret_cast<LPARAM>(&proposed));
  RECT outer, ok_after;
  GetWindowRect(form, &outer);
  GetWindowRect(setup->bok->Handle(), &ok_after);
  EXPECT_TRUE(EqualRect(&proposed, &outer));
  EXPECT_NEAR(2 * (ok_before.right - ok_before.left), ok_after.right - ok_after.left, 1);
  EXPECT_NEAR(2 * (ok_before.bottom - ok_before.top), ok_after.bottom - ok_after.top, 1);
  EXPECT_EQ(2 * font_before, setup->bok->Font().Height());

  TestRegistryKey key;
  auto lens = tktest::NewForm<TfrmZoom>(state, key.Path());
  const int width = lens->Width(), label_font = lens->Label1->Font().Height();
  RECT elsewhere{0, 0, 10, 10};
  SendMessageA(lens->Handle(), WM_DPICHANGED, MAKEWPARAM(twice, twice),
               reinterpret_cast<LPARAM>(&elsewhere));
  EXPECT_EQ(width, lens->Width());
  EXPECT_EQ(2 * label_font, lens->Label1->Font().Height());
}

// ---- A run at one scale ---------------------------------------------------------------------

class AtScale : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* wanted = std::getenv(kScaleVariable);
    if (!wanted) GTEST_SKIP() << "runs in a process started at a set scale";
    dpi_ = std::atoi(wanted);
    ASSERT_EQ(dpi_, SystemDpi()) << "LogPixels did not reach this process";
  }

  int Scaled(int designPixels) const { return MulDiv(designPixels, dpi_, kDesignDpi); }

  // A rectangle of the design, grown to the scale: each edge within a pixel of rounding.
  void ExpectScaled(const RECT& design, const RECT& actual, const char* what) const {
    const LONG design_edges[] = {design.left, design.top, design.right, design.bottom};
    const LONG actual_edges[] = {actual.left, actual.top, actual.right, actual.bottom};
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(Scaled(design_edges[i]), actual_edges[i], 1) << what << ", edge " << i;
  }

  // A control's window in its form's client coordinates.
  static RECT InForm(HWND control, HWND form) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  static RECT Client(HWND wnd) {
    RECT r;
    GetClientRect(wnd, &r);
    return r;
  }

  // The height the font a native control draws with was asked for.
  static LONG FontHeightOf(HWND control) {
    LOGFONTA font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    return handle && GetObjectA(handle, sizeof font, &font) ? font.lfHeight : 0;
  }

  // The cell height of a font's characters as the screen draws them.
  static int TextHeight(HFONT font) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight;
  }

  int dpi_ = kDesignDpi;
};

TEST_F(AtScale, SetupDialogGrowsWithTheScale) {
  MagnifierState state;
  auto setup = tktest::NewForm<Tfrmzoomsetup>(state);
  HWND form = setup->Handle();
  EXPECT_EQ(dpi_, WindowDpi(form));
  ExpectScaled({0, 0, 280, 424}, Client(form), "client area");
  // The OK button on the bottom panel, the last shortcut editor, the zoom slider.
  ExpectScaled({116, 393, 191, 418}, InForm(setup->bok->Handle(), form), "OK");
  ExpectScaled({156, 356, 274, 377}, InForm(setup->hkfile->Handle(), form), "file editor");
  ExpectScaled({8, 27, 272, 57}, InForm(setup->szoom->Handle(), form), "zoom slider");
  EXPECT_EQ(Scaled(-11), FontHeightOf(setup->bok->Handle()));
  // The labels' text, drawn by the program itself, grows as well.
  TFont design;  // the labels' font as designed
  EXPECT_EQ(Scaled(design.Height()), setup->Label3->Font().Height());
  EXPECT_NEAR(Scaled(TextHeight(design.Handle())), TextHeight(setup->Label3->Font().Handle()), 2);
}

TEST_F(AtScale, AboutBoxGrowsWithTheScaleAndShowsTheLargeIconOfIt) {
  auto box = tktest::NewForm<TAboutBox>();
  HWND form = box->Handle();
  ExpectScaled({0, 0, 346, 221}, Client(form), "client area");
  ExpectScaled({261, 188, 336, 213}, InForm(box->OkBtn->Handle(), form), "OK");
  EXPECT_EQ(Scaled(-11), FontHeightOf(box->OkBtn->Handle()));
  EXPECT_EQ(Scaled(32), box->IconPaintBox->Width());
  EXPECT_EQ(Scaled(32), box->IconPaintBox->Height());
}

TEST_F(AtScale, LensKeepsItsPhysicalSizeWhileItsReadOutAndTrayIconFollowTheScale) {
  TestRegistryKey key;
  {
    TProgramSetup store(key.Path());
    for (const char* name : {"Left", "Top"}) store.WriteInteger(name, 100);
    for (const char* name : {"Width", "Height"}) store.WriteInteger(name, 150);
  }
  MagnifierState state;
  auto lens = tktest::NewForm<TfrmZoom>(state, key.Path());
  EXPECT_EQ(150, lens->Width());
  EXPECT_EQ(150, lens->Height());
  EXPECT_EQ(Scaled(-11), lens->Label1->Font().Height());
  EXPECT_EQ(Scaled(-16), lens->lInfo->Font().Height());
  EXPECT_EQ(Scaled(2), lens->lInfo->ShadowSize());

  // The tray icon is the icon's own image of the small-icon size at this scale.
  const int side = Scaled(16);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(lens->RxTrayIcon1->Icon().Handle(), &info));
  BITMAP colour{};
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(side, colour.bmWidth);
  EXPECT_EQ(side, colour.bmHeight);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC group = FindResourceA(module, "MAINICON", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(nullptr, group);
  auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
  const int id = LookupIconIdFromDirectoryEx(directory, TRUE, side, side, LR_DEFAULTCOLOR);
  HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
  ASSERT_NE(nullptr, image);
  auto* header = static_cast<BITMAPINFOHEADER*>(LockResource(LoadResource(module, image)));
  EXPECT_EQ(side, header->biWidth) << "the icon has no image of " << side << " pixels";
}

}  // namespace
