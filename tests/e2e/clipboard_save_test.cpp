// The picture handed out: Ctrl+Alt+C puts the lens picture on the clipboard, Ctrl+Alt+F saves it
// through the save dialog as a Windows bitmap file. Both hold exactly the enlargement (with the
// crosshair when it is on) and never the coordinates label drawn over the window; failures are
// reported in a message box and leave things as they were. The lens is in fixed mode, away from
// the driver's pattern that it magnifies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;

constexpr RECT kPatternArea{0, 0, 640, 560};
constexpr POINT kFirst{300, 260};
constexpr POINT kSecond{200, 330};
constexpr POINT kThird{420, 180};
constexpr POINT kFourth{150, 150};
constexpr POINT kFifth{330, 420};
// The coordinates label in the picture's top-left corner (generously).
constexpr RECT kLabelRegion{0, 0, 110, 22};

class PictureOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    // The lens sits right of the pattern, with the coordinates label shown.
    WriteSettings({.zoom = 4,
                   .showCross = true,
                   .moveWindow = false,
                   .showMousePos = true,
                   .left = 1110,  // clear of the save dialog, which opens mid-screen
                   .top = 100,
                   .width = 150,
                   .height = 150});
  }
  void TearDown() override { ClearSettings(); }

  LensView ViewAt(HWND lens, POINT cursor) const {
    return ViewOf(lens, cursor, 4, /*fixedMode=*/true, /*cross=*/true, /*borders=*/true);
  }
};

bool HasFormat(UINT format) {
  for (UINT f : tray_driver::ClipboardFormats())
    if (f == format) return true;
  return false;
}

// Closes the error report with a key on its focused OK button: Return, which the dialog's
// keyboard handling turns into OK, or Space, which the button takes itself.
::testing::AssertionResult DismissWith(DWORD pid, HWND report, WORD key) {
  ::testing::AssertionResult pressed = tray_driver::PressInDialog(report, key);
  if (!pressed) return pressed;
  if (tray_driver::WaitForNoTopWindow(pid, "#32770", nullptr)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "the report stays after " << (key == VK_RETURN ? "Return" : "Space")
         << " (the key went past the dialog's keyboard handling):"
         << tray_driver::DescribeTopWindows(pid, "#32770");
}

TEST_F(PictureOutput, CopyPutsThePictureWithoutTheLabelOnTheClipboard) {
  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());
  ASSERT_TRUE(MoveCursor(kFirst.x, kFirst.y));
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait));

  LensView view = ViewAt(lumeview.Lens(), kFirst);
  ASSERT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion));
  // The coordinates label is drawn over the window...
  ASSERT_TRUE(WaitForOverlay(view, pattern, kLabelRegion, kSlowWait));

  // ...but the copy is the bare enlargement with its crosshair.
  ASSERT_TRUE(tray_driver::EmptyTheClipboard());
  tray_driver::PressHotkey('C');
  std::optional<Image> copied;
  ASSERT_TRUE((copied = tray_driver::WaitForClipboardPicture()).has_value())
      << "no bitmap on the clipboard;" << tray_driver::InputState();
  EXPECT_TRUE(SamePicture(*copied, ExpectedPicture(view, pattern.Area())));
  EXPECT_TRUE(HasFormat(CF_BITMAP));
  EXPECT_FALSE(HasFormat(CF_PALETTE)) << "a palette on a true-colour display";

  // The picture goes on with the cursor, and the next copy holds the new picture.
  ASSERT_TRUE(MoveCursor(kSecond.x, kSecond.y));
  view.cursor = kSecond;
  ASSERT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion));
  ASSERT_TRUE(tray_driver::EmptyTheClipboard());
  tray_driver::PressHotkey('C');
  ASSERT_TRUE((copied = tray_driver::WaitForClipboardPicture()).has_value())
      << "no bitmap on the clipboard after the second copy";
  const Image second = ExpectedPicture(view, pattern.Area());
  EXPECT_TRUE(SamePicture(*copied, second));
  EXPECT_EQ(" none", tray_driver::DescribeTopWindows(lumeview.Id(), "#32770"))
      << "a copy reported an error";

  // While another program holds the clipboard open, a copy is reported as "Cannot open
  // clipboard." and the clipboard keeps what it had.
  ASSERT_TRUE(MoveCursor(kThird.x, kThird.y));
  view.cursor = kThird;
  ASSERT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion));
  ASSERT_TRUE(OpenClipboard(nullptr));
  tray_driver::PressHotkey('C');
  HWND report = tray_driver::WaitForTopWindow(lumeview.Id(), "#32770", "Lumeview");
  CloseClipboard();
  ASSERT_NE(nullptr, report) << "no error report;" << tray_driver::InputState();
  EXPECT_EQ("Cannot open clipboard.", tray_driver::MessageBoxText(report));
  EXPECT_TRUE(DismissWith(lumeview.Id(), report, VK_RETURN));
  copied = tray_driver::ReadClipboardPicture();
  ASSERT_TRUE(copied.has_value()) << "the clipboard lost its bitmap";
  EXPECT_TRUE(SamePicture(*copied, second)) << "the clipboard changed";

  EXPECT_TRUE(lumeview.Close());
}

TEST_F(PictureOutput, SaveWritesTheFrozenPictureAsABitmapFileUnderTheTypedName) {
  PatternWindow pattern(kPatternArea);
  ASSERT_TRUE(pattern.WaitShown());
  ASSERT_TRUE(MoveCursor(kFirst.x, kFirst.y));
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(kSlowWait));
  const DWORD pid = lumeview.Id();
  tray_driver::ScratchFolder folder;
  ASSERT_TRUE(tray_driver::PathExists(folder.Path())) << folder.Path();

  LensView view = ViewAt(lumeview.Lens(), kFirst);
  ASSERT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion));
  const Image first = ExpectedPicture(view, pattern.Area());

  // Ctrl+Alt+F opens the save dialog with an empty name; the picture stands still meanwhile,
  // however the cursor moves.
  tray_driver::PressHotkey('F');
  HWND dialog = tray_driver::WaitForTopWindow(pid, "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog;" << tray_driver::InputState();
  ASSERT_NE(nullptr, tray_driver::FileNameBox(dialog));
  EXPECT_EQ("", tray_driver::TextOf(tray_driver::FileNameBox(dialog)));
  ASSERT_TRUE(MoveCursor(kSecond.x, kSecond.y));
  EXPECT_TRUE(tray_driver::HoldsFor(
      [&] { return SamePicture(CaptureScreen(view.onScreen), first, kLabelRegion); }, 600))
      << "the picture moved while the save dialog was open";

  // A name without an extension is used as typed; the file is a bitmap of the picture that the
  // lens showed when the hotkey came, without the coordinates label.
  const std::string plain = folder.Path() + "picture";
  ASSERT_TRUE(tray_driver::EnterFileName(dialog, plain));
  ASSERT_TRUE(tray_driver::WaitForNoTopWindow(pid, "#32770", nullptr)) << "the dialog stays open";
  {
    const auto bytes = tray_driver::WaitForWholeBitmapFile(plain);
    EXPECT_EQ((std::vector<std::string>{"picture"}), folder.FileNames());
    ASSERT_TRUE(bytes && bytes->size() > 54);
    EXPECT_EQ('B', (*bytes)[0]);
    EXPECT_EQ('M', (*bytes)[1]);
    const auto saved = tray_driver::PictureOfBitmapFile(*bytes);
    ASSERT_TRUE(saved.has_value()) << "not a bitmap file of the program's layout";
    EXPECT_EQ(view.width, saved->width);
    EXPECT_EQ(view.height, saved->height);
    EXPECT_TRUE(SamePicture(*saved, first));
  }

  // The picture moves on once the dialog has gone.
  view.cursor = kSecond;
  EXPECT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion));
  const Image second = ExpectedPicture(view, pattern.Area());

  // The second run offers the name chosen before. Given a full path, the system's dialog opens
  // in its folder and shows the name there (Windows and Wine alike), so a bare name typed now
  // lands in the same folder. A name ending in .jpg still receives a bitmap file.
  tray_driver::PressHotkey('F');
  dialog = tray_driver::WaitForTopWindow(pid, "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog the second time;" << tray_driver::InputState();
  std::string offered;
  EXPECT_TRUE(WaitFor(
      [&] {
        offered = tray_driver::TextOf(tray_driver::FileNameBox(dialog));
        return offered == plain || offered == "picture";
      },
      kSlowWait))
      << "the file-name box reads \"" << offered << "\", not the earlier " << plain;
  const std::string jpg = folder.Path() + "shot.jpg";
  ASSERT_TRUE(tray_driver::EnterFileName(dialog, "shot.jpg"));
  ASSERT_TRUE(tray_driver::WaitForNoTopWindow(pid, "#32770", nullptr));
  {
    const auto bytes = tray_driver::WaitForWholeBitmapFile(jpg);
    ASSERT_TRUE(bytes && bytes->size() > 2);
    EXPECT_EQ('B', (*bytes)[0]);
    EXPECT_EQ('M', (*bytes)[1]);
    const auto saved = tray_driver::PictureOfBitmapFile(*bytes);
    ASSERT_TRUE(saved.has_value());
    EXPECT_TRUE(SamePicture(*saved, second));
  }

  // Cancelling writes nothing and lets the picture move on.
  tray_driver::PressHotkey('F');
  dialog = tray_driver::WaitForTopWindow(pid, "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog the third time;" << tray_driver::InputState();
  ASSERT_TRUE(MoveCursor(kThird.x, kThird.y));
  ASSERT_TRUE(tray_driver::PressInDialog(dialog, VK_ESCAPE));
  ASSERT_TRUE(tray_driver::WaitForNoTopWindow(pid, "#32770", nullptr))
      << "Esc left the dialog open";
  view.cursor = kThird;
  EXPECT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion));
  EXPECT_EQ((std::vector<std::string>{"picture", "shot.jpg"}), folder.FileNames());
  const Image third = ExpectedPicture(view, pattern.Area());

  // Saving over an existing file replaces it without a question.
  tray_driver::PressHotkey('F');
  dialog = tray_driver::WaitForTopWindow(pid, "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog the fourth time;" << tray_driver::InputState();
  ASSERT_TRUE(tray_driver::EnterFileName(dialog, plain));
  ASSERT_TRUE(tray_driver::WaitForNoTopWindow(pid, "#32770", nullptr));
  // The file is read once the save is over, which the picture moving on again shows (the
  // program replaces the file, which a reader holding it open could prevent).
  ASSERT_TRUE(MoveCursor(kFourth.x, kFourth.y));
  view.cursor = kFourth;
  EXPECT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion));
  EXPECT_EQ(" none", tray_driver::DescribeTopWindows(pid, "#32770")) << "an error was reported";
  {
    const auto bytes = tray_driver::ReadWholeFile(plain);
    ASSERT_TRUE(bytes.has_value());
    const auto replaced = tray_driver::PictureOfBitmapFile(*bytes);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_TRUE(SamePicture(*replaced, third)) << "the file does not hold the new picture";
  }
  EXPECT_EQ((std::vector<std::string>{"picture", "shot.jpg"}), folder.FileNames());

  // A folder that does not exist: the error report names the full path and the system's
  // reason, and nothing is written.
  const std::string missingFolder = folder.Path() + "missing";
  const std::string unwritable = missingFolder + "\\picture.bmp";
  tray_driver::PressHotkey('F');
  dialog = tray_driver::WaitForTopWindow(pid, "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog the fifth time;" << tray_driver::InputState();
  ASSERT_TRUE(tray_driver::EnterFileName(dialog, unwritable));
  HWND report = tray_driver::WaitForTopWindow(pid, "#32770", "Lumeview");
  ASSERT_NE(nullptr, report) << "no error report;" << tray_driver::InputState();
  HANDLE probe = CreateFileA(unwritable.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD code = GetLastError();
  ASSERT_EQ(INVALID_HANDLE_VALUE, probe);
  EXPECT_EQ("Cannot create file \"" + unwritable + "\". " + tray_driver::ReasonText(code) + ".",
            tray_driver::MessageBoxText(report));
  EXPECT_TRUE(DismissWith(pid, report, VK_SPACE));
  EXPECT_FALSE(tray_driver::PathExists(missingFolder));
  EXPECT_EQ((std::vector<std::string>{"picture", "shot.jpg"}), folder.FileNames());
  ASSERT_TRUE(MoveCursor(kFifth.x, kFifth.y));
  view.cursor = kFifth;
  EXPECT_TRUE(WaitForPicture(view, pattern, kSlowWait, kLabelRegion)) << "frozen after the failure";

  EXPECT_TRUE(lumeview.Close());
}

}  // namespace
