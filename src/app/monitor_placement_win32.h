#pragma once
// The monitors that are present now, for bringing the lens back onto them (KeepOnMonitors).

#include <vector>

#include "app/geometry.h"

// Each present monitor's rectangle and work area in physical screen pixels: the primary monitor
// first, the others in the order the system lists them. Empty when the system lists none.
std::vector<MonitorArea> PresentMonitors();

// KeepOnMonitors(lens, PresentMonitors()): a lens not wholly on the present monitors comes back
// onto the nearest monitor's work area, whole; a lens wholly on them is returned as given.
GBounds KeepOnPresentMonitors(GBounds lens);
