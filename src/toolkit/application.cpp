#include "toolkit/application.h"

#include <algorithm>
#include <cstring>

#include "toolkit/form.h"
#include "toolkit/report_text.h"

TApplication* Application = nullptr;

namespace {
const char kAppClass[] = "LumeviewApplication";
}

TApplication::TApplication() : TComponent(nullptr), instance_(GetModuleHandleA(nullptr)) {
  Application = this;
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance_, kAppClass, &wc)) {
    wc.lpfnWndProc = &TApplication::WindowProc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconA(instance_, "MAINICON");
    wc.lpszClassName = kAppClass;
    RegisterClassA(&wc);
  }
  // A zero-size, never-shown popup: the owner of every form.
  wnd_.reset(CreateWindowExA(0, kAppClass, "", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS |
                                                   WS_SYSMENU | WS_MINIMIZEBOX,
                             GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                             0, 0, nullptr, nullptr, instance_, nullptr));
}

TApplication::~TApplication() {
  DestroyComponents();
  wnd_.reset();
  if (Application == this) Application = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (wnd_) SetWindowTextA(wnd_.get(), title_.c_str());
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::DispatchOne(MSG& msg) {
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return;
  }
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    // Keys for a dialog (ours, or a system dialog such as the error report whose own loop
    // this one runs inside) get the dialog's keyboard handling: Return, Esc, Tab.
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    char class_name[16] = {};
    if (root) GetClassNameA(root, class_name, sizeof class_name);
    const bool dialog = std::find(dialog_windows_.begin(), dialog_windows_.end(), root) !=
                            dialog_windows_.end() ||
                        std::strcmp(class_name, "#32770") == 0;
    if (root && dialog && IsDialogMessageA(root, &msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void TApplication::ProcessMessages() {
  // Inside the system's own loop (a window being moved or sized, a menu open) the mouse and
  // keyboard input belongs to that loop: taking its button release would never end it. The
  // question is only asked when a message is waiting, so an empty queue costs one look.
  MSG msg;
  while (!terminated_ && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    UINT remove = PM_REMOVE;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    if (GetGUIThreadInfo(GetCurrentThreadId(), &gui) &&
        (gui.flags & (GUI_INMOVESIZE | GUI_INMENUMODE)))
      remove |= PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE;
    if (!PeekMessageA(&msg, nullptr, 0, 0, remove)) break;
    DispatchOne(msg);
  }
}

void TApplication::Run() {
  if (main_form_) main_form_->Show();
  MSG msg;
  while (!terminated_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    DispatchOne(msg);
  }
  terminated_ = true;
  if (main_form_) {
    TForm* form = main_form_;
    main_form_ = nullptr;
    delete form;
  }
}

void TApplication::HandleException(const std::exception& e) {
  std::string text = ReportText(e.what());
  if (OnException) {
    OnException(text);
    return;
  }
  // A report's message box runs its own loop; a failure repeating meanwhile is not reported
  // again on top of it.
  if (reporting_ > 0) return;
  ++reporting_;
  HWND owner = GetActiveWindow();
  // A hotkey can fail while another program is in front: the report comes to the front too.
  MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  --reporting_;
}

void TApplication::AddDialogWindow(HWND wnd) { dialog_windows_.push_back(wnd); }

void TApplication::RemoveDialogWindow(HWND wnd) {
  dialog_windows_.erase(std::remove(dialog_windows_.begin(), dialog_windows_.end(), wnd),
                        dialog_windows_.end());
}

LRESULT CALLBACK TApplication::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  // Closing the application window (Alt+F4 while it has the foreground, or a close request
  // from outside) ends the program the normal way: the main form closes. Left to the default,
  // it would destroy every window it owns and leave the process running without them.
  if (msg == WM_CLOSE && Application && Application->Handle() == wnd) {
    if (TForm* main = Application->MainForm()) {
      try {
        main->Close();
      } catch (const std::exception& e) {
        Application->HandleException(e);
      }
    } else {
      Application->Terminate();
    }
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}
