#ifndef KESTRABIN_BENCH_LAUNCH_H_
#define KESTRABIN_BENCH_LAUNCH_H_

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct Command {
  std::vector<std::string> argv;
  std::vector<std::string> env;
};

// Nanoseconds on the monotonic clock.
std::int64_t now_ns();

// Starts `command` in a session of its own (no controlling terminal), stdin
// from /dev/null and stdout/stderr to /dev/null. Returns -1 if it could not.
pid_t start(const Command& command);

struct TimedRun {
  int status = -1;  // wait status; -1 when the spawn failed
  std::int64_t elapsed_ns = 0;
};

// Spawn to reaped, the way a caller experiences one run.
TimedRun run_timed(const Command& command);

// Starts `command` like start(), traced so that its peak resident set can be
// read as it exits. Runs freely otherwise.
pid_t start_traced(const Command& command);

struct TracedExit {
  int status = -1;
  long peak_rss_kib = -1;  // VmHWM of the image that exits
};

// Waits for a child from start_traced(), passing signals on.
TracedExit wait_traced(pid_t pid);

// True when a wait status is a normal exit with status 0.
bool exited_cleanly(int status);

#endif  // KESTRABIN_BENCH_LAUNCH_H_
