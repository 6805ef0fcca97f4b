#include "machine.h"

#include <gnu/libc-version.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace {

// The value after "key: " on the first line of `path` that starts with `key`.
std::string first_line_of(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) {
      const std::size_t colon = line.find(':');
      return colon == std::string::npos ? line : line.substr(colon + 2);
    }
  }
  return "?";
}

}  // namespace

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  std::string five;
  std::string fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

void print_machine(const std::string& load_before, bool quick) {
  utsname host{};
  uname(&host);
  std::printf("## Machine\n\n");
  std::printf("- CPU: %s, %ld online cores (shared with other work while this ran)\n",
              first_line_of("/proc/cpuinfo", "model name").c_str(), sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("- Kernel: %s %s %s; Debian %s; glibc %s\n", host.sysname, host.release, host.machine,
              first_line_of("/etc/debian_version", "").c_str(), gnu_get_libc_version());
  std::printf("- Load average (1, 5, 15 min) before: %s; after: %s\n", load_before.c_str(),
              load_average().c_str());
  std::printf("- Mode: %s\n\n", quick ? "quick smoke pass (timings meaningless)" : "full");
}
