#include "notice/linux/x11/x11_monitor.h"

#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <span>

namespace {

MonitorArea whole_screen(Display* display) {
  const int screen = DefaultScreen(display);
  return MonitorArea{{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)},
                     DisplayHeightMM(display, screen)};
}

// Asking an older server for its monitors would be an X error.
bool lists_monitors(Display* display) {
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  return XRRQueryExtension(display, &event_base, &error_base) != 0 &&
         XRRQueryVersion(display, &major, &minor) != 0 && (major > 1 || (major == 1 && minor >= 5));
}

bool holds(const XRRMonitorInfo& monitor, int x, int y) {
  return x >= monitor.x && x < monitor.x + monitor.width && y >= monitor.y &&
         y < monitor.y + monitor.height;
}

const XRRMonitorInfo* pick(std::span<const XRRMonitorInfo> monitors, bool have_pointer,
                           int pointer_x, int pointer_y) {
  if (have_pointer) {
    const auto with_pointer = std::ranges::find_if(
        monitors, [&](const XRRMonitorInfo& m) { return holds(m, pointer_x, pointer_y); });
    if (with_pointer != monitors.end()) {
      return &*with_pointer;
    }
  }
  const auto primary =
      std::ranges::find_if(monitors, [](const XRRMonitorInfo& m) { return m.primary != 0; });
  if (primary != monitors.end()) {
    return &*primary;
  }
  return monitors.empty() ? nullptr : monitors.data();
}

// A monitor that reaches past the screen (a stale or hand-made one) is cut
// to it; one wholly outside it is no use.
bool clip_to(const RootRect& screen, RootRect& area) {
  const int left = std::max(area.x, screen.x);
  const int top = std::max(area.y, screen.y);
  const int right = std::min(area.x + area.width, screen.x + screen.width);
  const int bottom = std::min(area.y + area.height, screen.y + screen.height);
  if (right <= left || bottom <= top) {
    return false;
  }
  area.x = left;
  area.y = top;
  area.width = right - left;
  area.height = bottom - top;
  return true;
}

}  // namespace

MonitorArea dialog_monitor(Display* display) {
  const MonitorArea screen = whole_screen(display);
  if (!lists_monitors(display)) {
    return screen;
  }
  const Window root = DefaultRootWindow(display);
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
  if (monitors == nullptr) {
    return screen;
  }
  Window root_return = 0;
  Window child = 0;
  int pointer_x = 0;
  int pointer_y = 0;
  int window_x = 0;
  int window_y = 0;
  unsigned int buttons = 0;
  // False when the pointer is on another screen of the display.
  const bool have_pointer = XQueryPointer(display, root, &root_return, &child, &pointer_x,
                                          &pointer_y, &window_x, &window_y, &buttons) != 0;
  MonitorArea area = screen;
  if (const XRRMonitorInfo* chosen =
          pick(std::span(monitors, static_cast<std::size_t>(std::max(count, 0))), have_pointer,
               pointer_x, pointer_y)) {
    area = MonitorArea{{chosen->x, chosen->y, chosen->width, chosen->height}, chosen->mheight};
    if (!clip_to(screen.place, area.place)) {
      area = screen;
    }
  }
  XRRFreeMonitors(monitors);
  return area;
}
