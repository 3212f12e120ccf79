#include "support/tray_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace tray_driver {

using e2e::Image;
using e2e::WaitFor;

namespace {

void SendMouse(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(INPUT));
}

struct TopWindowQuery {
  DWORD pid;
  const char* className;
  const char* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND wnd, LPARAM lp) {
  auto* q = reinterpret_cast<TopWindowQuery*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != q->pid || !IsWindowVisible(wnd)) return TRUE;
  if (q->className && ClassOf(wnd) != q->className) return TRUE;
  if (q->caption && e2e::TitleOf(wnd) != q->caption) return TRUE;
  q->found.push_back(wnd);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND wnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(wnd);
  return TRUE;
}

bool SameClass(HWND wnd, const char* className) {
  return _stricmp(ClassOf(wnd).c_str(), className) == 0;
}

}  // namespace

// ---- Waiting ------------------------------------------------------------------------------

bool HoldsFor(const std::function<bool()>& holds, DWORD durationMs) {
  const ULONGLONG end = GetTickCount64() + durationMs;
  while (GetTickCount64() < end) {
    if (!holds()) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return holds();
}

// ---- Input --------------------------------------------------------------------------------

void RightClick(POINT p) {
  EXPECT_TRUE(e2e::MoveCursor(p.x, p.y));
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
}

void LeftClickAt(POINT p) {
  EXPECT_TRUE(e2e::MoveCursor(p.x, p.y));
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
}

void LeftDoubleClick(POINT p) {
  EXPECT_TRUE(e2e::MoveCursor(p.x, p.y));
  INPUT in[4] = {};
  const DWORD flags[4] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN,
                          MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 4; ++i) {
    in[i].type = INPUT_MOUSE;
    in[i].mi.dwFlags = flags[i];
  }
  SendInput(4, in, sizeof(INPUT));
}

void LeftDown(POINT p) {
  EXPECT_TRUE(e2e::MoveCursor(p.x, p.y));
  SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void LeftUp(POINT p) {
  EXPECT_TRUE(e2e::MoveCursor(p.x, p.y));
  SendMouse(MOUSEEVENTF_LEFTUP);
}

bool WaitForSettledFocus(DWORD quietMs, DWORD timeoutMs) {
  auto focusNow = [] {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(0, &info);  // the foreground thread
    return std::make_pair(GetForegroundWindow(), info.hwndFocus);
  };
  auto last = focusNow();
  ULONGLONG since = GetTickCount64();
  return WaitFor(
      [&] {
        const auto now = focusNow();
        if (now != last) {
          last = now;
          since = GetTickCount64();
        }
        return GetTickCount64() - since >= quietMs;
      },
      timeoutMs);
}

void PressHotkey(WORD key) {
  EXPECT_TRUE(WaitForSettledFocus()) << "the focus did not come to rest before Ctrl+Alt+" << static_cast<char>(key)
                                     << ";" << InputState();
  e2e::PressCtrlAlt(key);
}

void TypeText(const std::string& text) {
  std::vector<INPUT> inputs;
  for (unsigned char c : text) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = c;
    in.ki.dwFlags = KEYEVENTF_UNICODE;
    inputs.push_back(in);
    in.ki.dwFlags |= KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// ---- Windows of a process -----------------------------------------------------------------

std::string ClassOf(HWND wnd) {
  char name[256] = {};
  GetClassNameA(wnd, name, sizeof name);
  return name;
}

std::string TextOf(HWND wnd) {
  char text[1024] = {};
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 2000, &got))
    return {};
  return text;
}

POINT CenterOf(HWND wnd) {
  const RECT r = e2e::WindowRectOf(wnd);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::vector<HWND> TopWindowsOf(DWORD pid, const char* className, const char* caption) {
  TopWindowQuery q{pid, className, caption, {}};
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

HWND WaitForTopWindow(DWORD pid, const char* className, const char* caption, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        const auto all = TopWindowsOf(pid, className, caption);
        found = all.empty() ? nullptr : all.front();
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

bool WaitForNoTopWindow(DWORD pid, const char* className, const char* caption, DWORD timeoutMs) {
  return WaitFor([&] { return TopWindowsOf(pid, className, caption).empty(); }, timeoutMs);
}

std::string DescribeTopWindows(DWORD pid, const char* className) {
  std::string all;
  for (HWND wnd : TopWindowsOf(pid, className)) {
    all += " [" + ClassOf(wnd) + " \"" + e2e::TitleOf(wnd) + "\"";
    const std::string text = MessageBoxText(wnd);
    if (!text.empty()) all += ": " + text;
    HWND focus = FocusOfThreadOwning(wnd);
    if (focus) all += " (focus: " + ClassOf(focus) + " \"" + TextOf(focus) + "\")";
    all += "]";
  }
  return all.empty() ? " none" : all;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND FindDescendant(HWND parent, const char* className, const char* text) {
  for (HWND child : Descendants(parent)) {
    if (!SameClass(child, className)) continue;
    if (text && TextOf(child) != text) continue;
    return child;
  }
  return nullptr;
}

HWND FocusOfThreadOwning(HWND wnd) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(wnd, nullptr);
  if (!thread || !GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

TypingWindow::TypingWindow()
    : wnd_(CreateWindowExA(0, "EDIT", "typing", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 60, 700,
                           400, 90, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)) {}

TypingWindow::~TypingWindow() {
  if (wnd_) DestroyWindow(wnd_);
}

bool TypingWindow::TakeFocus() {
  return wnd_ && MakeForeground(wnd_) && WaitFor([&] {
           SetFocus(wnd_);
           return HasFocus();
         }) && WaitForSettledFocus();
}

bool TypingWindow::HasFocus() const {
  return wnd_ && GetForegroundWindow() == wnd_ && FocusOfThreadOwning(wnd_) == wnd_;
}

bool MakeForeground(HWND wnd, DWORD timeoutMs) {
  return WaitFor(
      [&] {
        if (GetForegroundWindow() == wnd) return true;
        SetForegroundWindow(wnd);
        return GetForegroundWindow() == wnd;
      },
      timeoutMs);
}

::testing::AssertionResult PressInDialog(HWND dialog, WORD key) {
  if (!MakeForeground(dialog))
    return ::testing::AssertionFailure()
           << "\"" << e2e::TitleOf(dialog) << "\" does not come to the foreground";
  if (!WaitFor([&] {
        HWND focus = FocusOfThreadOwning(dialog);
        return focus && IsChild(dialog, focus);
      }))
    return ::testing::AssertionFailure()
           << "no control of \"" << e2e::TitleOf(dialog) << "\" takes the focus";
  if (!WaitForSettledFocus())
    return ::testing::AssertionFailure() << "the focus does not come to rest in \"" << e2e::TitleOf(dialog)
                                         << "\";" << InputState();
  e2e::PressKeys({key});
  return ::testing::AssertionSuccess();
}

std::string InputState() {
  std::string down;
  const struct {
    int vk;
    const char* name;
  } keys[] = {{VK_LSHIFT, "LShift"},  {VK_RSHIFT, "RShift"}, {VK_LCONTROL, "LCtrl"},
              {VK_RCONTROL, "RCtrl"}, {VK_LMENU, "LAlt"},    {VK_RMENU, "RAlt"},
              {VK_LWIN, "LWin"},      {VK_RWIN, "RWin"}};
  for (const auto& k : keys)
    if (GetAsyncKeyState(k.vk) & 0x8000) down += std::string(" ") + k.name;
  HWND fg = GetForegroundWindow();
  return " keys down:" + (down.empty() ? std::string(" none") : down) +
         "; foreground: " + (fg ? ClassOf(fg) + " \"" + e2e::TitleOf(fg) + "\"" : "none");
}

bool HotkeyTaken(UINT modifiers, UINT vk) {
  constexpr int kProbeId = 0x7A5E;
  if (!RegisterHotKey(nullptr, kProbeId, modifiers, vk)) return true;
  UnregisterHotKey(nullptr, kProbeId);
  return false;
}

// ---- Tray icon ----------------------------------------------------------------------------

HWND TrayWindow() {
  HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  return tray && IsWindowVisible(tray) ? tray : nullptr;
}

int TrayIconCount() {
  HWND tray = TrayWindow();
  if (!tray) return 0;
  const Image cells = e2e::CaptureScreen(e2e::ClientRectOnScreen(tray));
  int count = 0;
  for (int i = 0; 20 * (i + 1) <= cells.width && cells.height >= 20; ++i) {
    bool flat = true;
    for (int y = 0; y < 20 && flat; ++y)
      for (int x = 0; x < 20 && flat; ++x) flat = cells.At(20 * i + x, y) == cells.At(20 * i, 0);
    if (!flat) count = i + 1;
  }
  return count;
}

std::optional<POINT> TrayIconPoint(int index) {
  HWND tray = TrayWindow();
  if (!tray || index < 0) return std::nullopt;
  POINT origin{0, 0};
  ClientToScreen(tray, &origin);
  return POINT{origin.x + 20 * index + 10, origin.y + 10};
}

std::optional<POINT> NewestTrayIconPoint() {
  const int count = TrayIconCount();
  if (count == 0) return std::nullopt;
  return TrayIconPoint(count - 1);
}

void TrayIconInput::Separate() {
  const ULONGLONG apart = last_ + GetDoubleClickTime() + 100;
  WaitFor([&] { return GetTickCount64() >= apart; }, GetDoubleClickTime() + 200);
}

void TrayIconInput::RightClick() {
  Separate();
  tray_driver::RightClick(icon_);
  last_ = GetTickCount64();
}

void TrayIconInput::DoubleClick() {
  Separate();
  LeftDoubleClick(icon_);
  last_ = GetTickCount64();
}

void TrayIconInput::Press() {
  Separate();
  LeftDown(icon_);
}

void TrayIconInput::Release() {
  LeftUp(icon_);
  last_ = GetTickCount64();
}

// ---- Popup menus --------------------------------------------------------------------------

namespace {

constexpr UINT_PTR kReferenceTimer = 1;
const char kReferenceOwnerClass[] = "LumeviewE2EMenuOwner";

struct ReferenceRun {
  HMENU menu = nullptr;
  size_t lines = 0;
  int ticks = 0;
  Image previous;
  std::optional<ReferenceMenu> result;
};

HWND OwnMenuWindow() {
  const auto all = TopWindowsOf(GetCurrentProcessId(), "#32768");
  return all.empty() ? nullptr : all.front();
}

// While the reference menu is open: once it reads back the same twice in a row, note where its
// lines are and what it looks like, then close it.
void ReferenceTick(HWND owner, ReferenceRun& run) {
  ++run.ticks;
  if (HWND menuWnd = OwnMenuWindow()) {
    const RECT window = e2e::WindowRectOf(menuWnd);
    Image look = e2e::CaptureScreen(window);
    if (!look.pixels.empty() && look.width == run.previous.width &&
        look.pixels == run.previous.pixels) {
      ReferenceMenu ref;
      ref.window = window;
      ref.look = std::move(look);
      for (size_t i = 0; i < run.lines; ++i) {
        RECT r{};
        GetMenuItemRect(owner, run.menu, static_cast<UINT>(i), &r);
        // Screen coordinates as documented; Wine 8 gives them relative to the menu window.
        RECT inside{};
        if (IntersectRect(&inside, &r, &window) && EqualRect(&inside, &r))
          OffsetRect(&r, -window.left, -window.top);
        ref.lines.push_back(r);
      }
      run.result = std::move(ref);
      EndMenu();
      return;
    }
    run.previous = std::move(look);
  }
  if (run.ticks > 150) EndMenu();  // about 5 s: give up, the caller gets nothing
}

LRESULT CALLBACK ReferenceOwnerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kReferenceTimer) {
    auto* run = reinterpret_cast<ReferenceRun*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (run && !run->result) ReferenceTick(wnd, *run);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

std::optional<ReferenceMenu> ShowReferenceMenu(const std::vector<MenuLine>& lines, POINT at) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, kReferenceOwnerClass, &wc)) {
    wc.lpfnWndProc = ReferenceOwnerProc;
    wc.hInstance = instance;
    wc.lpszClassName = kReferenceOwnerClass;
    RegisterClassA(&wc);
  }
  HWND owner = CreateWindowExA(WS_EX_TOOLWINDOW, kReferenceOwnerClass, "", WS_POPUP, 0, 0, 1, 1,
                               nullptr, nullptr, instance, nullptr);
  if (!owner) return std::nullopt;
  HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < lines.size(); ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    if (lines[i].text == "-") {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE;
      info.wID = static_cast<UINT>(i + 1);
      info.dwTypeData = const_cast<char*>(lines[i].text.c_str());
      info.fState = lines[i].checked ? MFS_CHECKED : 0;
    }
    InsertMenuItemA(menu, static_cast<UINT>(i), TRUE, &info);
  }
  ReferenceRun run;
  run.menu = menu;
  run.lines = lines.size();
  SetWindowLongPtrA(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&run));
  SetTimer(owner, kReferenceTimer, 30, nullptr);
  EXPECT_TRUE(e2e::MoveCursor(at.x, at.y)) << "where the reference menu opens";
  SetForegroundWindow(owner);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
                 0, owner, nullptr);
  KillTimer(owner, kReferenceTimer);
  SetWindowLongPtrA(owner, GWLP_USERDATA, 0);
  DestroyMenu(menu);
  DestroyWindow(owner);
  WaitFor([] { return OwnMenuWindow() == nullptr; });
  return run.result;
}

HWND WaitForMenuWindow(DWORD pid, DWORD timeoutMs) {
  return WaitForTopWindow(pid, "#32768", nullptr, timeoutMs);
}

namespace {

// When every difference between the menu as seen and its reference lies where Wine's tray
// window overlaps the menu, the tray window is stacked above the menu on the X side (it can be
// raised after the menu has opened). Lowering the tray does not restack it under Wine; moving
// the menu window up again does, and changes nothing else about the menu.
void RaiseMenuIfUnderTray(HWND menuWnd, const RECT& menu, const Image& look,
                          const Image& reference) {
  HWND tray = TrayWindow();
  if (!tray || look.width != reference.width || look.height != reference.height) return;
  const RECT trayRect = e2e::WindowRectOf(tray);
  RECT overlap{};
  if (!IntersectRect(&overlap, &trayRect, &menu)) return;
  OffsetRect(&overlap, -menu.left, -menu.top);
  for (int y = 0; y < look.height; ++y)
    for (int x = 0; x < look.width; ++x) {
      const bool inside =
          x >= overlap.left && x < overlap.right && y >= overlap.top && y < overlap.bottom;
      if (!inside && look.At(x, y) != reference.At(x, y)) return;
    }
  // Out of the topmost band and back: a change of place, which Wine passes on to X (a menu
  // already first in the band would not move).
  const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  SetWindowPos(menuWnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  SetWindowPos(menuWnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
}

}  // namespace

::testing::AssertionResult WaitForMenuLook(DWORD pid, const ReferenceMenu& reference,
                                           DWORD timeoutMs) {
  HWND menu = WaitForMenuWindow(pid, timeoutMs);
  if (!menu) return ::testing::AssertionFailure() << "no popup menu of the program";
  ::testing::AssertionResult last = ::testing::AssertionFailure();
  WaitFor(
      [&] {
        const RECT window = e2e::WindowRectOf(menu);
        if (!EqualRect(&window, &reference.window)) {
          last = ::testing::AssertionFailure()
                 << "the menu is at " << e2e::Describe(window) << ", the reference at "
                 << e2e::Describe(reference.window);
          return false;
        }
        const Image look = e2e::CaptureScreen(window);
        last = e2e::SamePicture(look, reference.look);
        if (!last) RaiseMenuIfUnderTray(menu, window, look, reference.look);
        return static_cast<bool>(last);
      },
      timeoutMs);
  if (last) return last;
  return ::testing::AssertionFailure() << "menu differs from the reference: " << last.message();
}

void ClickMenuLine(HWND menu, const ReferenceMenu& reference, size_t index) {
  if (index >= reference.lines.size()) return;
  const RECT window = e2e::WindowRectOf(menu);
  const RECT& line = reference.lines[index];
  LeftClickAt(
      POINT{window.left + (line.left + line.right) / 2, window.top + (line.top + line.bottom) / 2});
}

// ---- Dialogs ------------------------------------------------------------------------------

HWND PreviewButtonOf(HWND dialog) {
  for (HWND wnd : Descendants(dialog))
    if (ClassOf(wnd) == "Button" && ClassOf(GetParent(wnd)) == "LumeviewWindow") return wnd;
  return nullptr;
}

HWND FileNameBox(HWND dialog) {
  // Explorer-style dialogs: the combo box cmb13 with its edit, or the plain edit edt1.
  if (HWND combo = GetDlgItem(dialog, 0x47C)) {
    if (SameClass(combo, "Edit")) return combo;
    if (HWND edit = FindDescendant(combo, "Edit")) return edit;
  }
  if (HWND edit = GetDlgItem(dialog, 0x480)) return edit;
  return nullptr;
}

std::string ReasonText(DWORD code) {
  char buffer[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 buffer, sizeof buffer, nullptr);
  std::string text = buffer;
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

::testing::AssertionResult PlacedOn(HWND dialog, const RECT& monitor) {
  const RECT r = e2e::WindowRectOf(dialog);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const POINT expected{monitor.left + (monitor.right - monitor.left - w) / 2,
                       monitor.top + (monitor.bottom - monitor.top - h) / 3};
  if (r.left == expected.x && r.top == expected.y) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the dialog is at " << e2e::Describe(r) << ", not at ("
                                       << expected.x << "," << expected.y << ")";
}

namespace {
// Memory in another process, for list-view messages that carry pointers.
class RemoteMemory {
 public:
  RemoteMemory(HWND wnd, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteMemory() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  bool ok() const { return at_ != nullptr; }
  char* at() const { return static_cast<char*>(at_); }
  bool Write(size_t offset, const void* data, size_t n) const {
    return offset + n <= size_ && WriteProcessMemory(process_, at() + offset, data, n, nullptr);
  }
  bool Read(size_t offset, void* data, size_t n) const {
    return offset + n <= size_ && ReadProcessMemory(process_, at() + offset, data, n, nullptr);
  }

 private:
  size_t size_;
  HANDLE process_ = nullptr;
  void* at_ = nullptr;
};
}  // namespace

std::optional<POINT> ListItemCenter(HWND list, const std::string& name) {
  RemoteMemory memory(list, 4096);
  if (!memory.ok()) return std::nullopt;
  LVFINDINFOA find{};
  find.flags = LVFI_STRING;
  find.psz = memory.at() + 512;
  if (!memory.Write(0, &find, sizeof find) || !memory.Write(512, name.c_str(), name.size() + 1))
    return std::nullopt;
  const LRESULT index =
      SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(memory.at()));
  if (index < 0) return std::nullopt;
  RECT item{LVIR_LABEL, 0, 0, 0};
  if (!memory.Write(0, &item, sizeof item) ||
      !SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(memory.at())) ||
      !memory.Read(0, &item, sizeof item))
    return std::nullopt;
  POINT centre{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(list, &centre);
  return centre;
}

::testing::AssertionResult EnterFileName(HWND dialog, const std::string& name) {
  HWND box = FileNameBox(dialog);
  if (!box) return ::testing::AssertionFailure() << "the dialog has no file-name box";
  if (!MakeForeground(dialog))
    return ::testing::AssertionFailure() << "\"" << e2e::TitleOf(dialog) << "\" does not come to the foreground;"
                                         << InputState();
  if (!WaitForSettledFocus())
    return ::testing::AssertionFailure() << "the focus does not come to rest in \"" << e2e::TitleOf(dialog)
                                         << "\";" << InputState();
  e2e::PressKeys({VK_MENU, 'N'});
  if (!WaitFor([&] { return FocusOfThreadOwning(dialog) == box; }))
    return ::testing::AssertionFailure() << "Alt+N did not put the focus into the file-name box";
  e2e::PressKeys({VK_CONTROL, 'A'});
  TypeText(name);
  if (!WaitFor([&] { return TextOf(box) == name; }))
    return ::testing::AssertionFailure()
           << "the file-name box reads \"" << TextOf(box) << "\" after typing \"" << name << "\"";
  e2e::PressKeys({VK_RETURN});
  return ::testing::AssertionSuccess();
}

std::string MessageBoxText(HWND box) {
  for (HWND child : Descendants(box)) {
    if (!SameClass(child, "Static")) continue;
    std::string text = TextOf(child);
    if (!text.empty()) return text;
  }
  return {};
}

bool ClickButton(HWND dialog, const char* caption) {
  HWND button = FindDescendant(dialog, "Button", caption);
  if (!button) return false;
  LeftClickAt(CenterOf(button));
  return true;
}

::testing::AssertionResult SetupControls::Complete() const {
  std::string missing;
  const struct {
    HWND wnd;
    const char* name;
  } all[] = {{dialog, "dialog"},
             {zoom, "zoom track bar"},
             {transparency, "transparency track bar"},
             {moveWindow, "\"Move Window to Mouse\""},
             {showCross, "\"Show Crosshair\""},
             {showBorder, "\"Show Border\""},
             {stayOnTop, "\"Always Stay On Top\""},
             {showPosition, "\"Show Mouse Position\""},
             {ok, "\"OK\""},
             {cancel, "\"Cancel\""}};
  for (const auto& c : all)
    if (!c.wnd) missing += std::string(" ") + c.name;
  if (hotkeys.size() != 7)
    missing += " seven hot-key editors (found " + std::to_string(hotkeys.size()) + ")";
  if (missing.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "setup dialog lacks" << missing;
}

SetupControls FindSetupControls(HWND dialog) {
  SetupControls c;
  c.dialog = dialog;
  for (HWND child : Descendants(dialog)) {
    if (SameClass(child, TRACKBAR_CLASSA)) {
      const LRESULT min = SendMessageA(child, TBM_GETRANGEMIN, 0, 0);
      const LRESULT max = SendMessageA(child, TBM_GETRANGEMAX, 0, 0);
      if (min == 2 && max == 50) c.zoom = child;
      if (min == 1 && max == 100) c.transparency = child;
    } else if (SameClass(child, HOTKEY_CLASSA)) {
      c.hotkeys.push_back(child);
    } else if (SameClass(child, "Button")) {
      const std::string text = TextOf(child);
      if (text == "Move Window to Mouse") c.moveWindow = child;
      if (text == "Show Crosshair") c.showCross = child;
      if (text == "Show Border") c.showBorder = child;
      if (text == "Always Stay On Top") c.stayOnTop = child;
      if (text == "Show Mouse Position") c.showPosition = child;
      if (text == "OK") c.ok = child;
      if (text == "Cancel") c.cancel = child;
    }
  }
  std::sort(c.hotkeys.begin(), c.hotkeys.end(),
            [](HWND a, HWND b) { return e2e::WindowRectOf(a).top < e2e::WindowRectOf(b).top; });
  return c;
}

int TrackBarPosition(HWND trackbar) {
  return static_cast<int>(SendMessageA(trackbar, TBM_GETPOS, 0, 0));
}

bool IsChecked(HWND checkbox) { return SendMessageA(checkbox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

WORD HotKeyValue(HWND editor) { return LOWORD(SendMessageA(editor, HKM_GETHOTKEY, 0, 0)); }

}  // namespace tray_driver
