#include "support/driver.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "shared/start_process.h"

namespace e2e {

namespace {


class RegKey {
 public:
  explicit RegKey(bool create) {
    if (create)
      RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr);
    else
      RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key_);
  }
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string ClassOf(HWND wnd) {
  char name[256] = {};
  GetClassNameA(wnd, name, sizeof(name));
  return name;
}

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%06X", static_cast<unsigned>(v));
  return buf;
}

bool Inside(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void SendAll(std::vector<INPUT>& inputs) {
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

INPUT MouseInput(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = dx;
  in.mi.dy = dy;
  in.mi.mouseData = data;
  in.mi.dwFlags = flags;
  return in;
}

INPUT AbsoluteMove(int x, int y) {
  const LONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  return MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65536L + w - 1) / w,
                    (y * 65536L + h - 1) / h);
}

bool CursorAt(int x, int y) {
  POINT p{};
  return GetCursorPos(&p) && p.x == x && p.y == y;
}

}  // namespace

// ---- Waiting ---------------------------------------------------------------------------------

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount64() >= deadline) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// ---- Settings in the registry ------------------------------------------------------------

const std::vector<std::string>& SettingNames() {
  static const std::vector<std::string> names = {
      "Zoom",          "Transparency",         "Show Cross",         "Show Borders",
      "Move Window",   "Always Top",           "Show Mouse Pos",     "Left",
      "Top",           "Width",                "Height",             "ShortCut Dialog",
      "ShortCut ShowHide", "ShortCut ZOOM",    "ShortCut SIZE",      "ShortCut TRANSPARENT",
      "ShortCut CLIPBOARD", "ShortCut SAVEFILE"};
  return names;
}

void ClearSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

void WriteDword(const char* name, DWORD value) {
  RegKey key(true);
  if (key.get())
    RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
}

void WriteString(const char* name, const std::string& value) {
  RegKey key(true);
  if (key.get())
    RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

std::optional<StoredValue> ReadSetting(const char* name) {
  RegKey key(false);
  if (!key.get()) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<BYTE> data(size + 1, 0);
  if (RegQueryValueExA(key.get(), name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  StoredValue value;
  value.type = type;
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    std::memcpy(&value.number, data.data(), sizeof(DWORD));
  } else if (type == REG_SZ) {
    value.text.assign(reinterpret_cast<const char*>(data.data()), size);
    while (!value.text.empty() && value.text.back() == '\0') value.text.pop_back();
  }
  return value;
}

std::vector<std::string> StoredValueNames() {
  std::vector<std::string> names;
  RegKey key(false);
  if (!key.get()) return names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof(name);
    if (RegEnumValueA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

void WriteSettings(const LensSettings& s) {
  WriteDword("Zoom", static_cast<DWORD>(s.zoom));
  WriteDword("Transparency", static_cast<DWORD>(s.transparency));
  WriteDword("Show Cross", s.showCross);
  WriteDword("Show Borders", s.showBorders);
  WriteDword("Move Window", s.moveWindow);
  WriteDword("Always Top", s.alwaysTop);
  WriteDword("Show Mouse Pos", s.showMousePos);
  WriteDword("Left", static_cast<DWORD>(s.left));
  WriteDword("Top", static_cast<DWORD>(s.top));
  WriteDword("Width", static_cast<DWORD>(s.width));
  WriteDword("Height", static_cast<DWORD>(s.height));
}

// ---- The program ---------------------------------------------------------------------------

std::string LumeviewPath() {
  const char* env = std::getenv("LUMEVIEW_EXE");
  std::string path = env ? env : "";
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

HWND FindProcessWindow(DWORD pid, const char* className, const char* title) {
  struct Search {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
  } search{pid, className, title, nullptr};
  EnumWindows(
      [](HWND wnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(wnd, &owner);
        if (owner != s->pid || ClassOf(wnd) != s->className) return TRUE;
        if (s->title && TitleOf(wnd) != s->title) return TRUE;
        s->found = wnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool TrayWindowShown() {
  HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  return tray && IsWindowVisible(tray);
}

bool AnyLumeviewRunning() { return FindWindowA("LumeviewApplication", "Lumeview") != nullptr; }

LumeviewProcess::~LumeviewProcess() {
  if (Running()) Kill();
  if (process_) CloseHandle(process_);
}

::testing::AssertionResult LumeviewProcess::Start(DWORD timeoutMs, const std::string& exe) {
  if (process_) return ::testing::AssertionFailure() << "already started";
  // A Lumeview left over from an earlier test would hold the hotkeys; give it a moment to go.
  if (!WaitFor([] { return !AnyLumeviewRunning(); }, timeoutMs))
    return ::testing::AssertionFailure() << "another Lumeview is still running";
  const std::string path = exe.empty() ? LumeviewPath() : exe;
  if (path.empty()) return ::testing::AssertionFailure() << "LUMEVIEW_EXE is not set";
  std::string folder = path.substr(0, path.find_last_of('\\') + 1);
  std::string command = "\"" + path + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const char* in_folder = folder.empty() ? nullptr : folder.c_str();
  if (!StartProcess(path.c_str(), command.data(), FALSE, 0, in_folder, &startup, &info))
    return ::testing::AssertionFailure()
           << "cannot start " << path << " (error " << GetLastError() << ")";
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  const bool shown = WaitFor(
      [this] {
        lens_ = FindProcessWindow(pid_, "LumeviewWindow", "Zoom Tool");
        return (lens_ && IsWindowVisible(lens_)) || !Running();
      },
      timeoutMs);
  if (!Running()) return ::testing::AssertionFailure() << "Lumeview ended at start";
  if (!shown || !lens_) return ::testing::AssertionFailure() << "no visible lens window";
  // The tray icon brings up Wine's tray window at the screen's top-left corner; let it come
  // before the test arranges its own windows.
  WaitFor([] { return TrayWindowShown(); }, 1000);
  return ::testing::AssertionSuccess();
}

bool LumeviewProcess::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool LumeviewProcess::WaitForExit(DWORD timeoutMs) {
  return !process_ || WaitFor([this] { return !Running(); }, timeoutMs);
}

::testing::AssertionResult LumeviewProcess::Close(DWORD timeoutMs) {
  return CloseBy(lens_, WM_CLOSE, 0, timeoutMs);
}

::testing::AssertionResult LumeviewProcess::CloseApplicationWindow(DWORD timeoutMs) {
  return CloseBy(FindProcessWindow(pid_, "LumeviewApplication"), WM_SYSCOMMAND, SC_CLOSE,
                 timeoutMs);
}

::testing::AssertionResult LumeviewProcess::CloseBy(HWND target, UINT msg, WPARAM wp,
                                                    DWORD timeoutMs) {
  if (!Running()) return ::testing::AssertionFailure() << "Lumeview is not running";
  if (!IsWindow(target) || !PostMessageA(target, msg, wp, 0))
    return ::testing::AssertionFailure() << "the window to close is gone";
  if (!WaitForExit(timeoutMs))
    return ::testing::AssertionFailure() << "Lumeview still runs " << timeoutMs
                                         << " ms after message 0x" << std::hex << msg;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  if (code != 0) return ::testing::AssertionFailure() << "Lumeview ended with code " << code;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult LumeviewProcess::EndSession(DWORD timeoutMs) {
  if (!Running()) return ::testing::AssertionFailure() << "Lumeview is not running";
  struct Windows {
    DWORD pid;
    std::vector<HWND> found;
  } windows{pid_, {}};
  EnumWindows(
      [](HWND wnd, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Windows*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(wnd, &owner);
        if (owner == w->pid) w->found.push_back(wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  if (windows.found.empty()) return ::testing::AssertionFailure() << "no window to tell";
  for (HWND wnd : windows.found) {
    DWORD_PTR agreed = 0;
    if (!SendMessageTimeoutA(wnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             timeoutMs, &agreed))
      return ::testing::AssertionFailure() << ClassOf(wnd) << " did not answer WM_QUERYENDSESSION";
    if (!agreed)
      return ::testing::AssertionFailure() << ClassOf(wnd) << " holds the session up";
  }
  for (HWND wnd : windows.found) {
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(wnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             timeoutMs, &ignored))
      return ::testing::AssertionFailure() << ClassOf(wnd) << " did not answer WM_ENDSESSION";
  }
  Kill();
  return ::testing::AssertionSuccess();
}

void LumeviewProcess::Kill() {
  if (!Running()) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, kWait);
}

// ---- Windows ---------------------------------------------------------------------------------

RECT WindowRectOf(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

RECT ClientRectOnScreen(HWND wnd) {
  RECT r{};
  GetClientRect(wnd, &r);
  POINT origin{0, 0};
  ClientToScreen(wnd, &origin);
  OffsetRect(&r, origin.x, origin.y);
  return r;
}

RECT PictureRect(HWND lens, bool borders) {
  RECT r = ClientRectOnScreen(lens);
  if (borders) InflateRect(&r, -1, -1);
  return r;
}

std::optional<BYTE> LayeredAlpha(HWND wnd) {
  BYTE alpha = 0;
  DWORD flags = 0;
  COLORREF key = 0;
  if (!(ExStyleOf(wnd) & WS_EX_LAYERED) || !GetLayeredWindowAttributes(wnd, &key, &alpha, &flags) ||
      !(flags & LWA_ALPHA))
    return std::nullopt;
  return alpha;
}

DWORD ExStyleOf(HWND wnd) { return static_cast<DWORD>(GetWindowLongA(wnd, GWL_EXSTYLE)); }

DWORD StyleOf(HWND wnd) { return static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE)); }

std::string TitleOf(HWND wnd) {
  char text[256] = {};
  GetWindowTextA(wnd, text, sizeof(text));
  return text;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

std::string Describe(const RECT& r) {
  std::ostringstream out;
  out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ") "
      << Width(r) << "x" << Height(r);
  return out.str();
}

// ---- Canvas and driver windows ----------------------------------------------------------------

DibCanvas::DibCanvas(int w, int h) : width(w), height(h) {
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

DibCanvas::~DibCanvas() {
  if (old) SelectObject(dc, old);
  if (bitmap) DeleteObject(bitmap);
  if (dc) DeleteDC(dc);
}

void DibCanvas::Fill(const Image& image) {
  for (size_t i = 0; i < image.pixels.size(); ++i) bits[i] = image.pixels[i];
}

Image DibCanvas::ToImage() const {
  GdiFlush();
  Image image;
  image.width = width;
  image.height = height;
  image.pixels.assign(bits, bits + static_cast<size_t>(width) * height);
  for (uint32_t& p : image.pixels) p &= 0x00FFFFFF;
  return image;
}

namespace {
const char kDriverWindowClass[] = "LumeviewE2EWindow";
constexpr UINT_PTR kDriverWindowTimer = 1;
}  // namespace

ThreadWindow::ThreadWindow(RECT area, std::string title, Handler handler, UINT timerMs)
    : area_(area), title_(std::move(title)), handler_(std::move(handler)), timer_ms_(timerMs) {
  ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &ThreadWindow::Run, this, 0, nullptr);
  if (thread_) WaitForSingleObject(ready_, kWait);
}

ThreadWindow::~ThreadWindow() {
  if (HWND wnd = wnd_) PostMessageA(wnd, WM_CLOSE, 0, 0);
  if (thread_) {
    if (WaitForSingleObject(thread_, kWait) != WAIT_OBJECT_0) TerminateThread(thread_, 1);
    CloseHandle(thread_);
  }
  if (ready_) CloseHandle(ready_);
}

DWORD WINAPI ThreadWindow::Run(void* param) {
  auto* self = static_cast<ThreadWindow*>(param);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, kDriverWindowClass, &wc)) {
    wc.lpfnWndProc = &ThreadWindow::Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kDriverWindowClass;
    RegisterClassA(&wc);
  }
  const RECT& a = self->area_;
  HWND wnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                             kDriverWindowClass, self->title_.c_str(), WS_POPUP, a.left, a.top,
                             Width(a), Height(a), nullptr, nullptr, instance, self);
  if (wnd) {
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    if (self->timer_ms_) SetTimer(wnd, kDriverWindowTimer, self->timer_ms_, nullptr);
  }
  self->wnd_ = wnd;
  SetEvent(self->ready_);
  if (!wnd) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

LRESULT CALLBACK ThreadWindow::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ThreadWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_CLOSE:
      DestroyWindow(wnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  if (self && self->handler_)
    if (std::optional<LRESULT> answer = self->handler_(wnd, msg, wp, lp)) return *answer;
  return DefWindowProcA(wnd, msg, wp, lp);
}

// ---- The pattern -----------------------------------------------------------------------------

uint32_t PatternColor(int x, int y) {
  const uint32_t r = static_cast<uint32_t>(x) & 0xFF;
  const uint32_t g = static_cast<uint32_t>(y) & 0xFF;
  const uint32_t b = ((static_cast<uint32_t>(x) >> 8) & 0x0F) |
                     (((static_cast<uint32_t>(y) >> 8) & 0x0F) << 4);
  return (r << 16) | (g << 8) | b;
}

struct PatternWindow::State {
  DibCanvas canvas;
  std::atomic<int> clicks{0};
  std::optional<ThreadWindow> window;  // last: it goes first, while the rest still stands

  explicit State(RECT area) : canvas(Width(area), Height(area)) {}

  std::optional<LRESULT> Answer(HWND wnd, UINT msg) {
    switch (msg) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        if (canvas.ok()) BitBlt(dc, 0, 0, canvas.width, canvas.height, canvas.dc, 0, 0, SRCCOPY);
        EndPaint(wnd, &ps);
        return 0;
      }
      case WM_LBUTTONDOWN:
        ++clicks;
        return 0;
      default:
        return std::nullopt;
    }
  }
};

PatternWindow::PatternWindow(RECT area) : area_(area), state_(std::make_shared<State>(area)) {
  DibCanvas& canvas = state_->canvas;
  if (canvas.ok()) {
    for (int y = 0; y < canvas.height; ++y)
      for (int x = 0; x < canvas.width; ++x)
        canvas.bits[static_cast<size_t>(y) * canvas.width + x] =
            PatternColor(area.left + x, area.top + y);
  }
  State* state = state_.get();
  state_->window.emplace(area, "Lumeview test pattern",
                         [state](HWND wnd, UINT msg, WPARAM, LPARAM) {
                           return state->Answer(wnd, msg);
                         });
}

PatternWindow::~PatternWindow() = default;

HWND PatternWindow::Handle() const { return state_->window->Handle(); }

void PatternWindow::Raise() const {
  if (HWND wnd = Handle())
    SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int PatternWindow::Clicks() const { return state_->clicks; }

::testing::AssertionResult PatternWindow::WaitShown(DWORD timeoutMs) const {
  if (!Handle()) return ::testing::AssertionFailure() << "no pattern window";
  Image expected;
  expected.width = Width(area_);
  expected.height = Height(area_);
  expected.pixels.resize(static_cast<size_t>(expected.width) * expected.height);
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x)
      expected.At(x, y) = PatternColor(area_.left + x, area_.top + y);
  ::testing::AssertionResult last = ::testing::AssertionFailure();
  WaitFor(
      [&] {
        last = SamePicture(CaptureScreen(area_), expected);
        return static_cast<bool>(last);
      },
      timeoutMs);
  if (!last) return ::testing::AssertionFailure() << "pattern not on screen: " << last.message();
  return last;
}

// ---- Input -----------------------------------------------------------------------------------

::testing::AssertionResult MoveCursor(int x, int y) {
  std::vector<INPUT> inputs{AbsoluteMove(x, y)};
  SendAll(inputs);
  if (WaitFor([x, y] { return CursorAt(x, y); }, 1000)) return ::testing::AssertionSuccess();
  SetCursorPos(x, y);
  if (WaitFor([x, y] { return CursorAt(x, y); }, 1000)) return ::testing::AssertionSuccess();
  POINT at{};
  GetCursorPos(&at);
  return ::testing::AssertionFailure() << "the pointer did not come to (" << x << "," << y << "): it is at ("
                                       << at.x << "," << at.y << ")";
}

void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD k : keys) inputs.push_back(KeyInput(k, false));
  for (auto it = keys.end(); it != keys.begin();) inputs.push_back(KeyInput(*--it, true));
  SendAll(inputs);
}

void PressCtrlAlt(WORD key) { PressKeys({VK_CONTROL, VK_MENU, key}); }

void TurnWheel(int notches) {
  std::vector<INPUT> inputs;
  const DWORD delta = static_cast<DWORD>(notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA);
  for (int i = 0; i < std::abs(notches); ++i)
    inputs.push_back(MouseInput(MOUSEEVENTF_WHEEL, 0, 0, delta));
  SendAll(inputs);
}

void Click() {
  std::vector<INPUT> inputs{MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)};
  SendAll(inputs);
}

bool XServerClick() {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  char command[] = "xdotool click 1";
  // Wine runs a Unix program named by its path on the Z: drive.
  if (!CreateProcessA("Z:\\usr\\bin\\xdotool", command, nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info))
    return false;
  // Wine gives no process handle for a Unix program: the click then comes a moment later,
  // which the caller's wait for its effect covers.
  if (info.hProcess) {
    WaitForSingleObject(info.hProcess, kWait);
    CloseHandle(info.hProcess);
  }
  if (info.hThread) CloseHandle(info.hThread);
  return true;
}

void Drag(POINT from, POINT to, int steps, const std::function<bool()>& arrived) {
  EXPECT_TRUE(MoveCursor(from.x, from.y)) << "at the start of a drag";
  std::vector<INPUT> down{MouseInput(MOUSEEVENTF_LEFTDOWN)};
  SendAll(down);
  steps = std::max(steps, 1);
  for (int i = 1; i <= steps; ++i)
    EXPECT_TRUE(MoveCursor(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps))
        << "on step " << i << " of a drag";
  if (arrived) {
    const ULONGLONG deadline = GetTickCount64() + kWait;
    while (!WaitFor(arrived, 300) && GetTickCount64() < deadline) {
      EXPECT_TRUE(MoveCursor(to.x + 1, to.y)) << "wiggling at the end of a drag";
      EXPECT_TRUE(MoveCursor(to.x, to.y)) << "wiggling at the end of a drag";
    }
  }
  std::vector<INPUT> up{MouseInput(MOUSEEVENTF_LEFTUP)};
  SendAll(up);
}

// ---- The screen ------------------------------------------------------------------------------

Image CaptureScreen(const RECT& area) {
  DibCanvas canvas(Width(area), Height(area));
  if (!canvas.ok()) return Image{};
  HDC screen = GetDC(nullptr);
  BitBlt(canvas.dc, 0, 0, canvas.width, canvas.height, screen, area.left, area.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  return canvas.ToImage();
}

uint32_t ButtonFaceColor() {
  const COLORREF c = GetSysColor(COLOR_BTNFACE);
  return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
         GetBValue(c);
}

// ---- The expected picture --------------------------------------------------------------------

LensView ViewOf(HWND lens, POINT cursor, int zoom, bool fixedMode, bool cross, bool borders) {
  LensView view;
  view.cursor = cursor;
  view.onScreen = PictureRect(lens, borders);
  view.width = Width(view.onScreen);
  view.height = Height(view.onScreen);
  view.zoom = zoom;
  view.fixedMode = fixedMode;
  view.cross = cross;
  return view;
}

int HalfExtent(int side, int zoom) {
  return static_cast<int>(std::nearbyint(static_cast<double>(side) / zoom));  // ties to even
}

RECT SourceRect(const LensView& view) {
  const int rx = HalfExtent(view.width, view.zoom), ry = HalfExtent(view.height, view.zoom);
  RECT r{view.cursor.x - rx, view.cursor.y - ry, view.cursor.x + rx, view.cursor.y + ry};
  if (view.fixedMode) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (r.left < 0) OffsetRect(&r, -r.left, 0);
    if (r.top < 0) OffsetRect(&r, 0, -r.top);
    if (r.right > sw) OffsetRect(&r, sw - r.right, 0);
    if (r.bottom > sh) OffsetRect(&r, 0, sh - r.bottom);
  }
  return r;
}

Image ExpectedPicture(const LensView& view, const RECT& patternArea) {
  const RECT source = SourceRect(view);
  RECT inside{};
  if (view.width <= 0 || view.height <= 0 || !IntersectRect(&inside, &source, &patternArea) ||
      !EqualRect(&inside, &source))
    return Image{};
  DibCanvas from(Width(source), Height(source));
  DibCanvas to(view.width, view.height);
  if (!from.ok() || !to.ok()) return Image{};
  for (int y = 0; y < from.height; ++y)
    for (int x = 0; x < from.width; ++x)
      from.bits[static_cast<size_t>(y) * from.width + x] =
          PatternColor(source.left + x, source.top + y);
  // GDI's own pixel replication, in a context's default stretch mode as the lens's copy is:
  // where the source is one pixel larger than the picture (zoom step 2, odd side) the merged
  // pixels are combined as that mode combines them.
  StretchBlt(to.dc, 0, 0, to.width, to.height, from.dc, 0, 0, from.width, from.height, SRCCOPY);
  Image image = to.ToImage();
  if (view.cross) {
    const int cx = view.width / 2, cy = view.height / 2;
    for (int x = cx - view.width / 4; x < cx + view.width / 4; ++x) image.At(x, cy) = 0;
    for (int y = cy - view.height / 4; y < cy + view.height / 4; ++y) image.At(cx, y) = 0;
  }
  return image;
}

::testing::AssertionResult SamePicture(const Image& actual, const Image& expected,
                                       const RECT& ignore) {
  if (actual.width != expected.width || actual.height != expected.height)
    return ::testing::AssertionFailure() << "picture is " << actual.width << "x" << actual.height
                                         << ", expected " << expected.width << "x"
                                         << expected.height;
  int differing = 0;
  RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  std::ostringstream first;
  for (int y = 0; y < actual.height; ++y)
    for (int x = 0; x < actual.width; ++x) {
      if (Inside(ignore, x, y) || actual.At(x, y) == expected.At(x, y)) continue;
      if (differing < 4)
        first << " (" << x << "," << y << ") is " << Hex(actual.At(x, y)) << " not "
              << Hex(expected.At(x, y)) << ";";
      ++differing;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " of " << actual.width * actual.height
                                       << " pixels differ, within " << Describe(box) << ":"
                                       << first.str();
}

namespace {

// With LUMEVIEW_E2E_DUMP naming a folder, a picture that did not come is kept there for a look:
// the expected and the actual picture and the whole screen.
void DumpOnFailure(const Image& expected, const Image& actual) {
  const char* folder = std::getenv("LUMEVIEW_E2E_DUMP");
  if (!folder || !*folder) return;
  const std::string stem =
      std::string(folder) + "\\picture-" + std::to_string(GetTickCount64());
  SaveImage(expected, stem + "-expected.bmp");
  SaveImage(actual, stem + "-actual.bmp");
  SaveImage(CaptureScreen(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}),
            stem + "-screen.bmp");
}

}  // namespace

::testing::AssertionResult WaitForPicture(const LensView& view, const PatternWindow& pattern,
                                          DWORD timeoutMs, const RECT& ignore) {
  const Image expected = ExpectedPicture(view, pattern.Area());
  if (expected.pixels.empty())
    return ::testing::AssertionFailure()
           << "the lens would copy " << Describe(SourceRect(view))
           << ", not inside the pattern " << Describe(pattern.Area());
  ::testing::AssertionResult last = ::testing::AssertionFailure();
  WaitFor(
      [&] {
        last = SamePicture(CaptureScreen(view.onScreen), expected, ignore);
        return static_cast<bool>(last);
      },
      timeoutMs);
  if (last) return last;
  DumpOnFailure(expected, CaptureScreen(view.onScreen));
  return ::testing::AssertionFailure() << "lens picture at " << Describe(view.onScreen)
                                       << " (cursor " << view.cursor.x << "," << view.cursor.y
                                       << ", zoom " << view.zoom << "): " << last.message();
}

::testing::AssertionResult WaitForOverlay(const LensView& view, const PatternWindow& pattern,
                                          const RECT& region, DWORD timeoutMs) {
  const Image expected = ExpectedPicture(view, pattern.Area());
  if (expected.pixels.empty())
    return ::testing::AssertionFailure() << "the lens would copy outside the pattern";
  std::string last = "nothing read";
  const bool seen = WaitFor(
      [&] {
        const Image actual = CaptureScreen(view.onScreen);
        ::testing::AssertionResult outside = SamePicture(actual, expected, region);
        if (!outside) {
          last = std::string("outside the overlay: ") + outside.message();
          return false;
        }
        Image inner = actual;
        RECT all{0, 0, actual.width, actual.height};
        RECT in{};
        IntersectRect(&in, &region, &all);
        for (int y = in.top; y < in.bottom; ++y)
          for (int x = in.left; x < in.right; ++x)
            if (actual.At(x, y) != expected.At(x, y)) return true;
        last = "the picture is exact inside the overlay's region too";
        return false;
      },
      timeoutMs);
  if (seen) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no overlay seen over the picture: " << last;
}

bool SaveImage(const Image& image, const std::string& path) {
  const int stride = (image.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = image.width;
  info.biHeight = image.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(stride * image.height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(&file, sizeof(file), 1, f);
  std::fwrite(&info, sizeof(info), 1, f);
  std::vector<unsigned char> row(static_cast<size_t>(stride), 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = image.At(x, y);
      row[x * 3] = static_cast<unsigned char>(p);
      row[x * 3 + 1] = static_cast<unsigned char>(p >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(p >> 16);
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

}  // namespace e2e
