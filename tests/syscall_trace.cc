#include "syscall_trace.h"

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>

#include "scratch_dir.h"

namespace {

// "name(args)   = result [...]" as strace writes it with -qq and no pid.
bool parse_line(const std::string& line, Syscall& call) {
  static const std::regex kLine(R"(^(\w+)\((.*)\)\s+= (.*)$)");
  std::smatch match;
  if (!std::regex_match(line, match, kLine)) {
    return false;
  }
  call.name = match[1];
  call.args = match[2];
  const std::string result = match[3];
  call.result = std::strtol(result.c_str(), nullptr, 0);
  call.injected = result.find("(INJECTED)") != std::string::npos;
  return true;
}

std::vector<Syscall> read_log(const std::string& path) {
  std::vector<Syscall> calls;
  std::ifstream log(path);
  for (std::string line; std::getline(log, line);) {
    Syscall call;
    if (parse_line(line, call)) {
      calls.push_back(call);
    }
  }
  return calls;
}

}  // namespace

int Syscall::fd() const {
  char* end = nullptr;
  const long value = std::strtol(args.c_str(), &end, 10);
  return end != args.c_str() && (*end == ',' || *end == '\0') ? static_cast<int>(value) : -1;
}

TracedRun run_traced(const std::vector<std::string>& argv, const std::string& inject,
                     ChildOptions options, std::chrono::milliseconds timeout) {
  const ScratchDir log_dir;
  const std::string log = log_dir / "strace.log";
  std::vector<std::string> full{"/usr/bin/strace",
                                "-qq",
                                "-o",
                                log,
                                "-s",
                                "256",
                                "-e",
                                "signal=none",
                                "-e",
                                "trace=open,openat,read,write,lseek,close,dup,dup2,dup3,fcntl"};
  if (!inject.empty()) {
    full.insert(full.end(), {"-e", "inject=" + inject});
  }
  full.emplace_back("--");
  full.insert(full.end(), argv.begin(), argv.end());
  // LeakSanitizer cannot run under a tracer; the sanitizer build otherwise
  // ends every traced run with its own error.
  options.environment.emplace_back("ASAN_OPTIONS=detect_leaks=0");
  TracedRun traced;
  traced.run = run_child(full, options, timeout);
  traced.calls = read_log(log);
  return traced;
}

bool is_open(const Syscall& call) { return call.name == "openat" || call.name == "open"; }

std::size_t open_of(const TracedRun& traced, const std::string& path) {
  const std::string quoted = "\"" + path + "\"";
  for (std::size_t i = 0; i < traced.calls.size(); ++i) {
    if (is_open(traced.calls[i]) && traced.calls[i].args.find(quoted) != std::string::npos) {
      return i;
    }
  }
  return std::string::npos;
}

namespace {

bool is_duplication(const Syscall& call) {
  return call.name.rfind("dup", 0) == 0 ||
         (call.name == "fcntl" && call.args.find("F_DUPFD") != std::string::npos);
}

// Whether `call` opens again, through /proc, a file that one of `fds` holds.
bool reopens_one_of(const Syscall& call, const std::set<int>& fds) {
  static const std::regex kProcFd(R"re("/proc/self/fd/(\d+)")re");
  std::smatch match;
  return is_open(call) && std::regex_search(call.args, match, kProcFd) &&
         fds.contains(std::stoi(match[1]));
}

// The indices of the calls made on the file that `path` names, through any
// descriptor the run held for it: the one its open gave, copies of it and
// reopens of it through /proc. Calls on a descriptor opened with O_PATH,
// which only locates the file, are left out.
std::vector<std::size_t> calls_on_file(const TracedRun& traced, const std::string& path) {
  std::vector<std::size_t> found;
  const std::size_t open = open_of(traced, path);
  if (open == std::string::npos) {
    return found;
  }
  std::set<int> fds{static_cast<int>(traced.calls[open].result)};
  std::set<int> locating;
  if (traced.calls[open].args.find("O_PATH") != std::string::npos) {
    locating.insert(static_cast<int>(traced.calls[open].result));
  }
  for (std::size_t i = open + 1; i < traced.calls.size(); ++i) {
    const Syscall& call = traced.calls[i];
    if (call.result >= 0 &&
        (reopens_one_of(call, fds) || (is_duplication(call) && fds.contains(call.fd())))) {
      fds.insert(static_cast<int>(call.result));
      continue;
    }
    if (!fds.contains(call.fd())) {
      continue;
    }
    if (!locating.contains(call.fd())) {
      found.push_back(i);
    }
    if (call.name == "close") {
      fds.erase(call.fd());  // the number may now name something else
      locating.erase(call.fd());
    }
  }
  return found;
}

}  // namespace

std::size_t nth_call_on(const TracedRun& traced, const std::string& path, const std::string& name,
                        int n) {
  for (const std::size_t i : calls_on_file(traced, path)) {
    if (traced.calls[i].name == name && --n == 0) {
      return i;
    }
  }
  return std::string::npos;
}

std::size_t last_call_on(const TracedRun& traced, const std::string& path,
                         const std::string& name) {
  std::size_t last = std::string::npos;
  for (const std::size_t i : calls_on_file(traced, path)) {
    if (traced.calls[i].name == name) {
      last = i;
    }
  }
  return last;
}

int ordinal_among_same_name(const TracedRun& traced, std::size_t index) {
  int count = 0;
  for (std::size_t i = 0; i <= index && i < traced.calls.size(); ++i) {
    count += traced.calls[i].name == traced.calls[index].name ? 1 : 0;
  }
  return count;
}

std::size_t first_write_to(const TracedRun& traced, int stream) {
  // perror may write through a duplicate of descriptor 2.
  std::set<int> stream_fds{stream};
  for (std::size_t i = 0; i < traced.calls.size(); ++i) {
    const Syscall& call = traced.calls[i];
    if (is_duplication(call) && stream_fds.contains(call.fd()) && call.result >= 0) {
      stream_fds.insert(static_cast<int>(call.result));
    } else if (call.name == "close") {
      if (call.fd() != stream) {
        stream_fds.erase(call.fd());
      }
    } else if (call.name == "write" && stream_fds.contains(call.fd())) {
      return i;
    }
  }
  return std::string::npos;
}
