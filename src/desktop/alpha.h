#pragma once
// The arithmetic of partial transparency: the alpha a layered window gets for a percentage.

#include <cstdint>

// Layered-window alpha for a transparency percentage: (100 - p) * 255 / 100, truncated.
// A percentage below 0 counts as 0 (opaque, 255), above 100 as 100 (invisible, 0).
uint8_t AlphaFromPercent(int32_t percent);
