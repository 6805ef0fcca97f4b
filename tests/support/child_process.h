#ifndef KESTRABIN_TESTS_SUPPORT_CHILD_PROCESS_H_
#define KESTRABIN_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// How a child ended and what it wrote.
struct ChildResult {
  bool exited = false;     // false: killed by a signal, or still running at the deadline
  int exit_code = -1;      // the low eight bits of the status, when exited
  int signal = 0;          // the terminating signal, when not exited
  bool timed_out = false;  // the deadline passed and the child was killed
  std::string out;         // standard output (or the terminal's output, under a pty)
  std::string err;         // standard error (empty under a pty)
};

enum class Terminal {
  None,    // a new session with no controlling terminal: the notice cannot be shown
  Pseudo,  // a new session whose controlling terminal is a fresh pty
};

struct ChildOptions {
  // The whole environment of the child; nothing is inherited.
  std::vector<std::string> environment{"PATH=/usr/bin:/bin", "LC_ALL=C"};
  Terminal terminal = Terminal::None;
  // Where the child starts; empty keeps ours.
  std::string working_directory;
  // When set, argv[0] is passed as given but the child gets no arguments at all
  // (argc 0), which a well-behaved caller never does.
  bool empty_argv = false;
  // When set (and we are root), the child runs as this user and group id, with
  // no supplementary groups, as an ordinary user would.
  int run_as = -1;
  // Standard descriptors (0 to 2) the child starts with closed, as `2>&-` leaves them.
  std::vector<int> closed_streams;
  // Standard descriptors that are pipes whose reader has already gone.
  std::vector<int> readerless_streams;
  // The child's limit on the size of files it writes (RLIMIT_FSIZE); negative: none.
  long file_size_limit = -1;
  // The child's limit on open descriptors (RLIMIT_NOFILE); negative: as ours.
  long open_files_limit = -1;
};

// A program started with standard input on /dev/null (or the pty) and its
// output collected through pipes.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const ChildOptions& options);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Collects output until `needle` has appeared in it (true), or the child has
  // closed its output or `timeout` has passed (false).
  bool wait_for_output(const std::string& needle, std::chrono::milliseconds timeout);

  // True while the child has not ended, checked without waiting.
  bool running();

  // Types into the pty.
  void type(const std::string& keys) const;

  // Closes our side of the pty, as a terminal window that goes away does.
  void hang_up();

  // Waits for the child to end, killing it at the deadline.
  ChildResult finish(std::chrono::milliseconds timeout);

  [[nodiscard]] pid_t pid() const { return pid_; }

 private:
  void collect(std::chrono::milliseconds timeout);

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool reaped_ = false;
  int wait_status_ = 0;
  ChildResult result_;
};

// The null-terminated array of pointers into `strings` that execve takes.
// The strings must outlive it.
std::vector<char*> c_strings(const std::vector<std::string>& strings);

// A forked child that tells its parent through a pipe when it is ready.
struct ReportingChild {
  pid_t pid = -1;  // -1 when no child could be made
  int ready = -1;  // the read end of the pipe, the parent's to close
};

// Forks a child that runs `body` with the pipe's write end; the child ends
// when `body` returns, if it has not exec'd or exited before.
ReportingChild fork_reporting(const std::function<void(int ready)>& body);

// Runs a program to its end (at most `timeout`) and returns what it did.
ChildResult run_child(const std::vector<std::string>& argv, const ChildOptions& options = {},
                      std::chrono::milliseconds timeout = std::chrono::seconds(20));

#endif  // KESTRABIN_TESTS_SUPPORT_CHILD_PROCESS_H_
