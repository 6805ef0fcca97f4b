#ifndef KESTRABIN_BENCH_TIMED_SPAWN_H_
#define KESTRABIN_BENCH_TIMED_SPAWN_H_

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A program and its whole environment; nothing is inherited.
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

// True when a wait status is a normal exit with status 0.
bool exited_cleanly(int status);

#endif  // KESTRABIN_BENCH_TIMED_SPAWN_H_
