#ifndef KESTRABIN_BENCH_NOTICE_RUN_H_
#define KESTRABIN_BENCH_NOTICE_RUN_H_

#include <string>
#include <vector>

#include "map_watch.h"
#include "timed_spawn.h"
#include "x_server.h"

enum class Dismissal {
  CloseRequest,  // WM_DELETE_WINDOW to the window, as a window manager's close button sends
  Terminate,     // SIGTERM to the process started
};

// The caption every contender's notice shows, and the title its window must have.
inline constexpr const char* kNoticeCaption = "Kestrabin";

// One program that shows a notice captioned kNoticeCaption, and its results.
struct NoticeContender {
  std::string name;
  Command command;
  Dismissal dismissal = Dismissal::Terminate;
  std::string file;        // the file the run patches, checked after it; empty for none
  std::vector<double> ms;  // spawn to the map of its window, one sample a timed run
  long peak_rss_kib = -1;  // from traced runs
  bool ok = true;
};

// Starts the contender, waits for its first top-level window to map, checks
// the window's title, dismisses it and reaps the process; a contender with a
// file must then have exited 0 with the file patched. A timed run adds a
// sample; a traced one (the trace slows the start) reads the peak resident set.
void run_notice(MapWatch& watch, NoticeContender& c, bool traced);

// False, with the failure recorded, when Xvfb did not start or cannot be watched.
bool can_watch(const XServer& server, const MapWatch& watch);

#endif  // KESTRABIN_BENCH_NOTICE_RUN_H_
