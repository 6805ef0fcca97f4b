#include "launch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

namespace {

std::vector<char*> c_strings(const std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (const std::string& s : strings) {
    out.push_back(const_cast<char*>(s.c_str()));
  }
  out.push_back(nullptr);
  return out;
}

int dev_null() {
  static const int fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  return fd;
}

long read_peak_rss_kib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

}  // namespace

std::int64_t now_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

pid_t start(const Command& command) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd < 3; ++fd) {
    posix_spawn_file_actions_adddup2(&actions, dev_null(), fd);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

  std::vector<char*> argv = c_strings(command.argv);
  std::vector<char*> env = c_strings(command.env);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), env.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

TimedRun run_timed(const Command& command) {
  TimedRun run;
  const std::int64_t begin = now_ns();
  const pid_t pid = start(command);
  if (pid < 0) {
    return run;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  run.elapsed_ns = now_ns() - begin;
  run.status = status;
  return run;
}

pid_t start_traced(const Command& command) {
  std::vector<char*> argv = c_strings(command.argv);
  std::vector<char*> env = c_strings(command.env);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    for (int fd = 0; fd < 3; ++fd) {
      dup2(dev_null(), fd);
    }
    ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    execve(argv[0], argv.data(), env.data());
    _exit(127);
  }
  if (pid < 0) {
    return -1;
  }
  // The first stop is the exec; from there on, stop once more at the exit.
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) {
    return -1;
  }
  ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
  ptrace(PTRACE_CONT, pid, nullptr, nullptr);
  return pid;
}

TracedExit wait_traced(pid_t pid) {
  TracedExit result;
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) {
      return result;
    }
    if (WIFEXITED(status) || WIFSIGNALED(status)) {
      result.status = status;
      return result;
    }
    if (!WIFSTOPPED(status)) {
      continue;
    }
    if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
      result.peak_rss_kib = read_peak_rss_kib(pid);
      ptrace(PTRACE_CONT, pid, nullptr, nullptr);
      continue;
    }
    const int signal = WSTOPSIG(status);
    ptrace(PTRACE_CONT, pid, nullptr, signal == SIGTRAP ? 0 : signal);
  }
}

bool exited_cleanly(int status) {
  return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
