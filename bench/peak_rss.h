#ifndef KESTRABIN_BENCH_PEAK_RSS_H_
#define KESTRABIN_BENCH_PEAK_RSS_H_

#include <sys/types.h>

#include "timed_spawn.h"

// Starts `command` like start(), traced so that its peak resident set can be
// read as it exits. Runs freely otherwise.
pid_t start_traced(const Command& command);

struct TracedExit {
  int status = -1;
  long peak_rss_kib = -1;  // VmHWM of the image that exits
};

// Waits for a child from start_traced(), passing signals on.
TracedExit wait_traced(pid_t pid);

#endif  // KESTRABIN_BENCH_PEAK_RSS_H_
