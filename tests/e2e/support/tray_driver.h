#pragma once
// Driving the parts of Lumeview that live around the lens: the tray icon and its menu, the save
// dialog and the error report, the setup dialog's controls, and the clipboard; plus pictures
// judged from the screen itself (a changing window to tell a live picture from a frozen one,
// and the expected picture of any screen area). Builds on support/driver.h; the windows, tray
// and dialog parts are in tray_driver.cpp, the picture parts in tray_pictures.cpp.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/driver.h"

namespace tray_driver {

// ---- Waiting ------------------------------------------------------------------------------

// The bound for what the program does in answer to input (a hotkey, a click on the tray icon,
// a dialog coming or going): generous, since a loaded machine can stall Wine for seconds. A wait
// ends as soon as its condition holds, so the bound costs nothing when all is well.
constexpr DWORD kSlowWait = 15000;

// Polls for `durationMs` and returns false as soon as `holds` is false: a condition that must
// keep holding for a while (a frozen picture).
bool HoldsFor(const std::function<bool()>& holds, DWORD durationMs);

// ---- Input --------------------------------------------------------------------------------

// Button presses and releases at p (the pointer is put there first).
// A pointer that does not reach p is a test failure.
void RightClick(POINT p);
void LeftClickAt(POINT p);
void LeftDoubleClick(POINT p);
void LeftDown(POINT p);
void LeftUp(POINT p);
// Waits until the foreground window and its focus have stayed the same for `quietMs`.
//
// Wine re-reads the X keyboard when one of its windows gets the X focus and releases the
// modifier keys that X does not hold, and keys sent with SendInput are never held on the X
// side: a focus change that lands between Ctrl down and the key turns a hotkey into a plain
// key. So keys are sent only once the focus has come to rest after a window came or went.
[[nodiscard]] bool WaitForSettledFocus(DWORD quietMs = 300, DWORD timeoutMs = kSlowWait);
// Ctrl+Alt+key once the focus has come to rest: the program's default hotkeys. A focus that
// does not come to rest is a test failure (the keys are sent all the same).
void PressHotkey(WORD key);
// Types text as characters (KEYEVENTF_UNICODE), whatever the keyboard layout.
void TypeText(const std::string& text);

// ---- Windows of a process -----------------------------------------------------------------

std::string ClassOf(HWND wnd);
// WM_GETTEXT, so it works across processes for controls too.
std::string TextOf(HWND wnd);
POINT CenterOf(HWND wnd);

// Visible top-level windows of process `pid` with the class (and caption, when not null).
std::vector<HWND> TopWindowsOf(DWORD pid, const char* className, const char* caption = nullptr);
// Waits for the first such window; null when none came.
HWND WaitForTopWindow(DWORD pid, const char* className, const char* caption,
                      DWORD timeoutMs = kSlowWait);
// Waits until no such window is visible any more.
bool WaitForNoTopWindow(DWORD pid, const char* className, const char* caption,
                        DWORD timeoutMs = kSlowWait);

// For failure messages: the visible top-level windows of `pid` of that class, with their
// captions and texts, e.g. " [#32770 \"Lumeview\": Cannot create file ...]".
std::string DescribeTopWindows(DWORD pid, const char* className);

// All descendants of `parent` in enumeration order.
std::vector<HWND> Descendants(HWND parent);
// The first descendant with the class and (when not null) the text.
HWND FindDescendant(HWND parent, const char* className, const char* text = nullptr);

// The window that has the keyboard focus in the thread that owns `wnd` (GetGUIThreadInfo).
HWND FocusOfThreadOwning(HWND wnd);
// Brings `wnd` to the foreground and waits until it is there.
[[nodiscard]] bool MakeForeground(HWND wnd, DWORD timeoutMs = kSlowWait);
// Brings a dialog to the foreground, waits until one of its controls has the focus (it is
// ready for keys), then presses the key.
::testing::AssertionResult PressInDialog(HWND dialog, WORD key);

// For failure messages: the keys the system holds down among the modifiers and the
// foreground window, e.g. " keys down: Ctrl; foreground: LumeviewWindow \"Zoom Tool\"".
std::string InputState();
// Whether some program holds the system-wide hotkey (this one registers it for a moment to see).
bool HotkeyTaken(UINT modifiers, UINT vk);

// Another program's window where the user is typing: a top-level edit control of the driver's
// thread (the test's waits keep it answering), away from where the tests put the lens.
class TypingWindow {
 public:
  TypingWindow();
  ~TypingWindow();
  TypingWindow(const TypingWindow&) = delete;
  TypingWindow& operator=(const TypingWindow&) = delete;
  HWND Handle() const { return wnd_; }
  // Brings it to the front with the keyboard focus in it; true once it is there.
  bool TakeFocus();
  // True while it is the foreground window and has the keyboard focus.
  bool HasFocus() const;

 private:
  HWND wnd_ = nullptr;
};

// ---- Tray icon ----------------------------------------------------------------------------

// Wine's own tray window (class "__winex11_standalone_tray") while it is shown, else null.
HWND TrayWindow();
// How many icon cells of the tray window, from the left, up to the last one that shows an
// icon (the window keeps room for several; an empty cell is one flat colour).
int TrayIconCount();
// The centre of icon `index` (from 0): the client origin + (20 * index + 10, 10).
std::optional<POINT> TrayIconPoint(int index);
// The centre of the last icon added: the newest program's icon.
std::optional<POINT> NewestTrayIconPoint();

// Clicks on the tray icon. The system turns a second click at the same place within the
// double-click time into a double click, so each click waits until that time has passed since
// the one before, as a user's separate clicks would.
class TrayIconInput {
 public:
  explicit TrayIconInput(POINT icon) : icon_(icon) {}
  POINT Point() const { return icon_; }
  void RightClick();
  void DoubleClick();
  void Press();
  void Release();

 private:
  void Separate();
  POINT icon_;
  ULONGLONG last_ = 0;
};

// ---- Popup menus --------------------------------------------------------------------------

struct MenuLine {
  std::string text;  // "-" for a separator
  bool checked = false;
};

// A popup menu with the given lines, shown by this process with the same TrackPopupMenu call at
// the same point: where each line sits and what the menu looks like. The items of another
// process's menu cannot be asked for, so the program's menu is compared with this one pixel by
// pixel, and its lines are clicked at the same offsets.
struct ReferenceMenu {
  RECT window{};            // screen rectangle of the menu window
  std::vector<RECT> lines;  // per line, relative to the window's top-left corner
  e2e::Image look;          // the menu window as it read back
};
std::optional<ReferenceMenu> ShowReferenceMenu(const std::vector<MenuLine>& lines, POINT at);

// The visible popup menu window ("#32768") of process `pid`.
HWND WaitForMenuWindow(DWORD pid, DWORD timeoutMs = kSlowWait);
// Waits until the menu window of `pid` reads back exactly as `reference`. Wine may stack its
// tray window over the menu on the X side when the click on the icon raises the tray late; the
// menu window is then raised again so the whole menu can be seen.
::testing::AssertionResult WaitForMenuLook(DWORD pid, const ReferenceMenu& reference,
                                           DWORD timeoutMs = kSlowWait);
// Clicks line `index` of the menu window at the reference's offsets.
void ClickMenuLine(HWND menu, const ReferenceMenu& reference, size_t index);

// ---- Dialogs ------------------------------------------------------------------------------

// The file-name box of a save-file dialog.
HWND FileNameBox(HWND dialog);
// The save dialog's preview button: the one push button on a panel of the program's own.
HWND PreviewButtonOf(HWND dialog);
// Alt+N, Ctrl+A, the name, Return: as a user types a name into a save dialog. False when the
// box did not take the focus or the text.
::testing::AssertionResult EnterFileName(HWND dialog, const std::string& name);

// Where the program puts its save dialog on `monitor`: centred across, a third of the free
// height above. Says where it is instead when it is elsewhere.
::testing::AssertionResult PlacedOn(HWND dialog, const RECT& monitor);
// The centre, on the screen, of the item named `name` in a list view of another process (the
// save dialog's file list); nothing when there is no such item.
std::optional<POINT> ListItemCenter(HWND list, const std::string& name);

// The system's text for an error code as the program reports it: without trailing spaces,
// control characters and periods.
std::string ReasonText(DWORD code);

// The text of a message box (its static text).
std::string MessageBoxText(HWND box);
// Clicks the button with this caption inside `dialog`; false when there is none.
bool ClickButton(HWND dialog, const char* caption);

// The controls of the setup dialog "Zoom Setup", found by class, caption and position.
struct SetupControls {
  HWND dialog = nullptr;
  HWND zoom = nullptr;          // track bar 2..50
  HWND transparency = nullptr;  // track bar 1..100
  HWND moveWindow = nullptr;    // "Move Window to Mouse"
  HWND showCross = nullptr;     // "Show Crosshair"
  HWND showBorder = nullptr;    // "Show Border"
  HWND stayOnTop = nullptr;     // "Always Stay On Top"
  HWND showPosition = nullptr;  // "Show Mouse Position"
  // The seven hot-key editors top to bottom: Dialog, ShowHide, Zoom, Size, Transparent,
  // Clipboard, SaveFile.
  std::vector<HWND> hotkeys;
  HWND ok = nullptr;
  HWND cancel = nullptr;

  // Names what is missing, or succeeds.
  ::testing::AssertionResult Complete() const;
};
SetupControls FindSetupControls(HWND dialog);

int TrackBarPosition(HWND trackbar);
bool IsChecked(HWND checkbox);
// The hot-key editor's value: virtual key in the low byte, HOTKEYF_* in the high byte.
WORD HotKeyValue(HWND editor);

// ---- Clipboard ----------------------------------------------------------------------------

// The clipboard's bitmap read as CF_DIB (the system converts a CF_BITMAP), or nothing.
std::optional<e2e::Image> ReadClipboardPicture();
// Waits, without opening the clipboard (a program that finds it open reports an error), until
// it offers a bitmap and nobody holds it open; then reads the bitmap.
std::optional<e2e::Image> WaitForClipboardPicture(DWORD timeoutMs = kSlowWait);
// The formats the clipboard holds now.
std::vector<UINT> ClipboardFormats();
// Empties the clipboard.
bool EmptyTheClipboard();

// ---- Files --------------------------------------------------------------------------------

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);
// Waits until `path` holds a whole bitmap file (as long as its header says) and returns it: a
// new file is written in place, so it can be seen before the save is over.
std::optional<std::vector<uint8_t>> WaitForWholeBitmapFile(const std::string& path,
                                                           DWORD timeoutMs = kSlowWait);
bool PathExists(const std::string& path);
// The pixels of a saved bitmap file, checked against the program's layout; nothing when the
// bytes are not such a file.
std::optional<e2e::Image> PictureOfBitmapFile(const std::vector<uint8_t>& bytes);

// A new empty folder below the temporary folder; removed with its files by the destructor.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }  // full path with a trailing backslash
  std::vector<std::string> FileNames() const;

 private:
  std::string path_;
};

// ---- Pictures judged from the screen ------------------------------------------------------

// The exact picture of `view` made from what the screen shows now in its source rectangle
// (read back, then enlarged by GDI's pixel replication), for areas that are not the pattern.
e2e::Image ExpectedFromScreen(const e2e::LensView& view);

// Draws `text` into `picture` as the lens draws its info overlay over the picture: bold Tahoma
// of height -16 in the window-text colour over a button-highlight shadow 2 pixels to the lower
// right, its label at (3, 3) of the window's client area. `clientOrigin` is where the client
// area's (0, 0) lies in `picture`: (-1, -1) when the picture is inset by the border.
void DrawInfoOverlay(e2e::Image& picture, const std::string& text, POINT clientOrigin);

// A window of the driver over `area` whose colour changes every few milliseconds (its own
// thread): a lens that magnifies it shows a changing picture while it is live, and a still one
// while it is frozen.
class Ticker {
 public:
  explicit Ticker(RECT area);
  ~Ticker();
  Ticker(const Ticker&) = delete;
  Ticker& operator=(const Ticker&) = delete;

  HWND Handle() const;
  // Colour changes painted so far.
  int Changes() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// Counts how often the screen area changes in `durationMs` (readings that differ from the one
// before).
int ChangesSeen(const RECT& area, DWORD durationMs);

}  // namespace tray_driver
