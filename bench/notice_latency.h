#ifndef KESTRABIN_BENCH_NOTICE_LATENCY_H_
#define KESTRABIN_BENCH_NOTICE_LATENCY_H_

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "launch.h"

struct Xvfb {
  pid_t pid = -1;
  std::string display;  // ":N", empty when the server did not come up
};

// A fresh Xvfb on a display number it picks itself; no window manager.
Xvfb start_xvfb(const std::string& program);
void stop_xvfb(Xvfb& server);

// Our own client on the server, told of every top-level window that maps.
struct MapWatch {
  Display* display = nullptr;
  Window root = 0;
  Atom wm_protocols = 0;
  Atom wm_delete = 0;
};

bool open_map_watch(MapWatch& watch, const std::string& display_name);
void close_map_watch(MapWatch& watch);

enum class Dismissal {
  CloseRequest,  // WM_DELETE_WINDOW, as a window manager's close button sends
  Terminate,     // SIGTERM
};

struct NoticeRun {
  bool mapped = false;
  std::int64_t latency_ns = 0;  // spawn to MapNotify of its top-level window
  std::string title;            // WM_NAME of that window
  int status = -1;
  long peak_rss_kib = -1;  // only for traced runs
};

// Starts `command`, waits for its first top-level window to map, dismisses it
// and reaps the process. With `traced`, reads its peak resident set as well
// (the trace slows the start, so such runs are not timed).
NoticeRun run_notice(MapWatch& watch, const Command& command, Dismissal dismissal, bool traced);

#endif  // KESTRABIN_BENCH_NOTICE_LATENCY_H_
