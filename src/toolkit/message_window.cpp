#include "toolkit/message_window.h"

#include "toolkit/application.h"

namespace {
const char kClassName[] = "LumeviewMessageWindow";

void RegisterOnce(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, kClassName, &wc)) return;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);
}
}  // namespace

TMessageWindow::TMessageWindow(Handler handler, Kind kind)
    : handler_(std::move(handler)), kind_(kind) {}

TMessageWindow::~TMessageWindow() {
  if (wnd_) SetWindowLongPtrA(wnd_.get(), GWLP_USERDATA, 0);
}

HWND TMessageWindow::Handle() {
  if (!wnd_) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterOnce(instance, &TMessageWindow::WindowProc);
    HWND parent = nullptr;
    DWORD style = WS_POPUP;
    if (kind_ == Kind::MessageOnly) parent = HWND_MESSAGE;
    if (kind_ == Kind::DesktopChild) {
      parent = GetDesktopWindow();
      style = WS_CHILD;
    }
    wnd_.reset(CreateWindowExA(0, kClassName, "", style, 0, 0, 0, 0, parent, nullptr, instance,
                               this));
  }
  return wnd_.get();
}

LRESULT CALLBACK TMessageWindow::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<TMessageWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (self && self->handler_) {
    try {
      LRESULT result = 0;
      if (self->handler_(msg, wp, lp, result)) return result;
    } catch (const std::exception& e) {
      if (Application) Application->HandleException(e);
      return 0;
    } catch (...) {
      if (Application) Application->HandleException(EError("Unknown error"));
      return 0;
    }
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}
