#include "syscall_trace.h"

#include <sys/wait.h>

#include <fstream>
#include <regex>

namespace {

constexpr const char* kTracedCalls =
    "trace=read,pread64,readv,preadv,preadv2,write,pwrite64,writev,pwritev,pwritev2,mmap";

bool is_read(const std::string& name) {
  return name == "read" || name == "pread64" || name == "readv" || name == "preadv" ||
         name == "preadv2";
}

bool is_write(const std::string& name) {
  return name == "write" || name == "pwrite64" || name == "writev" || name == "pwritev" ||
         name == "pwritev2";
}

void add_call(FileTraffic& traffic, const std::string& name, long long result) {
  if (is_read(name)) {
    traffic.read_calls++;
    traffic.bytes_read += result > 0 ? result : 0;
  } else if (is_write(name)) {
    traffic.write_calls++;
    traffic.bytes_written += result > 0 ? result : 0;
  }
}

}  // namespace

FileTraffic trace_file_traffic(const std::string& strace, const Command& command,
                               const std::string& path, const std::string& log) {
  Command traced{{strace, "-f", "-qq", "-y", "-s", "0", "-o", log, "-e", kTracedCalls, "--"},
                 command.env};
  traced.argv.insert(traced.argv.end(), command.argv.begin(), command.argv.end());
  FileTraffic traffic;
  const TimedRun run = run_timed(traced);
  traffic.exit_status = run.status;
  if (!exited_cleanly(run.status)) {
    return traffic;
  }
  traffic.traced = true;

  // e.g. `1234 read(3</tmp/x.swf>, ""..., 4096) = 4`; mmap names the fd fifth.
  static const std::regex kCall(R"(^(?:\d+ +)?(\w+)\((.*)\) += (-?\d+))");
  static const std::regex kFirstFd(R"(^\d+<([^>]*)>)");
  const std::string tag = "<" + path + ">";
  std::ifstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    std::smatch match;
    if (!std::regex_search(line, match, kCall)) {
      continue;
    }
    const std::string name = match[1];
    const std::string arguments = match[2];
    if (name == "mmap") {
      traffic.maps += arguments.find(tag) != std::string::npos ? 1 : 0;
      continue;
    }
    std::smatch fd;
    if (std::regex_search(arguments, fd, kFirstFd) && fd[1] == path) {
      add_call(traffic, name, std::stoll(match[3]));
    }
  }
  return traffic;
}
