#include "child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

// Points `fd` at a pipe nobody will ever read: a write to it fails with EPIPE.
void make_readerless(int fd) {
  std::array<int, 2> ends{};
  if (pipe(ends.data()) != 0 || dup2(ends[1], fd) < 0) {
    std::perror("readerless pipe");
    _exit(126);
  }
  close(ends[0]);
  if (ends[1] != fd) {
    close(ends[1]);
  }
}

void set_standard_streams(const ChildOptions& options) {
  for (const int fd : options.readerless_streams) {
    make_readerless(fd);
  }
  for (const int fd : options.closed_streams) {
    close(fd);
  }
}

// Sets the child's limit `resource` to `limit`, soft and hard; negative: leaves it.
void set_limit(int resource, long limit) {
  if (limit < 0) {
    return;
  }
  const auto value = static_cast<rlim_t>(limit);
  const rlimit rl{value, value};
  if (setrlimit(static_cast<__rlimit_resource>(resource), &rl) != 0) {
    std::perror("setrlimit");
    _exit(126);
  }
}

[[noreturn]] void exec_child(const std::vector<std::string>& argv, const ChildOptions& options) {
  set_standard_streams(options);
  set_limit(RLIMIT_FSIZE, options.file_size_limit);
  set_limit(RLIMIT_NOFILE, options.open_files_limit);
  std::vector<char*> args = c_strings(argv);
  std::vector<char*> env = c_strings(options.environment);
  if (options.empty_argv) {
    args.assign(1, nullptr);
  }
  if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) {
    std::perror("chdir");
    _exit(126);
  }
  if (options.run_as >= 0) {
    const auto id = static_cast<uid_t>(options.run_as);
    if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0) {
      std::perror("dropping privileges");
      _exit(126);
    }
  }
  execve(argv[0].c_str(), args.data(), env.data());
  std::perror("execve");
  _exit(127);
}

// The child leads its own session, so this also ends anything it started,
// such as a program it traces.
void kill_group(pid_t pid) {
  if (kill(-pid, SIGKILL) != 0) {
    kill(pid, SIGKILL);
  }
}

void set_cloexec(int fd) { fcntl(fd, F_SETFD, FD_CLOEXEC); }

}  // namespace

std::vector<char*> c_strings(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (const std::string& s : strings) {
    pointers.push_back(const_cast<char*>(s.c_str()));
  }
  pointers.push_back(nullptr);
  return pointers;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const ChildOptions& options) {
  std::array<int, 2> err_pipe{};
  if (options.terminal == Terminal::Pseudo) {
    int master = -1;
    pid_ = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      exec_child(argv, options);
    }
    out_fd_ = master;
    set_cloexec(master);
    return;
  }

  std::array<int, 2> out_pipe{};
  if (pipe2(out_pipe.data(), O_CLOEXEC) != 0 || pipe2(err_pipe.data(), O_CLOEXEC) != 0) {
    std::perror("pipe2");
    std::abort();
  }
  pid_ = fork();
  if (pid_ == 0) {
    setsid();
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    exec_child(argv, options);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
}

ChildProcess::~ChildProcess() {
  if (!reaped_ && pid_ > 0) {
    kill_group(pid_);
    waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) {
    close(out_fd_);
  }
  if (err_fd_ >= 0) {
    close(err_fd_);
  }
}

// Reads whatever is ready on the output descriptors, for at most `timeout`.
void ChildProcess::collect(std::chrono::milliseconds timeout) {
  std::array<pollfd, 2> fds{pollfd{out_fd_, POLLIN, 0}, pollfd{err_fd_, POLLIN, 0}};
  const int ms = static_cast<int>(timeout.count());
  if (poll(fds.data(), fds.size(), ms) <= 0) {
    return;
  }
  std::array<char, 4096> buffer{};
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
      continue;
    }
    const ssize_t got = read(fds[i].fd, buffer.data(), buffer.size());
    int& fd = i == 0 ? out_fd_ : err_fd_;
    if (got > 0) {
      (i == 0 ? result_.out : result_.err).append(buffer.data(), static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      close(fd);  // end of output; under a pty EIO means the child closed it
      fd = -1;
    }
  }
}

bool ChildProcess::wait_for_output(const std::string& needle, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (result_.out.find(needle) == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || (out_fd_ < 0 && err_fd_ < 0)) {
      return false;
    }
    collect(std::min(left, std::chrono::milliseconds(50)));
  }
  return true;
}

bool ChildProcess::running() {
  if (reaped_) {
    return false;
  }
  if (waitpid(pid_, &wait_status_, WNOHANG) == pid_) {
    reaped_ = true;
  }
  return !reaped_;
}

void ChildProcess::type(const std::string& keys) const {
  if (write(out_fd_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
    std::perror("write to pty");
  }
}

void ChildProcess::hang_up() {
  close(out_fd_);
  out_fd_ = -1;
}

ChildResult ChildProcess::finish(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (running() || out_fd_ >= 0 || err_fd_ >= 0) {
    if (Clock::now() >= deadline) {
      if (running()) {
        result_.timed_out = true;
        kill_group(pid_);
      }
      break;
    }
    if (out_fd_ < 0 && err_fd_ < 0) {
      usleep(2000);
      continue;
    }
    collect(std::chrono::milliseconds(20));
  }
  if (!reaped_) {
    waitpid(pid_, &wait_status_, 0);
    reaped_ = true;
  }
  if (WIFEXITED(wait_status_)) {
    result_.exited = true;
    result_.exit_code = WEXITSTATUS(wait_status_);
  } else if (WIFSIGNALED(wait_status_)) {
    result_.signal = WTERMSIG(wait_status_);
  }
  return result_;
}

ReportingChild fork_reporting(const std::function<void(int ready)>& body) {
  std::array<int, 2> ready{};
  if (pipe2(ready.data(), O_CLOEXEC) != 0) {
    return {};
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    body(ready[1]);
    _exit(127);
  }
  close(ready[1]);
  if (pid < 0) {
    close(ready[0]);
    return {};
  }
  return {pid, ready[0]};
}

ChildResult run_child(const std::vector<std::string>& argv, const ChildOptions& options,
                      std::chrono::milliseconds timeout) {
  ChildProcess child(argv, options);
  return child.finish(timeout);
}
