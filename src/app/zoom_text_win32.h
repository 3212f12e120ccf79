#pragma once
// The zoom text ("Zoom:" and the magnification) with the user's decimal separator; shown by
// the info overlay and the setup dialog.

#include <cstdint>
#include <string>

std::string UserZoomText(int32_t zoom);
