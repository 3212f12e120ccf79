// Lumeview: a screen magnifier that lives in the notification area.

#include <windows.h>
#include <commctrl.h>

#include "app/magnifier_state.h"
#include "app/zoom_form.h"
#include "toolkit/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&controls);

  MagnifierState state;
  TApplication application;
  application.SetTitle("Lumeview");
  try {
    CreateForm<TfrmZoom>(&application, state);
  } catch (const std::exception& e) {
    application.HandleException(e);
    return 1;
  }
  application.Run();
  return 0;
}
