// On a display with two monitors side by side, the fixed-mode lens keeps its source on the
// monitor that holds the cursor: near the inner edge of the right monitor it shows that
// monitor's edge, not the left monitor's.

#include <windows.h>

#include <gtest/gtest.h>

#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;

struct Monitors {
  std::vector<RECT> rects;
  static BOOL CALLBACK Add(HMONITOR, HDC, LPRECT r, LPARAM lp) {
    reinterpret_cast<Monitors*>(lp)->rects.push_back(*r);
    return TRUE;
  }
};

TEST(SecondMonitor, TheSourceIsShiftedOntoTheMonitorHoldingTheCursor) {
  Monitors monitors;
  EnumDisplayMonitors(nullptr, nullptr, &Monitors::Add, reinterpret_cast<LPARAM>(&monitors));
  ASSERT_EQ(monitors.rects.size(), 2u) << "this test needs two monitors side by side";
  const int edge = GetSystemMetrics(SM_CXSCREEN);  // the right monitor's left edge
  ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2 * edge);

  ClearSettings();
  WriteSettings({.zoom = 4, .moveWindow = false, .left = 200, .top = 200, .width = 220, .height = 200});
  PatternWindow pattern({edge - 300, 300, edge + 300, 700});
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start());

  LensView view = ViewOf(lumeview.Lens(), {0, 0}, 4, /*fixedMode=*/false, false, true);
  const int rx = HalfExtent(view.width, 4);
  // Just right of the inner edge: the unshifted source would reach 10 pixels into the left
  // monitor. Kept on the cursor's monitor, it starts exactly at the edge, which is what an
  // unshifted source around (edge + rx, y) shows.
  ASSERT_TRUE(MoveCursor(edge + rx - 10, 500));
  view.cursor = POINT{edge + rx, 500};
  EXPECT_TRUE(WaitForPicture(view, pattern));

  // On the left monitor, near the same edge, the source ends at the edge.
  ASSERT_TRUE(MoveCursor(edge - rx + 10, 500));
  view.cursor = POINT{edge - rx, 500};
  EXPECT_TRUE(WaitForPicture(view, pattern));

  EXPECT_TRUE(lumeview.Close());
}

// The save dialog opens on the monitor of the program's window: with the lens on the right
// monitor, centred across that one, a third of its free height above.
TEST(SecondMonitor, TheSaveDialogOpensOnTheLenssMonitor) {
  const int edge = GetSystemMetrics(SM_CXSCREEN);
  ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2 * edge) << "this test needs two monitors";
  ClearSettings();
  WriteSettings({.moveWindow = false, .left = edge + 300, .top = 200});
  LumeviewProcess lumeview;
  ASSERT_TRUE(lumeview.Start(tray_driver::kSlowWait));
  tray_driver::PressHotkey('F');
  HWND dialog = tray_driver::WaitForTopWindow(lumeview.Id(), "#32770", nullptr);
  ASSERT_NE(nullptr, dialog) << "no save dialog;" << tray_driver::InputState();
  const RECT right{edge, 0, 2 * edge, GetSystemMetrics(SM_CYSCREEN)};
  EXPECT_TRUE(WaitFor([&] { return tray_driver::PlacedOn(dialog, right); }))
      << tray_driver::PlacedOn(dialog, right).message() << "; the lens is at "
      << Describe(WindowRectOf(lumeview.Lens()));
  ASSERT_TRUE(tray_driver::PressInDialog(dialog, VK_ESCAPE));
  ASSERT_TRUE(tray_driver::WaitForNoTopWindow(lumeview.Id(), "#32770", nullptr));
  EXPECT_TRUE(lumeview.Close(tray_driver::kSlowWait));
  ClearSettings();
}

}  // namespace
