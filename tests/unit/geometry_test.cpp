// The lens arithmetic: source rectangle, shift onto the screen, crosshair, follow position,
// zoom text and the three wheel adjustments.

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "app/geometry.h"

namespace {
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
}  // namespace

TEST(HalfExtent, RoundsHalvesToEven) {
  EXPECT_EQ(HalfExtent(150, 2), 75);
  EXPECT_EQ(HalfExtent(150, 3), 50);
  EXPECT_EQ(HalfExtent(150, 4), 38);  // 37.5
  EXPECT_EQ(HalfExtent(10, 4), 2);    // 2.5
  EXPECT_EQ(HalfExtent(14, 4), 4);    // 3.5
  EXPECT_EQ(HalfExtent(151, 4), 38);  // 37.75
  EXPECT_EQ(HalfExtent(149, 4), 37);  // 37.25
  EXPECT_EQ(HalfExtent(0, 7), 0);
  EXPECT_EQ(HalfExtent(1, 50), 0);
}

TEST(HalfExtent, AgreesWithFloatingPointRoundingEverywhere) {
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  for (int32_t size = 0; size <= 2000; ++size)
    for (int32_t zoom = 2; zoom <= 60; ++zoom)
      ASSERT_EQ(HalfExtent(size, zoom), static_cast<int32_t>(std::nearbyint(double(size) / zoom)))
          << size << "/" << zoom;
  for (int32_t size : {kMax, kMax - 1, 2147483645})
    for (int32_t zoom : {2, 3, 4, 7, 1000, kMax})
      EXPECT_EQ(HalfExtent(size, zoom), static_cast<int32_t>(std::nearbyint(double(size) / zoom)))
          << size << "/" << zoom;
}

TEST(HalfExtent, ZoomBelowTwoCountsAsTwo) {
  EXPECT_EQ(HalfExtent(150, 0), 75);
  EXPECT_EQ(HalfExtent(150, -3), 75);
  EXPECT_EQ(HalfExtent(150, 1), 75);
}

TEST(SourceRect, CentredOnTheCursor) {
  EXPECT_EQ(SourceRect({640, 480}, 150, 150, 2), (GRect{565, 405, 715, 555}));
  EXPECT_EQ(SourceRect({640, 480}, 150, 150, 3), (GRect{590, 430, 690, 530}));
  EXPECT_EQ(SourceRect({640, 480}, 150, 150, 4), (GRect{602, 442, 678, 518}));  // 76 x 76
  EXPECT_EQ(SourceRect({0, 0}, 150, 100, 4), (GRect{-38, -25, 38, 25}));
  EXPECT_EQ(SourceRect({-5, 7}, 400, 300, 8), (GRect{-55, -31, 45, 45}));
}

TEST(SourceRect, HeldAtTheIntegerRangeEnds) {
  EXPECT_EQ(SourceRect({kMax, kMin}, 100, 100, 2), (GRect{kMax - 50, kMin, kMax, kMin + 50}));
}

TEST(ShiftSourceOnto, PrimaryScreenCases) {
  const GRect screen{0, 0, 1024, 768};
  EXPECT_EQ(ShiftSourceOnto({-38, -38, 38, 38}, screen), (GRect{0, 0, 76, 76}));
  EXPECT_EQ(ShiftSourceOnto({1000, 700, 1076, 776}, screen), (GRect{948, 692, 1024, 768}));
  EXPECT_EQ(ShiftSourceOnto({100, 100, 176, 176}, screen), (GRect{100, 100, 176, 176}));
  EXPECT_EQ(ShiftSourceOnto({-10, 700, 66, 776}, screen), (GRect{0, 692, 76, 768}));
  // Larger than the screen: ends aligned to the right and bottom edges.
  EXPECT_EQ(ShiftSourceOnto({-100, -100, 1200, 900}, screen), (GRect{-276, -232, 1024, 768}));
  EXPECT_EQ(ShiftSourceOnto({50, 50, 1150, 900}, screen), (GRect{-76, -82, 1024, 768}));
}

TEST(ShiftSourceOnto, AnotherMonitor) {
  const GRect left{-1280, 0, 0, 1024};  // a monitor left of the primary one
  EXPECT_EQ(ShiftSourceOnto({-1300, -20, -1224, 56}, left), (GRect{-1280, 0, -1204, 76}));
  EXPECT_EQ(ShiftSourceOnto({-40, 1000, 36, 1076}, left), (GRect{-76, 948, 0, 1024}));
  const GRect above{0, -900, 1600, 0};
  EXPECT_EQ(ShiftSourceOnto({10, -10, 86, 66}, above), (GRect{10, -76, 86, 0}));
}

TEST(ShiftSourceOnto, NoOverflowAtTheRangeEnds) {
  const GRect area{0, 0, kMax, kMax};
  EXPECT_EQ(ShiftSourceOnto({kMin, kMin, kMin + 100, kMin + 100}, area), (GRect{0, 0, 100, 100}));
  EXPECT_EQ(ShiftSourceOnto({kMax - 10, 0, kMax, 10}, area), (GRect{kMax - 10, 0, kMax, 10}));
}

TEST(CrossLines, QuarterArmsAroundTheCentre) {
  const CrossSegments even = CrossLines(150, 100);
  EXPECT_EQ(even.horizontal, (GSegment{{38, 50}, {112, 50}}));
  EXPECT_EQ(even.vertical, (GSegment{{75, 25}, {75, 75}}));
  const CrossSegments odd = CrossLines(151, 151);
  EXPECT_EQ(odd.horizontal, (GSegment{{38, 75}, {112, 75}}));
  EXPECT_EQ(odd.vertical, (GSegment{{75, 38}, {75, 112}}));
  const CrossSegments tiny = CrossLines(3, 1);
  EXPECT_EQ(tiny.horizontal, (GSegment{{1, 0}, {1, 0}}));  // empty: nothing is drawn
  EXPECT_EQ(tiny.vertical, (GSegment{{1, 0}, {1, 0}}));
}

TEST(FollowPosition, CentresTheOuterWindow) {
  EXPECT_EQ(FollowPosition({0, 0}, 150, 150), (GPoint{-75, -75}));
  EXPECT_EQ(FollowPosition({500, 400}, 151, 120), (GPoint{425, 340}));
  EXPECT_EQ(FollowPosition({kMin, kMax}, 150, -150), (GPoint{kMin, kMax}));
}

TEST(ZoomText, HalfTheStep) {
  EXPECT_EQ(ZoomText(4, '.'), "Zoom:2");
  EXPECT_EQ(ZoomText(3, '.'), "Zoom:1.5");
  EXPECT_EQ(ZoomText(2, '.'), "Zoom:1");
  EXPECT_EQ(ZoomText(7, ','), "Zoom:3,5");
  EXPECT_EQ(ZoomText(50, ','), "Zoom:25");
  EXPECT_EQ(ZoomText(kMax, '.'), "Zoom:1073741823.5");
  EXPECT_EQ(ZoomText(kMin, '.'), "Zoom:-1073741824");
  EXPECT_EQ(ZoomText(-1, '.'), "Zoom:-0.5");
  EXPECT_EQ(ZoomText(0, '.'), "Zoom:0");
}

TEST(ZoomText, MatchesShortestGeneralFloatText) {
  auto reference = [](int32_t n) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Zoom:%.15g", n / 2.0);
    return std::string(buffer);
  };
  for (int32_t n = -300; n <= 3000; ++n) ASSERT_EQ(ZoomText(n, '.'), reference(n)) << n;
  for (int32_t n : {kMax, kMax - 1, kMin, kMin + 1, 999999999, 1999999999})
    EXPECT_EQ(ZoomText(n, '.'), reference(n)) << n;
}

TEST(NextZoom, FloorAtTwoNoCeiling) {
  EXPECT_EQ(NextZoom(3, -1), 2);
  EXPECT_EQ(NextZoom(2, -1), 2);
  EXPECT_EQ(NextZoom(4, -1), 3);
  EXPECT_EQ(NextZoom(50, 1), 51);
  EXPECT_EQ(NextZoom(0, 1), 2);
  EXPECT_EQ(NextZoom(kMax, 1), kMax);
  EXPECT_EQ(NextZoom(kMin, -1), 2);
  EXPECT_EQ(NextZoom(kMax, kMax), kMax);
}

TEST(NextTransparency, LimitedToPercent) {
  EXPECT_EQ(NextTransparency(100, 2), 100);
  EXPECT_EQ(NextTransparency(2, -2), 0);
  EXPECT_EQ(NextTransparency(1, -2), 0);
  EXPECT_EQ(NextTransparency(20, 2), 22);
  EXPECT_EQ(NextTransparency(99, 2), 100);
  EXPECT_EQ(NextTransparency(250, -2), 100);  // a hand-edited value comes back into range
  EXPECT_EQ(NextTransparency(kMax, 2), 100);
  EXPECT_EQ(NextTransparency(kMin, -2), 0);
}

TEST(SizeStep, KeepsTheCentre) {
  EXPECT_EQ(SizeStep(100, 100, 150, 150, -2, 16, 16), (GBounds{101, 101, 148, 148}));
  EXPECT_EQ(SizeStep(100, 100, 149, 149, 2, 16, 16), (GBounds{99, 99, 151, 151}));
  EXPECT_EQ(SizeStep(-50, 30, 200, 120, 2, 16, 16), (GBounds{-51, 29, 202, 122}));
  // An odd step moves by its truncated half, toward zero both ways.
  EXPECT_EQ(SizeStep(10, 10, 100, 100, 3, 16, 16), (GBounds{9, 9, 103, 103}));
  EXPECT_EQ(SizeStep(10, 10, 100, 100, -3, 16, 16), (GBounds{11, 11, 97, 97}));
}

TEST(SizeStep, StopsAtTheMinimum) {
  EXPECT_EQ(SizeStep(100, 100, 18, 18, -2, 18, 18), (GBounds{100, 100, 18, 18}));
  // One pixel left to give: the window shrinks by one and stays put (half of 1 is 0).
  EXPECT_EQ(SizeStep(100, 100, 19, 19, -2, 18, 18), (GBounds{100, 100, 18, 18}));
  // Only one side stopped: the other still shrinks about its centre.
  EXPECT_EQ(SizeStep(100, 100, 18, 150, -2, 18, 18), (GBounds{100, 101, 18, 148}));
  // Already below the minimum (hand-edited): brought up to it about the centre.
  EXPECT_EQ(SizeStep(100, 100, 10, 10, -2, 18, 18), (GBounds{96, 96, 18, 18}));
  EXPECT_EQ(SizeStep(100, 100, -40, 10, 2, 18, 18), (GBounds{71, 96, 18, 18}));
}

TEST(SizeStep, GrowthHeldAtTheIntegerRange) {
  const GBounds b = SizeStep(0, 0, kMax - 1, 100, 4, 16, 16);
  EXPECT_EQ(b.width, kMax);
  EXPECT_EQ(b.left, 0);    // grew by 1 only: half of 1 is 0
  EXPECT_EQ(b.height, 104);
  EXPECT_EQ(b.top, -2);
  const GBounds c = SizeStep(kMin, kMin, 100, 100, 2, 16, 16);
  EXPECT_EQ(c.left, kMin);
}

namespace {

// A 1920 x 1080 primary monitor with the taskbar along its bottom, and a second one of the
// same size to its right with the taskbar on its top.
const MonitorArea kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
const MonitorArea kRight{{1920, 0, 3840, 1080}, {1920, 40, 3840, 1080}};
// Two monitors with a 200-pixel gap between them, work areas whole.
const MonitorArea kGapLeft{{0, 0, 1000, 800}, {0, 0, 1000, 800}};
const MonitorArea kGapRight{{1200, 0, 2200, 800}, {1200, 0, 2200, 800}};

struct PlacementCase {
  const char* what;
  GBounds lens;
  std::vector<MonitorArea> monitors;
  GBounds expected;
};

void ExpectPlacements(const std::vector<PlacementCase>& cases) {
  for (const PlacementCase& c : cases) EXPECT_EQ(KeepOnMonitors(c.lens, c.monitors), c.expected) << c.what;
}

}  // namespace

TEST(KeepOnMonitors, KeptExactlyWhenWhollyOnTheMonitors) {
  const std::vector<PlacementCase> cases{
      {"on the primary", {100, 200, 150, 150}, {kPrimary}, {100, 200, 150, 150}},
      {"over the taskbar, still on the monitor", {10, 1000, 150, 80}, {kPrimary}, {10, 1000, 150, 80}},
      {"filling the monitor", {0, 0, 1920, 1080}, {kPrimary}, {0, 0, 1920, 1080}},
      {"wholly on the right monitor", {2500, 10, 300, 300}, {kPrimary, kRight}, {2500, 10, 300, 300}},
      {"across the seam", {1800, 100, 300, 200}, {kPrimary, kRight}, {1800, 100, 300, 200}},
      {"across the seam, larger than either", {100, 0, 3000, 1080}, {kPrimary, kRight}, {100, 0, 3000, 1080}},
      {"mirrored monitors", {100, 100, 150, 150}, {kPrimary, kPrimary}, {100, 100, 150, 150}},
      {"empty lens with its corner on", {500, 500, 0, -4}, {kPrimary}, {500, 500, 0, -4}},
  };
  ExpectPlacements(cases);
}

TEST(KeepOnMonitors, MovedOntoTheNearestWorkArea) {
  // An L of two monitors: the bounding box would cover the lens below, their union does not.
  const MonitorArea upper{{0, 0, 1000, 1000}, {0, 0, 1000, 960}};
  const MonitorArea lower{{1000, 500, 2000, 1500}, {1000, 500, 2000, 1500}};
  const MonitorArea tall{{1600, 0, 2600, 2000}, {1600, 0, 2600, 2000}};
  const MonitorArea square{{0, 0, 1000, 1000}, {0, 0, 1000, 1000}};
  const MonitorArea noWork{{0, 0, 800, 600}, {0, 0, 0, 0}};
  const MonitorArea empty{{50, 50, 50, 50}, {50, 50, 50, 50}};
  const std::vector<PlacementCase> cases{
      {"far right and below", {50000, 50000, 150, 150}, {kPrimary, kRight}, {3690, 930, 150, 150}},
      {"far left", {-40000, 300, 150, 150}, {kPrimary, kRight}, {0, 300, 150, 150}},
      {"a few pixels past the top-left", {-3, -2, 150, 150}, {kPrimary}, {0, 0, 150, 150}},
      {"a few pixels past the right", {1775, 10, 150, 150}, {kPrimary}, {1770, 10, 150, 150}},
      {"a few pixels past the bottom", {10, 935, 150, 150}, {kPrimary}, {10, 890, 150, 150}},
      {"past the right monitor's edge", {3700, 200, 300, 300}, {kPrimary, kRight}, {3540, 200, 300, 300}},
      {"larger than the work area", {100, 100, 3000, 2000}, {kPrimary}, {0, 0, 1920, 1040}},
      {"larger on one side only", {-50, 300, 2500, 100}, {kPrimary}, {0, 300, 1920, 100}},
      {"out of an L of two monitors", {900, 400, 200, 200}, {upper, lower}, {800, 400, 200, 200}},
      {"over the seam and off the top: a tie", {900, -50, 200, 100}, {square, kGapRight}, {800, 0, 200, 100}},
      {"in the gap, nearer the left", {1020, 100, 100, 100}, {kGapLeft, kGapRight}, {900, 100, 100, 100}},
      {"in the gap, nearer the right", {1080, 100, 100, 100}, {kGapLeft, kGapRight}, {1200, 100, 100, 100}},
      {"in the gap, midway: the first", {1050, 100, 100, 100}, {kGapLeft, kGapRight}, {900, 100, 100, 100}},
      {"in the gap, midway, reversed", {1050, 100, 100, 100}, {kGapRight, kGapLeft}, {1200, 100, 100, 100}},
      {"across the gap, more on the right", {960, 100, 300, 100}, {kGapLeft, kGapRight},
       {1200, 100, 300, 100}},
      {"straight-line distance decides", {1100, 1400, 100, 100}, {square, tall}, {1600, 1400, 100, 100}},
      {"mirrored monitors count once", {1800, 100, 150, 150}, {kPrimary, kPrimary}, {1770, 100, 150, 150}},
      {"no work area: the monitor whole", {700, 500, 200, 200}, {noWork}, {600, 400, 200, 200}},
      {"an empty monitor is passed over", {60, 60, 10, 10}, {empty, kGapRight}, {1200, 60, 10, 10}},
      {"empty lens off the monitors", {5000, -7, -10, 0}, {kPrimary}, {1920, 0, 0, 0}},
  };
  ExpectPlacements(cases);
}

TEST(KeepOnMonitors, NoOverflowAtTheRangeEnds) {
  const std::vector<PlacementCase> cases{
      {"max corner", {kMax, kMax, 150, 150}, {kPrimary}, {1770, 890, 150, 150}},
      {"max corner, screen wide", {kMax, kMax, 1920, 1080}, {kPrimary}, {0, 0, 1920, 1040}},
      {"min corner, screen wide", {kMin, kMin, 1920, 1080}, {kPrimary}, {0, 0, 1920, 1040}},
      {"min left, max top", {kMin, kMax, 150, 150}, {kPrimary, kRight}, {0, 890, 150, 150}},
      {"max left, on the right monitor", {kMax, 500, 150, 150}, {kPrimary, kRight}, {3690, 500, 150, 150}},
      {"max everything: the right monitor is nearer", {kMax, kMax, kMax, kMax}, {kPrimary, kRight},
       {1920, 40, 1920, 1040}},
      {"min corner, max size", {kMin, kMin, kMax, kMax}, {kPrimary, kRight}, {0, 0, 1920, 1040}},
      // Squared distances past 2^64: about 2^65 to the first monitor, 2^64 to the second.
      {"monitors at the range ends", {kMax - 10, kMax - 10, 5, 5},
       {{{kMin, kMin, kMin + 500, kMin + 500}, {kMin, kMin, kMin + 500, kMin + 500}},
        {{kMin, kMax - 500, kMin + 500, kMax}, {kMin, kMax - 500, kMin + 500, kMax}}},
       {kMin + 495, kMax - 10, 5, 5}},
  };
  ExpectPlacements(cases);
}

TEST(KeepOnMonitors, WithoutMonitorsTheLensStays) {
  for (const GBounds lens : {GBounds{kMax, kMax, 150, 150}, GBounds{-5000, 20, 300, 200}})
    EXPECT_EQ(KeepOnMonitors(lens, {}), lens);
}

TEST(FitInside, ScalesToTheAreaKeepingProportionsAndCentres) {
  const struct {
    int32_t w, h;
    GRect area, expected;
  } cases[] = {
      {640, 480, {0, 0, 200, 200}, {0, 25, 200, 175}},         // wider than tall
      {300, 600, {10, 10, 110, 110}, {35, 10, 85, 110}},       // taller than wide
      {16, 16, {0, 0, 64, 32}, {16, 0, 48, 32}},               // small pictures grow
      {4000, 1, {0, 0, 100, 100}, {0, 49, 100, 50}},           // never thinner than a pixel
      {0, 10, {0, 0, 100, 100}, {0, 0, 0, 0}},                 // no picture
      {10, 10, {5, 5, 5, 40}, {5, 5, 5, 5}},                   // no area
  };
  for (const auto& c : cases) EXPECT_EQ(FitInside(c.w, c.h, c.area), c.expected) << c.w << "x" << c.h;
}

TEST(DialogPlacement, CentredAcrossWithAThirdOfTheFreeHeightAbove) {
  // 1280 x 1024 monitors side by side; a 733 x 359 dialog.
  EXPECT_EQ(DialogPlacement({0, 0, 1280, 1024}, 733, 359), (GPoint{273, 221}));
  EXPECT_EQ(DialogPlacement({1280, 0, 2560, 1024}, 733, 359), (GPoint{1553, 221}));
  EXPECT_EQ(DialogPlacement({-1920, -200, 0, 880}, 800, 600), (GPoint{-1360, -40}));
  // Larger than the monitor: it starts left of and above it, by the same shares.
  EXPECT_EQ(DialogPlacement({0, 0, 640, 480}, 700, 600), (GPoint{-30, -40}));
}
