#pragma once
// The end-to-end driver: uses Lumeview.exe from outside, as a person at the desk would.
//
// It writes the program's settings into the registry, starts the program, finds its windows,
// puts a known pattern on the screen, moves the mouse, turns the wheel and presses keys with
// SendInput, reads the screen back, and computes the exact picture the lens must show.
//
// Typical use:
//
//   e2e::ClearSettings();
//   e2e::WriteSettings({.zoom = 6, .moveWindow = false, .left = 800, .top = 300});
//   e2e::PatternWindow pattern({0, 0, 640, 512});
//   e2e::LumeviewProcess lumeview;
//   ASSERT_TRUE(lumeview.Start());
//   e2e::MoveCursor(300, 250);
//   e2e::LensView view = e2e::ViewOf(lumeview.Lens(), {300, 250}, 6, /*fixedMode=*/true, false, true);
//   EXPECT_TRUE(e2e::WaitForPicture(view, pattern));
//   EXPECT_TRUE(lumeview.Close());
//
// Every wait is a poll with a deadline (kWait unless told otherwise); nothing sleeps blindly.
// The process is terminated when its LumeviewProcess goes, so a failing test leaves nothing
// running. All screen coordinates are those of the primary screen.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// The usual bound of a wait, in milliseconds. The machine may be loaded: be generous.
constexpr DWORD kWait = 5000;

// ---- Waiting ---------------------------------------------------------------------------------

// Calls `done` every few milliseconds until it returns true or `timeoutMs` has passed; returns
// its last result. Dispatches the calling thread's messages meanwhile.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kWait);

// ---- Settings in the registry ------------------------------------------------------------

// HKEY_CURRENT_USER\Software\Quorvant\Lumeview
inline constexpr char kSettingsKey[] = "Software\\Quorvant\\Lumeview";

// The names of the 18 stored values, in the program's load and save order.
const std::vector<std::string>& SettingNames();

// Removes the key with all its values (nothing happens when it is missing).
void ClearSettings();
void WriteDword(const char* name, DWORD value);
void WriteString(const char* name, const std::string& value);

struct StoredValue {
  DWORD type = REG_NONE;  // REG_DWORD or REG_SZ for the program's values
  DWORD number = 0;       // when REG_DWORD
  std::string text;       // when REG_SZ (without the final NUL)
  bool operator==(const StoredValue&) const = default;
};
// The value as stored, or nothing when the key or the value is missing.
std::optional<StoredValue> ReadSetting(const char* name);
// The names of all values in the key, in no particular order.
std::vector<std::string> StoredValueNames();

// Values 1 to 11 of the key. The shortcuts are not written (the program's defaults apply).
struct LensSettings {
  int zoom = 4;
  int transparency = 20;
  bool showCross = false;
  bool showBorders = true;
  bool moveWindow = true;  // follow mode
  bool alwaysTop = true;
  bool showMousePos = false;
  int left = 0;  // 0 keeps the design position
  int top = 0;
  int width = 150;
  int height = 150;
};
void WriteSettings(const LensSettings& settings);

// ---- The program ---------------------------------------------------------------------------

// Lumeview.exe as a Windows path, from the environment variable LUMEVIEW_EXE (a Unix path,
// reached through Wine's Z: drive, or already a Windows path).
std::string LumeviewPath();

// The first top-level window of process `pid` with this class and, unless null, this title.
HWND FindProcessWindow(DWORD pid, const char* className, const char* title = nullptr);

// True while some Lumeview is running (its hidden application window exists), e.g. one that a
// crashed test left behind: its hotkeys would take ours.
bool AnyLumeviewRunning();

// True when Wine's tray window (where tray icons live, at the screen's top-left) is shown.
bool TrayWindowShown();

class LumeviewProcess {
 public:
  LumeviewProcess() = default;
  ~LumeviewProcess();  // terminates the program if it still runs
  LumeviewProcess(const LumeviewProcess&) = delete;
  LumeviewProcess& operator=(const LumeviewProcess&) = delete;

  // Starts Lumeview.exe and waits until its lens window ("Zoom Tool") is visible and its first
  // capture ticks have run. Fails (with the reason) when another Lumeview is running, the
  // program cannot be started, or no lens appears in time.
  // `exe` names another copy of the program (a Windows path); empty: LumeviewPath().
  ::testing::AssertionResult Start(DWORD timeoutMs = kWait, const std::string& exe = "");

  HWND Lens() const { return lens_; }
  DWORD Id() const { return pid_; }
  bool Running() const;

  // Ends the program as "Exit" would (WM_CLOSE to the lens: the same Close) and waits for the
  // process to end with exit code 0.
  ::testing::AssertionResult Close(DWORD timeoutMs = kWait);
  // Alt+F4 on the hidden application window (WM_SYSCOMMAND SC_CLOSE to it): the program ends
  // with exit code 0 as by "Exit".
  ::testing::AssertionResult CloseApplicationWindow(DWORD timeoutMs = kWait);
  // Ends the session as Windows does at logoff: WM_QUERYENDSESSION to each top-level window of
  // the program (each must agree), then WM_ENDSESSION TRUE to each, then the process is ended
  // without another message.
  ::testing::AssertionResult EndSession(DWORD timeoutMs = kWait);
  bool WaitForExit(DWORD timeoutMs);
  // Last resort: TerminateProcess and wait.
  void Kill();

 private:
  // Posts `msg` to `target` and waits for a clean exit (code 0).
  ::testing::AssertionResult CloseBy(HWND target, UINT msg, WPARAM wp, DWORD timeoutMs);

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HWND lens_ = nullptr;
};

// ---- Windows ---------------------------------------------------------------------------------

RECT WindowRectOf(HWND wnd);
RECT ClientRectOnScreen(HWND wnd);
// The picture of the lens on the screen: its client area, less the 1-pixel border when
// "Show Borders" is on.
RECT PictureRect(HWND lens, bool borders);
// The constant alpha of a layered window (GetLayeredWindowAttributes with LWA_ALPHA), or
// nothing when the window is not layered or has no alpha set.
std::optional<BYTE> LayeredAlpha(HWND wnd);
DWORD ExStyleOf(HWND wnd);
DWORD StyleOf(HWND wnd);
std::string TitleOf(HWND wnd);
int Width(const RECT& r);
int Height(const RECT& r);
std::string Describe(const RECT& r);  // "(l,t)-(r,b) w x h"

// ---- The pattern -----------------------------------------------------------------------------

// The colour of the pattern at screen pixel (x, y), as 0x00RRGGBB: distinct for every pixel of a
// screen up to 4096 x 4096, and never the button-face grey or pure black/white away from (0,0).
uint32_t PatternColor(int x, int y);

// A window of the driver showing the pattern over `area` (screen coordinates), on top of
// other windows (topmost, not activated by being shown). It runs on its own thread, so it
// paints and counts clicks whatever the test thread does.
class PatternWindow {
 public:
  explicit PatternWindow(RECT area);
  ~PatternWindow();
  PatternWindow(const PatternWindow&) = delete;
  PatternWindow& operator=(const PatternWindow&) = delete;

  HWND Handle() const;
  RECT Area() const { return area_; }
  // Brings the window to the top of the topmost band again, above windows shown after it
  // (Wine's tray window, which a starting Lumeview brings up at the top-left corner).
  void Raise() const;
  // Left-button presses that reached the window.
  int Clicks() const;
  // Waits until the screen shows the pattern over the whole area.
  ::testing::AssertionResult WaitShown(DWORD timeoutMs = kWait) const;

  struct State;

 private:
  RECT area_;
  std::shared_ptr<State> state_;
};

// ---- Input (SendInput; it reaches Wine whatever the X focus is) ----------------------------

// Puts the pointer at (x, y) with an absolute move, and waits until GetCursorPos says so
// (SetCursorPos is tried when the move does not arrive). Fails, saying where the pointer is,
// when it never gets there.
[[nodiscard]] ::testing::AssertionResult MoveCursor(int x, int y);
// Presses the keys in order and releases them in reverse order, e.g. {VK_CONTROL, VK_MENU, 'Z'}.
void PressKeys(std::initializer_list<WORD> keys);
// Ctrl+Alt+key: the program's default hotkeys.
void PressCtrlAlt(WORD key);
// Turns the wheel by `notches` (positive: away from the user). Goes to the window under the
// pointer.
void TurnWheel(int notches);
// Left button down and up where the pointer is.
void Click();
// A left click where the pointer is, made by the X server itself (xdotool), as a physical
// mouse makes it. Under Wine a SendInput click is now and then handed to the desktop window
// instead of the window under the pointer; a click through X reaches the window under the
// pointer. False when xdotool could not be started; the click may come a moment after the
// return.
bool XServerClick();
// Left button down at `from`, moves in `steps` steps to `to`, button up there. With `arrived`,
// the hand rests on `to` before releasing: the button goes up once `arrived` holds (or after
// kWait), a pixel's wiggle at a time giving the window a fresh move to catch up with.
// A pointer that does not reach a point of the way is a test failure.
void Drag(POINT from, POINT to, int steps = 8, const std::function<bool()>& arrived = nullptr);

// ---- The screen ------------------------------------------------------------------------------

// Pixels as 0x00RRGGBB, rows top to bottom.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A copy of the screen's `area` (GetDC(0) and BitBlt into a 32-bit DIB).
Image CaptureScreen(const RECT& area);

// A 32-bit top-down DIB section selected into a memory context.
struct DibCanvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;

  DibCanvas(int w, int h);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  bool ok() const { return dc && bitmap && bits; }
  // Copies an image of the canvas's size in.
  void Fill(const Image& image);
  // The canvas's pixels as 0x00RRGGBB.
  Image ToImage() const;
};

// A topmost popup window of the driver over `area`, never activated, run by a thread of its
// own so that it paints and answers whatever the test thread does. `handler` answers the
// messages it wants (painting, clicks, timer ticks; a timer of `timerMs` runs when that is not
// 0); the window erases nothing and goes with its owner.
class ThreadWindow {
 public:
  using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;
  ThreadWindow(RECT area, std::string title, Handler handler, UINT timerMs = 0);
  ~ThreadWindow();
  ThreadWindow(const ThreadWindow&) = delete;
  ThreadWindow& operator=(const ThreadWindow&) = delete;

  HWND Handle() const { return wnd_; }

 private:
  static DWORD WINAPI Run(void* param);
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

  RECT area_;
  std::string title_;
  Handler handler_;
  UINT timer_ms_;
  std::atomic<HWND> wnd_{nullptr};
  HANDLE ready_ = nullptr;
  HANDLE thread_ = nullptr;
};

// 0x00RRGGBB of the system button-face colour (the lens's background).
uint32_t ButtonFaceColor();

// ---- The expected picture --------------------------------------------------------------------

// What one lens shows: the cursor it magnifies around, the picture's size, the zoom step, the
// window mode and the crosshair.
struct LensView {
  POINT cursor{};
  int width = 0;   // the picture (the client area less the border)
  int height = 0;
  int zoom = 4;
  bool fixedMode = true;
  bool cross = false;
  RECT onScreen{};  // where the picture is on the screen
};

// A view of `lens` as it is now on the screen.
LensView ViewOf(HWND lens, POINT cursor, int zoom, bool fixedMode, bool cross, bool borders);

// The half extent of a picture side at a zoom step: side / zoom rounded to nearest, ties to even.
int HalfExtent(int side, int zoom);

// The screen rectangle the lens copies: (x - rx, y - ry, x + rx, y + ry), in fixed mode shifted
// onto the primary screen (left, then top, then right, then bottom).
RECT SourceRect(const LensView& view);

// The exact picture: the source rectangle of the pattern enlarged to width x height by pixel
// replication (StretchBlt from a bitmap of the pattern in the default stretch mode, as the
// lens copies), with the black crosshair when `cross` is set. The source must lie in `patternArea`;
// otherwise the result is empty.
Image ExpectedPicture(const LensView& view, const RECT& patternArea);

// Compares `actual` with `expected` outside `ignore` (picture coordinates; empty = nothing
// ignored). Succeeds when every pixel is equal; otherwise says how many differ and where.
::testing::AssertionResult SamePicture(const Image& actual, const Image& expected,
                                       const RECT& ignore = RECT{});

// Waits until the picture on the screen equals the expected picture of `view` (outside
// `ignore`). On failure, says how the last reading differed (and, when the environment
// variable LUMEVIEW_E2E_DUMP names a folder, writes the expected and actual pictures and the
// screen there as .bmp files).
::testing::AssertionResult WaitForPicture(const LensView& view, const PatternWindow& pattern,
                                          DWORD timeoutMs = kWait, const RECT& ignore = RECT{});

// Waits until the picture differs from the expected one inside `region` while it is equal
// outside: something (the info overlay) is drawn over the exact picture there.
::testing::AssertionResult WaitForOverlay(const LensView& view, const PatternWindow& pattern,
                                          const RECT& region, DWORD timeoutMs = kWait);

// Writes an image as a 24-bit BMP file (for looking at a failure).
bool SaveImage(const Image& image, const std::string& path);

}  // namespace e2e
