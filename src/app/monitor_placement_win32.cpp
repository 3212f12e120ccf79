#include "app/monitor_placement_win32.h"

#include <windows.h>

#include <exception>
#include <utility>

namespace {

GRect FromRect(const RECT& r) { return GRect{r.left, r.top, r.right, r.bottom}; }

// What the enumeration gathers; an exception from the vector waits here until the
// enumeration has returned, as none may cross the system's callback.
struct MonitorList {
  std::vector<MonitorArea> monitors;
  bool primarySeen = false;
  std::exception_ptr failure;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto& list = *reinterpret_cast<MonitorList*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoA(monitor, &info)) return TRUE;  // gone since the enumeration began
  try {
    const MonitorArea area{FromRect(info.rcMonitor), FromRect(info.rcWork)};
    if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0 && !list.primarySeen) {
      list.monitors.insert(list.monitors.begin(), area);
      list.primarySeen = true;
    } else {
      list.monitors.push_back(area);
    }
  } catch (...) {
    list.failure = std::current_exception();
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<MonitorArea> PresentMonitors() {
  MonitorList list;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
  if (list.failure) std::rethrow_exception(list.failure);
  return std::move(list.monitors);
}

GBounds KeepOnPresentMonitors(GBounds lens) { return KeepOnMonitors(lens, PresentMonitors()); }
