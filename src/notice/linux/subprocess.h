#ifndef KESTRABIN_NOTICE_LINUX_SUBPROCESS_H_
#define KESTRABIN_NOTICE_LINUX_SUBPROCESS_H_

#include <array>
#include <cstddef>

class NoticeInterrupts;

enum class SubprocessEnd {
  NotStarted,   // it could not be executed
  Exited,       // it exited by itself; status is its exit status
  Signalled,    // a signal it did not get from us ended it; status is that signal
  Interrupted,  // a hang-up, Ctrl-C or kill came for us: it was ended and reaped
};

struct SubprocessResult {
  SubprocessEnd end = SubprocessEnd::NotStarted;
  int status = 0;
  // The start of what it wrote to its standard error, NUL-terminated; the
  // rest is read and dropped, so it never blocks on a full pipe.
  std::array<char, 4096> error_head{};
};

// Runs the program at the absolute `path` with `argv` (null-terminated) and
// our environment, and waits for it to end. It starts with default signal
// actions, no signal blocked, standard input and output on /dev/null and
// standard error into a pipe of ours, so nothing it writes reaches our
// console. The wait lets `interrupts` through; one that comes ends the
// program (SIGTERM, SIGKILL if it lingers) before this returns.
SubprocessResult run_subprocess(const char* path, const char* const* argv,
                                const NoticeInterrupts& interrupts);

#endif  // KESTRABIN_NOTICE_LINUX_SUBPROCESS_H_
