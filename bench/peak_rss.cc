#include "peak_rss.h"

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>

#include "child_process.h"

namespace {

// wait4's ru_maxrss is no use here: exec folds the spawning process's
// resident set into it, and the driver is bigger than any target.
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

[[noreturn]] void exec_traced(std::vector<char*>& argv, std::vector<char*>& env) {
  setsid();
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  for (int fd = 0; fd < 3; ++fd) {
    dup2(null, fd);
  }
  ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
  execve(argv[0], argv.data(), env.data());
  _exit(127);
}

}  // namespace

pid_t start_traced(const Command& command) {
  std::vector<char*> argv = c_strings(command.argv);
  std::vector<char*> env = c_strings(command.env);
  const pid_t pid = fork();
  if (pid == 0) {
    exec_traced(argv, env);
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
