#include "map_watch.h"

#include <poll.h>

#include "timed_spawn.h"

MapWatch::MapWatch(const std::string& display_name) : display_(XOpenDisplay(display_name.c_str())) {
  if (display_ == nullptr) {
    return;
  }
  root_ = DefaultRootWindow(display_);
  XSelectInput(display_, root_, SubstructureNotifyMask);
  XSync(display_, False);
}

MapWatch::~MapWatch() {
  if (display_ != nullptr) {
    XCloseDisplay(display_);
  }
}

void MapWatch::forget_events() { XSync(display_, True); }

Window MapWatch::wait_for_top_level_map(std::int64_t deadline, std::int64_t& mapped_at) {
  pollfd connection{ConnectionNumber(display_), POLLIN, 0};
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent event{};
      XNextEvent(display_, &event);
      if (event.type == MapNotify && event.xmap.event == root_ &&
          event.xmap.override_redirect == False) {
        mapped_at = now_ns();
        return event.xmap.window;
      }
    }
    const std::int64_t left_ms = (deadline - now_ns()) / 1'000'000;
    if (left_ms <= 0 || poll(&connection, 1, static_cast<int>(left_ms)) == 0) {
      return 0;
    }
  }
}

std::string MapWatch::title(Window window) const {
  char* name = nullptr;
  if (XFetchName(display_, window, &name) == 0 || name == nullptr) {
    return {};
  }
  std::string title = name;
  XFree(name);
  return title;
}
