// Lumeview: a screen magnifier that lives in the notification area.

#include <windows.h>
#include <commctrl.h>

#include "app/magnifier_state.h"
#include "app/zoom_form.h"
#include "toolkit/application.h"
#include "translate/catalogue_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&controls);

  // The catalogues are read before any window exists (the application object makes the
  // first) and live as long as the program; forms find them through the application object.
  TCatalogues catalogues;
  OpenCatalogues(catalogues, ProgramLanguageFolder());

  MagnifierState state;
  TApplication application;
  application.SetCatalogues(&catalogues);
  application.SetTitle("Lumeview");
  TfrmZoom* lens;
  try {
    lens = CreateForm<TfrmZoom>(&application, state);
  } catch (const std::exception& e) {
    application.HandleException(e);
    return 1;
  }
  // The lens shows its first picture as soon as it is on the screen, not a timer period
  // later; a failing first tick is reported as the timer's ticks are.
  try {
    lens->Show();
    lens->Timer1Timer();
  } catch (const std::exception& e) {
    application.HandleException(e);
  }
  application.Run();
  application.SetCatalogues(nullptr);
  CloseCatalogues(catalogues);
  return 0;
}
