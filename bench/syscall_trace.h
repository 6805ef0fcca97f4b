#ifndef KESTRABIN_BENCH_SYSCALL_TRACE_H_
#define KESTRABIN_BENCH_SYSCALL_TRACE_H_

#include <string>

#include "launch.h"

// What one run did to one file, from its system calls.
struct FileTraffic {
  bool traced = false;
  int exit_status = -1;
  long long bytes_read = 0;
  long long bytes_written = 0;
  int read_calls = 0;
  int write_calls = 0;
  int maps = 0;  // mmap of the file: reading it without read calls
};

// Runs `command` under strace and adds up the reads and writes whose
// descriptor refers to `path` (an absolute path).
FileTraffic trace_file_traffic(const std::string& strace, const Command& command,
                               const std::string& path, const std::string& log);

#endif  // KESTRABIN_BENCH_SYSCALL_TRACE_H_
