#include "app/geometry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <tuple>

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

// A rectangle in 64 bits: a lens's right and bottom edges can pass the 32-bit range.
struct Box {
  int64_t left;
  int64_t top;
  int64_t right;
  int64_t bottom;
};

bool IsEmpty(const GRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Contains(const GRect& r, int64_t x, int64_t y) {
  return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

// Whether the union of the monitor rectangles covers the lens. The monitors' edges cut the
// lens into cells that each lie wholly inside or wholly outside every monitor; the lens is
// covered when every cell is inside one (so monitors that overlap count once).
bool IsCovered(const Box& lens, const std::vector<MonitorArea>& monitors) {
  if (lens.right <= lens.left || lens.bottom <= lens.top) {
    return std::any_of(monitors.begin(), monitors.end(), [&](const MonitorArea& m) {
      return Contains(m.monitor, lens.left, lens.top);
    });
  }
  std::vector<int64_t> xs{lens.left, lens.right};
  std::vector<int64_t> ys{lens.top, lens.bottom};
  for (const MonitorArea& m : monitors) {
    xs.push_back(std::clamp<int64_t>(m.monitor.left, lens.left, lens.right));
    xs.push_back(std::clamp<int64_t>(m.monitor.right, lens.left, lens.right));
    ys.push_back(std::clamp<int64_t>(m.monitor.top, lens.top, lens.bottom));
    ys.push_back(std::clamp<int64_t>(m.monitor.bottom, lens.top, lens.bottom));
  }
  for (auto* edges : {&xs, &ys}) {
    std::sort(edges->begin(), edges->end());
    edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
  }
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
      const bool inside = std::any_of(monitors.begin(), monitors.end(), [&](const MonitorArea& m) {
        return m.monitor.left <= xs[i] && xs[i + 1] <= m.monitor.right && m.monitor.top <= ys[j] &&
               ys[j + 1] <= m.monitor.bottom;
      });
      if (!inside) return false;
    }
  }
  return true;
}

// The area the lens shares with r. Each side is at most the lens's, below 2^31, so the
// product stays below 2^62.
int64_t SharedArea(const Box& lens, const GRect& r) {
  const int64_t w = std::min<int64_t>(lens.right, r.right) - std::max<int64_t>(lens.left, r.left);
  const int64_t h = std::min<int64_t>(lens.bottom, r.bottom) - std::max<int64_t>(lens.top, r.top);
  return (w > 0 && h > 0) ? w * h : 0;
}

// An unsigned 128-bit number, enough for a squared distance (each gap is below 2^34).
struct Wide {
  uint64_t high = 0;
  uint64_t low = 0;
  bool operator<(const Wide& o) const { return std::tie(high, low) < std::tie(o.high, o.low); }
};

Wide Add(Wide a, Wide b) {
  Wide sum{a.high + b.high, a.low + b.low};
  if (sum.low < a.low) ++sum.high;
  return sum;
}

// v * v for v below 2^34: v = h * 2^32 + l gives h^2 * 2^64 + h*l * 2^33 + l^2.
Wide Square(uint64_t v) {
  const uint64_t h = v >> 32, l = v & 0xFFFFFFFFu;
  const uint64_t cross = h * l;
  return Add(Wide{h * h, l * l}, Wide{cross >> 31, cross << 33});
}

// The squared straight-line distance between the lens and r; 0 when they touch or overlap.
Wide SquaredDistance(const Box& lens, const GRect& r) {
  const int64_t dx = std::max<int64_t>({0, r.left - lens.right, lens.left - r.right});
  const int64_t dy = std::max<int64_t>({0, r.top - lens.bottom, lens.top - r.bottom});
  return Add(Square(static_cast<uint64_t>(dx)), Square(static_cast<uint64_t>(dy)));
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

GBounds SizeStep(int32_t left, int32_t top, int32_t width, int32_t height, int32_t d, int32_t minWidth,
                 int32_t minHeight) {
  GBounds b;
  StepSide(left, width, d, minWidth, b.left, b.width);
  StepSide(top, height, d, minHeight, b.top, b.height);
  return b;
}

GBounds KeepOnMonitors(GBounds lens, const std::vector<MonitorArea>& monitors) {
  const int64_t width = std::max<int32_t>(lens.width, 0);
  const int64_t height = std::max<int32_t>(lens.height, 0);
  const Box box{lens.left, lens.top, lens.left + width, lens.top + height};
  if (monitors.empty() || IsCovered(box, monitors)) return lens;

  const MonitorArea* nearest = nullptr;
  int64_t nearestArea = 0;
  Wide nearestDistance;
  for (const MonitorArea& m : monitors) {
    if (IsEmpty(m.monitor)) continue;
    const int64_t area = SharedArea(box, m.monitor);
    const Wide distance = SquaredDistance(box, m.monitor);
    const bool nearer = area > nearestArea || (area == 0 && nearestArea == 0 && distance < nearestDistance);
    if (!nearest || nearer) {
      nearest = &m;
      nearestArea = area;
      nearestDistance = distance;
    }
  }
  if (!nearest) return lens;

  const GRect& work = IsEmpty(nearest->work) ? nearest->monitor : nearest->work;
  const int64_t w = std::min<int64_t>(width, int64_t{work.right} - work.left);
  const int64_t h = std::min<int64_t>(height, int64_t{work.bottom} - work.top);
  // Both ends lie inside the work area, so every result is a 32-bit value.
  const int64_t left = std::clamp<int64_t>(lens.left, work.left, work.right - w);
  const int64_t top = std::clamp<int64_t>(lens.top, work.top, work.bottom - h);
  return GBounds{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(w),
                 static_cast<int32_t>(h)};
}

GRect FitInside(int32_t width, int32_t height, GRect area) {
  const int64_t aw = int64_t{area.right} - area.left, ah = int64_t{area.bottom} - area.top;
  if (width <= 0 || height <= 0 || aw <= 0 || ah <= 0) return GRect{area.left, area.top, area.left, area.top};
  // The side that meets the area first decides the scale.
  int64_t w = aw, h = aw * height / width;
  if (h > ah) {
    h = ah;
    w = ah * width / height;
  }
  w = std::max<int64_t>(w, 1);
  h = std::max<int64_t>(h, 1);
  const int64_t left = area.left + (aw - w) / 2, top = area.top + (ah - h) / 2;
  return GRect{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(left + w),
               static_cast<int32_t>(top + h)};
}

GPoint DialogPlacement(GRect monitor, int32_t width, int32_t height) {
  const int64_t mw = int64_t{monitor.right} - monitor.left, mh = int64_t{monitor.bottom} - monitor.top;
  return GPoint{Clamp32(monitor.left + (mw - width) / 2), Clamp32(monitor.top + (mh - height) / 3)};
}
