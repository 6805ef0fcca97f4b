#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "notice/linux/notice_interrupts.h"
#include "notice/linux/subprocess.h"
#include "standard_descriptors.h"

namespace {

constexpr int kLingerMs = 1000;  // how long an ended program may take to exit
constexpr int kLingerStepMs = 10;

struct Descriptors {
  int null = -1;
  std::array<int, 2> error{-1, -1};  // the program's standard error
  std::array<int, 2> exec{-1, -1};   // carries errno from a failed exec; a good one closes it
};

void close_descriptor(int& fd) {
  if (fd >= 0) {
    close(fd);
    fd = -1;
  }
}

void close_descriptors(Descriptors& d) {
  close_descriptor(d.null);
  for (int& fd : d.error) {
    close_descriptor(fd);
  }
  for (int& fd : d.exec) {
    close_descriptor(fd);
  }
}

bool open_pipe(std::array<int, 2>& ends) {
  if (pipe2(ends.data(), O_CLOEXEC) != 0) {
    return false;
  }
  // The child's own standard streams would overwrite a pipe on 0 to 2.
  ends[0] = above_standard_descriptors(ends[0]);
  ends[1] = above_standard_descriptors(ends[1]);
  return ends[0] >= 0 && ends[1] >= 0;
}

bool open_descriptors(Descriptors& d) {
  d.null = above_standard_descriptors(open("/dev/null", O_RDWR | O_CLOEXEC));
  // Only our end is non-blocking: the program writes as it always does.
  return d.null >= 0 && open_pipe(d.error) && open_pipe(d.exec) &&
         fcntl(d.error[0], F_SETFL, O_NONBLOCK) == 0;
}

// Between fork and exec, so only async-signal-safe calls. The run ignores
// SIGPIPE and SIGXFSZ and blocks the interrupts; none of that is the program's.
void reset_signals() {
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) {
    sigaction(signal, &default_action, nullptr);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

[[noreturn]] void exec_in_child(const char* path, const char* const* argv, const Descriptors& d) {
  reset_signals();
  // A toolkit that aborts for want of a display must not leave a core file in
  // the folder the user started from.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  dup2(d.null, 0);
  dup2(d.null, 1);
  dup2(d.error[1], 2);
  // execve does not write through its arguments; the cast only meets its old signature.
  execve(path, const_cast<char* const*>(argv), environ);
  const int error = errno;
  [[maybe_unused]] const ssize_t written = write(d.exec[1], &error, sizeof error);
  _exit(127);
}

// Blocks until the child has executed the program (end of file) or has
// reported why it could not.
bool exec_succeeded(int fd) {
  int error = 0;
  ssize_t got = 0;
  do {
    got = read(fd, &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  return got == 0;
}

// Reads all that is ready, keeping what fits in `head`; false at end of file.
bool drain(int fd, std::array<char, 4096>& head, std::size_t& kept) {
  std::array<char, 512> chunk{};
  for (;;) {
    const ssize_t got = read(fd, chunk.data(), chunk.size());
    if (got == 0) {
      return false;
    }
    if (got < 0) {
      return errno == EAGAIN || errno == EINTR;
    }
    for (ssize_t i = 0; i < got && kept + 1 < head.size(); ++i) {
      head[kept++] = chunk[static_cast<std::size_t>(i)];
    }
  }
}

// Waits for the program to end while draining its standard error. Without a
// pidfd (kernels before 5.3) the end of that output stands for its exit.
// False when an interrupt came first.
bool wait_for_exit(int pidfd, int error_fd, const NoticeInterrupts& interrupts,
                   SubprocessResult& result) {
  std::size_t kept = 0;
  std::array<pollfd, 2> fds{pollfd{error_fd, POLLIN, 0}, pollfd{pidfd, POLLIN, 0}};
  for (;;) {
    if (ppoll(fds.data(), fds.size(), nullptr, interrupts.wait_mask()) < 0) {
      return false;
    }
    if (fds[0].revents != 0 && !drain(fds[0].fd, result.error_head, kept)) {
      fds[0].fd = -1;
    }
    if (fds[1].revents != 0) {
      // Whatever it wrote just before it exited is still in the pipe.
      if (fds[0].fd >= 0) {
        drain(fds[0].fd, result.error_head, kept);
      }
      return true;
    }
    if (fds[0].fd < 0 && fds[1].fd < 0) {
      return true;
    }
  }
}

// Asks the program to end, gives it a moment, then makes it, and reaps it.
void end_program(pid_t pid) {
  kill(pid, SIGTERM);
  for (int waited = 0; waited < kLingerMs; waited += kLingerStepMs) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      return;
    }
    usleep(kLingerStepMs * 1000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage, so C++
// cannot link it; the system call itself is as simple.
int open_pidfd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

int reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// Starts the program and waits for it; see run_subprocess.
SubprocessResult run_child(const char* path, const char* const* argv,
                           const NoticeInterrupts& interrupts) {
  Descriptors d;
  if (!open_descriptors(d)) {
    close_descriptors(d);
    return {};
  }
  const pid_t pid = fork();
  if (pid == 0) {
    exec_in_child(path, argv, d);
  }
  close_descriptor(d.null);
  close_descriptor(d.error[1]);
  close_descriptor(d.exec[1]);
  if (pid < 0 || !exec_succeeded(d.exec[0])) {
    if (pid > 0) {
      reap(pid);
    }
    close_descriptors(d);
    return {};
  }
  int pidfd = open_pidfd(pid);
  SubprocessResult result;
  if (wait_for_exit(pidfd, d.error[0], interrupts, result)) {
    const int status = reap(pid);
    result.end = WIFEXITED(status) ? SubprocessEnd::Exited : SubprocessEnd::Signalled;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
  } else {
    end_program(pid);
    result.end = SubprocessEnd::Interrupted;
  }
  close_descriptor(pidfd);
  close_descriptors(d);
  return result;
}

}  // namespace

SubprocessResult run_subprocess(const char* path, const char* const* argv,
                                const NoticeInterrupts& interrupts) {
  // Were SIGCHLD ignored, as a caller may leave it, the kernel would reap the
  // program itself and its exit status would be lost to us.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  struct sigaction previous {};
  sigaction(SIGCHLD, &default_action, &previous);
  SubprocessResult result = run_child(path, argv, interrupts);
  sigaction(SIGCHLD, &previous, nullptr);
  return result;
}
