#include "desktop/alpha.h"

#include <algorithm>

uint8_t AlphaFromPercent(int32_t percent) {
  const int32_t p = std::clamp<int32_t>(percent, 0, 100);
  return static_cast<uint8_t>((100 - p) * 255 / 100);
}
