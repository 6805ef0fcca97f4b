#include "syscall_trace.h"

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <utility>

#include "scratch_dir.h"

namespace {

// "name(args)   = result [...]" as strace writes it with -qq; with -f, each
// line starts with the pid.
bool parse_line(const std::string& line, Syscall& call) {
  static const std::regex kLine(R"(^(?:\d+ +)?(\w+)\((.*)\)\s+= (.*)$)");
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

// Runs `argv` under strace with `strace_options`, logging to a scratch file.
TracedRun run_under_strace(const std::vector<std::string>& argv,
                           const std::vector<std::string>& strace_options, ChildOptions options,
                           std::chrono::milliseconds timeout) {
  const ScratchDir log_dir;
  const std::string log = log_dir / "strace.log";
  std::vector<std::string> full{"/usr/bin/strace", "-qq", "-o", log, "-e", "signal=none"};
  full.insert(full.end(), strace_options.begin(), strace_options.end());
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

// The first argument as a descriptor, or -1 when it is not a number.
int first_fd(const Syscall& call) {
  char* end = nullptr;
  const long value = std::strtol(call.args.c_str(), &end, 10);
  const bool ends = *end == ',' || *end == '\0' || *end == '<';
  return end != call.args.c_str() && ends ? static_cast<int>(value) : -1;
}

// The file that descriptor refers to, as strace -y names it ("3</tmp/a>");
// empty without -y or when the first argument is no descriptor.
std::string first_fd_path(const Syscall& call) {
  static const std::regex kNamedFd(R"(^\d+<([^>]*)>)");
  std::smatch match;
  return std::regex_search(call.args, match, kNamedFd) ? match[1].str() : std::string();
}

bool is_open(const Syscall& call) { return call.name == "openat" || call.name == "open"; }

}  // namespace

TracedRun run_traced(const std::vector<std::string>& argv, const std::string& inject,
                     ChildOptions options, std::chrono::milliseconds timeout) {
  std::vector<std::string> strace_options{
      "-s", "256", "-e", "trace=open,openat,read,write,lseek,close,dup,dup2,dup3,fcntl"};
  if (!inject.empty()) {
    strace_options.insert(strace_options.end(), {"-e", "inject=" + inject});
  }
  return run_under_strace(argv, strace_options, std::move(options), timeout);
}

std::size_t open_of(const TracedRun& traced, const std::string& path) {
  return nth_open_of(traced, path, 1);
}

namespace {

bool is_duplication(const Syscall& call) {
  return call.name.rfind("dup", 0) == 0 ||
         (call.name == "fcntl" && call.args.find("F_DUPFD") != std::string::npos);
}

bool opens_path(const Syscall& call, const std::string& quoted_path) {
  return is_open(call) && call.result >= 0 && call.args.find(quoted_path) != std::string::npos;
}

// The indices of the calls made on the file that `path` names, through any
// descriptor the run held for it: each open of the name (the file is read
// through one and written through another) and copies of those.
std::vector<std::size_t> calls_on_file(const TracedRun& traced, const std::string& path) {
  const std::string quoted = "\"" + path + "\"";
  std::vector<std::size_t> found;
  std::set<int> fds;
  for (std::size_t i = 0; i < traced.calls.size(); ++i) {
    const Syscall& call = traced.calls[i];
    const int fd = first_fd(call);
    if (opens_path(call, quoted) ||
        (is_duplication(call) && fds.contains(fd) && call.result >= 0)) {
      fds.insert(static_cast<int>(call.result));
      continue;
    }
    if (!fds.contains(fd)) {
      continue;
    }
    found.push_back(i);
    if (call.name == "close") {
      fds.erase(fd);  // the number may now name something else
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

std::string injection_at(const TracedRun& dry, std::size_t index, const std::string& action) {
  if (index >= dry.calls.size()) {
    return "";
  }
  // strace's "when=" counts every call of that name, whatever it works on.
  const std::string& name = dry.calls[index].name;
  int ordinal = 0;
  for (std::size_t i = 0; i <= index; ++i) {
    ordinal += dry.calls[i].name == name ? 1 : 0;
  }
  return name + ":" + action + ":when=" + std::to_string(ordinal);
}

std::string fault_on(const TracedRun& dry, const std::string& path, const std::string& name, int n,
                     const std::string& error) {
  return injection_at(dry, nth_call_on(dry, path, name, n), "error=" + error);
}

std::size_t nth_open_of(const TracedRun& traced, const std::string& path, int n) {
  const std::string quoted = "\"" + path + "\"";
  for (std::size_t i = 0; i < traced.calls.size(); ++i) {
    if (is_open(traced.calls[i]) && traced.calls[i].args.find(quoted) != std::string::npos &&
        --n == 0) {
      return i;
    }
  }
  return std::string::npos;
}

std::size_t first_write_to(const TracedRun& traced, int stream) {
  // perror may write through a duplicate of descriptor 2.
  std::set<int> stream_fds{stream};
  for (std::size_t i = 0; i < traced.calls.size(); ++i) {
    const Syscall& call = traced.calls[i];
    const int fd = first_fd(call);
    if (is_duplication(call) && stream_fds.contains(fd) && call.result >= 0) {
      stream_fds.insert(static_cast<int>(call.result));
    } else if (call.name == "close") {
      if (fd != stream) {
        stream_fds.erase(fd);
      }
    } else if (call.name == "write" && stream_fds.contains(fd)) {
      return i;
    }
  }
  return std::string::npos;
}

namespace {

bool is_read(const std::string& name) {
  return name == "read" || name == "pread64" || name == "readv" || name == "preadv" ||
         name == "preadv2";
}

bool is_write(const std::string& name) {
  return name == "write" || name == "pwrite64" || name == "writev" || name == "pwritev" ||
         name == "pwritev2";
}

// mmap names its descriptor fifth, so the file is looked for anywhere in it.
void add_call(FileTraffic& traffic, const Syscall& call, const std::string& path) {
  const long bytes = call.result > 0 ? call.result : 0;
  if (call.name == "mmap") {
    traffic.maps += call.args.find("<" + path + ">") != std::string::npos ? 1 : 0;
  } else if (first_fd_path(call) != path) {
    return;
  } else if (is_read(call.name)) {
    traffic.read_calls++;
    traffic.bytes_read += bytes;
  } else if (is_write(call.name)) {
    traffic.write_calls++;
    traffic.bytes_written += bytes;
  }
}

}  // namespace

FileTraffic trace_file_traffic(const std::vector<std::string>& argv, const std::string& path,
                               ChildOptions options, std::chrono::milliseconds timeout) {
  // -y names each descriptor's file, -s 0 leaves the data out of the log.
  const TracedRun traced = run_under_strace(
      argv,
      {"-f", "-y", "-s", "0", "-e",
       "trace=read,pread64,readv,preadv,preadv2,write,pwrite64,writev,pwritev,pwritev2,mmap"},
      std::move(options), timeout);
  FileTraffic traffic;
  traffic.traced = traced.run.exited && traced.run.exit_code == 0;
  for (const Syscall& call : traced.calls) {
    add_call(traffic, call, path);
  }
  return traffic;
}
