#ifndef KESTRABIN_BENCH_MAP_WATCH_H_
#define KESTRABIN_BENCH_MAP_WATCH_H_

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

// Our own client on an X server, told of every top-level window that maps:
// it selects SubstructureNotify on the root window.
class MapWatch {
 public:
  explicit MapWatch(const std::string& display_name);
  MapWatch(const MapWatch&) = delete;
  MapWatch& operator=(const MapWatch&) = delete;
  ~MapWatch();

  [[nodiscard]] bool connected() const { return display_ != nullptr; }
  [[nodiscard]] Display* display() const { return display_; }

  // Drops whatever the last run left queued.
  void forget_events();

  // The first top-level window (not override-redirect) to map, and when
  // (`mapped_at`, on now_ns()'s clock); 0 when none mapped before `deadline`.
  Window wait_for_top_level_map(std::int64_t deadline, std::int64_t& mapped_at);

  // WM_NAME of `window`, empty when it has none.
  [[nodiscard]] std::string title(Window window) const;

 private:
  Display* display_ = nullptr;
  Window root_ = 0;
};

#endif  // KESTRABIN_BENCH_MAP_WATCH_H_
