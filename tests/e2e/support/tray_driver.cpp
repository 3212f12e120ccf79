#include "support/tray_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/bitmap_file.h"

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

// A 32-bit top-down DIB section selected into a memory context.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  int width = 0, height = 0;

  Canvas(int w, int h) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    void* raw = nullptr;
    if (w > 0 && h > 0) bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
    bits = static_cast<uint32_t*>(raw);
    if (dc && bitmap) old = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    if (old) SelectObject(dc, old);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  bool ok() const { return dc && bitmap && bits; }

  void Fill(const Image& image) {
    for (size_t i = 0; i < image.pixels.size(); ++i) bits[i] = image.pixels[i];
  }
  Image ToImage() const {
    GdiFlush();
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(bits, bits + static_cast<size_t>(width) * height);
    for (uint32_t& p : image.pixels) p &= 0x00FFFFFF;
    return image;
  }
};

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
  e2e::MoveCursor(p.x, p.y);
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
}

void LeftClickAt(POINT p) {
  e2e::MoveCursor(p.x, p.y);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
}

void LeftDoubleClick(POINT p) {
  e2e::MoveCursor(p.x, p.y);
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
  e2e::MoveCursor(p.x, p.y);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void LeftUp(POINT p) {
  e2e::MoveCursor(p.x, p.y);
  SendMouse(MOUSEEVENTF_LEFTUP);
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
    return ::testing::AssertionFailure() << "\"" << e2e::TitleOf(dialog)
                                         << "\" does not come to the foreground";
  if (!WaitFor([&] {
        HWND focus = FocusOfThreadOwning(dialog);
        return focus && IsChild(dialog, focus);
      }))
    return ::testing::AssertionFailure() << "no control of \"" << e2e::TitleOf(dialog)
                                         << "\" takes the focus";
  e2e::PressKeys({key});
  return ::testing::AssertionSuccess();
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
  e2e::MoveCursor(at.x, at.y);
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

::testing::AssertionResult WaitForMenuLook(DWORD pid, const ReferenceMenu& reference,
                                           DWORD timeoutMs) {
  HWND menu = WaitForMenuWindow(pid, timeoutMs);
  if (!menu) return ::testing::AssertionFailure() << "no popup menu of the program";
  ::testing::AssertionResult last = ::testing::AssertionFailure();
  WaitFor(
      [&] {
        const RECT window = e2e::WindowRectOf(menu);
        if (!EqualRect(&window, &reference.window)) {
          last = ::testing::AssertionFailure() << "the menu is at " << e2e::Describe(window)
                                               << ", the reference at "
                                               << e2e::Describe(reference.window);
          return false;
        }
        last = e2e::SamePicture(e2e::CaptureScreen(window), reference.look);
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
  LeftClickAt(POINT{window.left + (line.left + line.right) / 2,
                    window.top + (line.top + line.bottom) / 2});
}

// ---- Dialogs ------------------------------------------------------------------------------

HWND FileNameBox(HWND dialog) {
  // Explorer-style dialogs: the combo box cmb13 with its edit, or the plain edit edt1.
  if (HWND combo = GetDlgItem(dialog, 0x47C)) {
    if (SameClass(combo, "Edit")) return combo;
    if (HWND edit = FindDescendant(combo, "Edit")) return edit;
  }
  if (HWND edit = GetDlgItem(dialog, 0x480)) return edit;
  return nullptr;
}

::testing::AssertionResult EnterFileName(HWND dialog, const std::string& name) {
  HWND box = FileNameBox(dialog);
  if (!box) return ::testing::AssertionFailure() << "the dialog has no file-name box";
  MakeForeground(dialog);
  e2e::PressKeys({VK_MENU, 'N'});
  if (!WaitFor([&] { return FocusOfThreadOwning(dialog) == box; }))
    return ::testing::AssertionFailure() << "Alt+N did not put the focus into the file-name box";
  e2e::PressKeys({VK_CONTROL, 'A'});
  TypeText(name);
  if (!WaitFor([&] { return TextOf(box) == name; }))
    return ::testing::AssertionFailure() << "the file-name box reads \"" << TextOf(box)
                                         << "\" after typing \"" << name << "\"";
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
  std::sort(c.hotkeys.begin(), c.hotkeys.end(), [](HWND a, HWND b) {
    return e2e::WindowRectOf(a).top < e2e::WindowRectOf(b).top;
  });
  return c;
}

int TrackBarPosition(HWND trackbar) {
  return static_cast<int>(SendMessageA(trackbar, TBM_GETPOS, 0, 0));
}

bool IsChecked(HWND checkbox) { return SendMessageA(checkbox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

WORD HotKeyValue(HWND editor) { return LOWORD(SendMessageA(editor, HKM_GETHOTKEY, 0, 0)); }

// ---- Clipboard ----------------------------------------------------------------------------

namespace {
// One program at a time holds the clipboard open: retry for a while.
bool OpenClipboardSoon() {
  return WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 2000);
}
}  // namespace

std::optional<Image> ReadClipboardPicture() {
  if (!OpenClipboardSoon()) return std::nullopt;
  std::optional<Image> result;
  HANDLE data = GetClipboardData(CF_DIB);
  const void* locked = data ? GlobalLock(data) : nullptr;
  if (locked) {
    const SIZE_T size = GlobalSize(data);
    const auto* info = static_cast<const BITMAPINFOHEADER*>(locked);
    const int w = info->biWidth;
    const int h = info->biHeight < 0 ? -info->biHeight : info->biHeight;
    const int bpp = info->biBitCount;
    size_t offset = info->biSize;
    if (info->biCompression == BI_BITFIELDS) offset += 12;
    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    if (size >= sizeof(BITMAPINFOHEADER) && w > 0 && h > 0 && (bpp == 32 || bpp == 24) &&
        offset + stride * h <= size) {
      Image p;
      p.width = w;
      p.height = h;
      p.pixels.resize(static_cast<size_t>(w) * h);
      const auto* bytes = static_cast<const uint8_t*>(locked) + offset;
      for (int y = 0; y < h; ++y) {
        const int row = info->biHeight < 0 ? y : h - 1 - y;
        const uint8_t* src = bytes + stride * row;
        for (int x = 0; x < w; ++x) {
          const uint8_t* px = src + x * (bpp / 8);
          p.At(x, y) = (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
        }
      }
      result = std::move(p);
    }
    GlobalUnlock(data);
  }
  CloseClipboard();
  return result;
}

std::vector<UINT> ClipboardFormats() {
  std::vector<UINT> formats;
  if (!OpenClipboardSoon()) return formats;
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) formats.push_back(f);
  CloseClipboard();
  return formats;
}

bool EmptyTheClipboard() {
  if (!OpenClipboardSoon()) return false;
  const bool ok = EmptyClipboard() != FALSE;
  CloseClipboard();
  return ok;
}

// ---- Files --------------------------------------------------------------------------------

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::vector<uint8_t>> result;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h, &size) && size.QuadPart < (1 << 28)) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (bytes.empty() ||
        (ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
         got == bytes.size()))
      result = std::move(bytes);
  }
  CloseHandle(h);
  return result;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<Image> PictureOfBitmapFile(const std::vector<uint8_t>& bytes) {
  const std::optional<ParsedBitmap> parsed = ParseBitmapFile(bytes.data(), bytes.size());
  if (!parsed) return std::nullopt;
  Image image;
  image.width = parsed->width;
  image.height = parsed->height;
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::optional<uint32_t> colour = parsed->PixelAt(x, y);
      if (!colour) return std::nullopt;
      image.At(x, y) = *colour;
    }
  return image;
}

ScratchFolder::ScratchFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  char name[MAX_PATH + 64];
  std::snprintf(name, sizeof name, "%slumeview-e2e-%lu-%llu\\", temp, GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()));
  CreateDirectoryA(name, nullptr);
  char full[MAX_PATH * 2] = {};
  GetFullPathNameA(name, sizeof full, full, nullptr);
  path_ = full;
}

std::vector<std::string> ScratchFolder::FileNames() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE h = FindFirstFileA((path_ + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
      names.push_back(found.cFileName);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

ScratchFolder::~ScratchFolder() {
  for (const std::string& name : FileNames()) {
    const std::string full = path_ + name;
    if (GetFileAttributesA(full.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
      RemoveDirectoryA(full.c_str());
    else
      DeleteFileA(full.c_str());
  }
  RemoveDirectoryA(path_.c_str());
}

// ---- Pictures judged from the screen ------------------------------------------------------

Image ExpectedFromScreen(const e2e::LensView& view) {
  const RECT source = e2e::SourceRect(view);
  const Image seen = e2e::CaptureScreen(source);
  Canvas from(seen.width, seen.height);
  Canvas to(view.width, view.height);
  if (!from.ok() || !to.ok()) return Image{};
  from.Fill(seen);
  SetStretchBltMode(to.dc, COLORONCOLOR);
  StretchBlt(to.dc, 0, 0, to.width, to.height, from.dc, 0, 0, from.width, from.height, SRCCOPY);
  return to.ToImage();
}

void DrawInfoOverlay(Image& picture, const std::string& text, POINT clientOrigin) {
  Canvas canvas(picture.width, picture.height);
  if (!canvas.ok()) return;
  canvas.Fill(picture);
  HDC dc = canvas.dc;

  LOGFONTA lf{};
  lf.lfHeight = -16;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynA(lf.lfFaceName, "Tahoma", LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);

  // The label sizes itself to text and shadow plus a pixel on each side, at (3, 3); the text
  // sits one pixel in, the shadow 2 pixels to the lower right of it.
  const int length = static_cast<int>(text.size());
  RECT calc{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), length, &calc, DT_EXPANDTABS | DT_CALCRECT);
  const int shadow = 2;
  const int lx = clientOrigin.x + 3, ly = clientOrigin.y + 3;
  const RECT label{lx, ly, lx + calc.right + shadow + 2, ly + calc.bottom + shadow};
  IntersectClipRect(dc, label.left, label.top, label.right, label.bottom);
  RECT textRect{label.left + 1, label.top, label.right - 1, label.bottom};
  RECT shadowRect = textRect;
  OffsetRect(&shadowRect, shadow, shadow);
  SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  DrawTextA(dc, text.c_str(), length, &shadowRect, DT_EXPANDTABS);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextA(dc, text.c_str(), length, &textRect, DT_EXPANDTABS);

  picture = canvas.ToImage();
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

// ---- Ticker -------------------------------------------------------------------------------

struct Ticker::State {
  RECT area{};
  std::atomic<HWND> wnd{nullptr};
  std::atomic<int> changes{0};
  HANDLE ready = nullptr;
  HANDLE thread = nullptr;
};

namespace {

const char kTickerClass[] = "LumeviewE2ETicker";
constexpr UINT_PTR kTickerTimer = 1;

LRESULT CALLBACK TickerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<Ticker::State*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      if (state) ++state->changes;
      InvalidateRect(wnd, nullptr, FALSE);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      const int n = state ? state->changes.load() : 0;
      // A colour far from the one before: every channel moves.
      HBRUSH brush = CreateSolidBrush(RGB((n * 67) & 0xFF, (n * 131 + 40) & 0xFF, (n * 29 + 90) & 0xFF));
      FillRect(dc, &ps.rcPaint, brush);
      DeleteObject(brush);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_CLOSE:
      DestroyWindow(wnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(wnd, msg, wp, lp);
  }
}

DWORD WINAPI TickerThread(void* param) {
  auto* state = static_cast<Ticker::State*>(param);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, kTickerClass, &wc)) {
    wc.lpfnWndProc = TickerProc;
    wc.hInstance = instance;
    wc.lpszClassName = kTickerClass;
    RegisterClassA(&wc);
  }
  const RECT& a = state->area;
  HWND wnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTickerClass,
                             "Lumeview test ticker", WS_POPUP, a.left, a.top, e2e::Width(a),
                             e2e::Height(a), nullptr, nullptr, instance, state);
  if (wnd) {
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    SetTimer(wnd, kTickerTimer, 15, nullptr);
  }
  state->wnd = wnd;
  SetEvent(state->ready);
  if (!wnd) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

}  // namespace

Ticker::Ticker(RECT area) : state_(std::make_shared<State>()) {
  state_->area = area;
  state_->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  state_->thread = CreateThread(nullptr, 0, TickerThread, state_.get(), 0, nullptr);
  if (state_->thread) WaitForSingleObject(state_->ready, e2e::kWait);
}

Ticker::~Ticker() {
  if (HWND wnd = state_->wnd) PostMessageA(wnd, WM_CLOSE, 0, 0);
  if (state_->thread) {
    if (WaitForSingleObject(state_->thread, e2e::kWait) != WAIT_OBJECT_0)
      TerminateThread(state_->thread, 1);
    CloseHandle(state_->thread);
  }
  if (state_->ready) CloseHandle(state_->ready);
}

HWND Ticker::Handle() const { return state_->wnd; }

int Ticker::Changes() const { return state_->changes; }

int ChangesSeen(const RECT& area, DWORD durationMs) {
  int changes = 0;
  Image previous = e2e::CaptureScreen(area);
  const ULONGLONG end = GetTickCount64() + durationMs;
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Image now = e2e::CaptureScreen(area);
    if (now.pixels != previous.pixels) ++changes;
    previous = std::move(now);
  }
  return changes;
}

}  // namespace tray_driver
