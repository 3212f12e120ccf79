#pragma once
// The arithmetic of the lens: which screen rectangle the capture tick copies, where the
// crosshair goes, where the window sits in follow mode, how the wheel changes zoom,
// transparency and size, and how a stored position comes back onto the present monitors.
// Screen pixels are 32-bit signed; sums are formed in 64 bits and results that would leave
// the 32-bit range are held at its ends.

#include <cstdint>
#include <string>
#include <vector>

struct GPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const GPoint&) const = default;
};

struct GRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;   // exclusive
  int32_t bottom = 0;  // exclusive
  bool operator==(const GRect&) const = default;
};

// A window's outer position and size.
struct GBounds {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const GBounds&) const = default;
};

// A line from start up to, not including, end.
struct GSegment {
  GPoint start;
  GPoint end;
  bool operator==(const GSegment&) const = default;
};

// A monitor's whole rectangle and its work area (what the taskbar and docked bars leave free).
struct MonitorArea {
  GRect monitor;
  GRect work;
  bool operator==(const MonitorArea&) const = default;
};

struct CrossSegments {
  GSegment horizontal;
  GSegment vertical;
};

// size / zoom rounded to the nearest integer, ties to even. A zoom below 2 counts as 2.
int32_t HalfExtent(int32_t size, int32_t zoom);

// The screen rectangle shown in a picture of width x height at zoom step `zoom`, centred on
// the cursor: (x - rx, y - ry, x + rx, y + ry).
GRect SourceRect(GPoint cursor, int32_t width, int32_t height, int32_t zoom);

// Moves rect, without changing its size, onto area: first so that its left edge is not left of
// area's, then its top, then its right, then its bottom. A rect larger than the area ends
// aligned to the right and bottom edges.
GRect ShiftSourceOnto(GRect rect, GRect area);

// The crosshair on a width x height picture: cx = width/2, cy = height/2, arms of width/4 and
// height/4 (integer division truncating toward zero).
CrossSegments CrossLines(int32_t width, int32_t height);

// The top-left corner that centres a window of outerWidth x outerHeight on the cursor.
GPoint FollowPosition(GPoint cursor, int32_t outerWidth, int32_t outerHeight);

// "Zoom:" and the magnification n/2 as the shortest text of up to 15 significant digits,
// with the given decimal separator: 4 -> "Zoom:2", 3 -> "Zoom:1.5".
std::string ZoomText(int32_t n, char decimalSeparator);

// zoom + d; a result not above 2 gives 2. No upper limit beyond the 32-bit range.
int32_t NextZoom(int32_t zoom, int32_t d);

// t + d limited to 0..100.
int32_t NextTransparency(int32_t t, int32_t d);

// One size step of d pixels: width and height grow by d and the window moves by d/2 (toward
// zero) up and left so that its centre stays. Neither side goes below its minimum: a side that
// the minimum stops moves by half of the change it really got, so the centre stays as nearly
// as whole pixels allow (a side already below its minimum is brought up to it).
GBounds SizeStep(int32_t left, int32_t top, int32_t width, int32_t height, int32_t d, int32_t minWidth,
                 int32_t minHeight);

// The lens as it may stand on `monitors`. A lens wholly covered by the union of the monitor
// rectangles (lying across the seam of two monitors included) is returned exactly as given.
// Any other lens goes to the nearest monitor: the one whose rectangle shares the largest area
// with it or, when none shares any, the one at the smallest straight-line distance from it;
// ties go to the first listed, so the caller lists the primary monitor first. There each side
// is reduced to the work area's if larger, and the lens is moved the least that puts it wholly
// inside the work area. A monitor with an empty rectangle is passed over; one with an empty
// work area is used whole. A side below 0 counts as 0, and a lens with an empty side is on the
// monitors when its top-left corner is. Without monitors the lens is returned as given.
GBounds KeepOnMonitors(GBounds lens, const std::vector<MonitorArea>& monitors);

// A picture of width x height scaled to fit inside `area` with its proportions kept (larger or
// smaller), centred. Empty when the picture or the area is.
GRect FitInside(int32_t width, int32_t height, GRect area);

// Where a dialog of width x height goes on a monitor: centred across, with a third of the free
// height above it and two thirds below (integer division).
GPoint DialogPlacement(GRect monitor, int32_t width, int32_t height);
