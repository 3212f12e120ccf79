#include "app/geometry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// a / b rounded to nearest, ties to even; b > 0. Exact in integers, so it equals rounding the
// floating-point quotient (which is exact at every tie for 32-bit operands).
int64_t RoundedQuotient(int64_t a, int64_t b) {
  int64_t q = a / b;
  const int64_t r = a % b;  // same sign as a
  const int64_t twice = 2 * (r < 0 ? -r : r);
  if (twice > b || (twice == b && (q % 2 != 0))) q += (a < 0) ? -1 : 1;
  return q;
}

// One side of a size step: the new extent and how far the near edge moves.
void StepSide(int32_t position, int32_t extent, int32_t d, int32_t minimum, int32_t& newPosition,
              int32_t& newExtent) {
  const int64_t wanted = std::max<int64_t>(int64_t{extent} + d, minimum);
  newExtent = Clamp32(wanted);
  const int64_t change = int64_t{newExtent} - extent;
  newPosition = Clamp32(int64_t{position} - change / 2);
}

}  // namespace

int32_t HalfExtent(int32_t size, int32_t zoom) {
  return Clamp32(RoundedQuotient(size, std::max<int32_t>(zoom, 2)));
}

GRect SourceRect(GPoint cursor, int32_t width, int32_t height, int32_t zoom) {
  const int64_t rx = HalfExtent(width, zoom);
  const int64_t ry = HalfExtent(height, zoom);
  return GRect{Clamp32(cursor.x - rx), Clamp32(cursor.y - ry), Clamp32(cursor.x + rx), Clamp32(cursor.y + ry)};
}

GRect ShiftSourceOnto(GRect rect, GRect area) {
  int64_t left = rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
  if (left < area.left) {
    const int64_t s = int64_t{area.left} - left;
    left += s;
    right += s;
  }
  if (top < area.top) {
    const int64_t s = int64_t{area.top} - top;
    top += s;
    bottom += s;
  }
  if (right > area.right) {
    const int64_t s = right - area.right;
    left -= s;
    right -= s;
  }
  if (bottom > area.bottom) {
    const int64_t s = bottom - area.bottom;
    top -= s;
    bottom -= s;
  }
  return GRect{Clamp32(left), Clamp32(top), Clamp32(right), Clamp32(bottom)};
}

CrossSegments CrossLines(int32_t width, int32_t height) {
  const int32_t cx = width / 2, cy = height / 2;
  const int32_t ax = width / 4, ay = height / 4;
  return CrossSegments{GSegment{GPoint{cx - ax, cy}, GPoint{cx + ax, cy}},
                       GSegment{GPoint{cx, cy - ay}, GPoint{cx, cy + ay}}};
}

GPoint FollowPosition(GPoint cursor, int32_t outerWidth, int32_t outerHeight) {
  return GPoint{Clamp32(int64_t{cursor.x} - outerWidth / 2), Clamp32(int64_t{cursor.y} - outerHeight / 2)};
}

std::string ZoomText(int32_t n, char decimalSeparator) {
  // n/2 is a whole number or a whole number and a half, with at most 10 digits before the
  // separator: the shortest text is always exact.
  const int64_t v = n;
  const int64_t magnitude = v < 0 ? -v : v;
  std::string text = "Zoom:";
  if (v < 0) text += '-';
  text += std::to_string(magnitude / 2);
  if (magnitude % 2 != 0) {
    text += decimalSeparator;
    text += '5';
  }
  return text;
}

int32_t NextZoom(int32_t zoom, int32_t d) {
  const int64_t next = int64_t{zoom} + d;
  return next <= 2 ? 2 : Clamp32(next);
}

int32_t NextTransparency(int32_t t, int32_t d) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{t} + d, 0, 100));
}

uint8_t AlphaFromPercent(int32_t percent) {
  const int32_t p = std::clamp<int32_t>(percent, 0, 100);
  return static_cast<uint8_t>((100 - p) * 255 / 100);
}

GBounds SizeStep(int32_t left, int32_t top, int32_t width, int32_t height, int32_t d, int32_t minWidth,
                 int32_t minHeight) {
  GBounds b;
  StepSide(left, width, d, minWidth, b.left, b.width);
  StepSide(top, height, d, minHeight, b.top, b.height);
  return b;
}
