#pragma once
// The application object: the title, the hidden application window that owns every form (so
// no form gets a taskbar button), the message loop, ProcessMessages, and the program-wide
// error report.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "toolkit/component.h"
#include "toolkit/errors.h"
#include "toolkit/handles.h"

class TForm;
struct TCatalogues;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  HWND Handle() const { return wnd_.get(); }
  HINSTANCE Instance() const { return instance_; }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);

  // The first form created through CreateForm; closing it ends the message loop.
  TForm* MainForm() const { return main_form_; }
  void SetMainForm(TForm* form) { main_form_ = form; }

  // Shows the main form and dispatches messages until Terminate (or WM_QUIT). The main form
  // is destroyed before Run returns.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Dispatches every message waiting in the queue, then returns.
  void ProcessMessages();
  // Translates and dispatches one message; shared by the main loop and modal loops.
  void DispatchOne(MSG& msg);

  // The program-wide error report: OnException when set (tests use it), else a message box
  // with the error's text (ReportText), the title as caption, an error icon and OK.
  void HandleException(const std::exception& e);
  std::function<void(const std::string& text)> OnException;

  // The program's translation catalogues (owned by the entry point), or nullptr; forms that
  // are translated look their texts up here.
  TCatalogues* Catalogues() const { return catalogues_; }
  void SetCatalogues(TCatalogues* catalogues) { catalogues_ = catalogues; }

  // Forms that want dialog keyboard handling (Tab, Enter, Esc) register here.
  void AddDialogWindow(HWND wnd);
  void RemoveDialogWindow(HWND wnd);

 private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

  HINSTANCE instance_;
  UniqueWindow wnd_;
  std::string title_;
  TForm* main_form_ = nullptr;
  TCatalogues* catalogues_ = nullptr;
  bool terminated_ = false;
  int reporting_ = 0;
  std::vector<HWND> dialog_windows_;
};

// The one application object; set while a TApplication exists.
extern TApplication* Application;

// Creates a form owned by `owner`, completes its loading and raises its OnCreate. The owner
// destroys it (or delete it earlier). The first form made with the application as owner
// becomes the main form.
template <class F, class... Args>
F* CreateForm(TComponent* owner, Args&&... args) {
  F* form = new F(owner, std::forward<Args>(args)...);
  if (owner == Application && Application && !Application->MainForm()) Application->SetMainForm(form);
  form->AfterConstruction();
  return form;
}
