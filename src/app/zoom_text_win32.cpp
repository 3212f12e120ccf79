#include "app/zoom_text_win32.h"

#include <windows.h>

#include "app/geometry.h"

std::string UserZoomText(int32_t zoom) {
  char separator[8] = ".";
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) < 2)
    separator[0] = '.';
  return ZoomText(zoom, separator[0]);
}
