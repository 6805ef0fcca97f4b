#ifndef KESTRABIN_TESTS_SUPPORT_SYSCALL_TRACE_H_
#define KESTRABIN_TESTS_SUPPORT_SYSCALL_TRACE_H_

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "child_process.h"

// One system call as strace logged it.
struct Syscall {
  std::string name;
  std::string args;  // as logged, strings escaped and cut short
  long result = 0;
  bool injected = false;
};

struct TracedRun {
  ChildResult run;
  std::vector<Syscall> calls;  // in the order they were made
};

// Runs `argv` under strace, logging the calls that touch files. `inject` is
// an strace fault expression such as "read:error=EIO:when=1", or empty for none.
// A run still going at `timeout` is killed with its tracer.
TracedRun run_traced(const std::vector<std::string>& argv, const std::string& inject = {},
                     ChildOptions options = {},
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The index in `calls` of the run's open of `path`, or npos if it never did.
std::size_t open_of(const TracedRun& traced, const std::string& path);

// The index of the n-th (from 1) call `name` on the file `path` names, made
// through any descriptor an open of that name gave (or a copy of one), or npos.
std::size_t nth_call_on(const TracedRun& traced, const std::string& path, const std::string& name,
                        int n);

// The index of the last such call `name`, or npos.
std::size_t last_call_on(const TracedRun& traced, const std::string& path, const std::string& name);

// The strace injection ("read:error=EIO:when=3") that fails, in a run that
// goes as `dry` went, its n-th (from 1) call `name` on the file `path` with
// `error`; empty when `dry` made no such call.
std::string fault_on(const TracedRun& dry, const std::string& path, const std::string& name, int n,
                     const std::string& error);

// The index of the run's n-th (from 1) open of `path`, or npos.
std::size_t nth_open_of(const TracedRun& traced, const std::string& path, int n);

// The strace injection that applies `action` ("error=EIO", "delay_enter=500000")
// to call `index` of `dry`, in a run that goes as `dry` went.
std::string injection_at(const TracedRun& dry, std::size_t index, const std::string& action);

// The index of the first write to `stream` (1 or 2), or to a copy of that
// descriptor, or npos.
std::size_t first_write_to(const TracedRun& traced, int stream);

// What one run did to one file.
struct FileTraffic {
  bool traced = false;  // strace ran the program, and it exited with status 0
  long long bytes_read = 0;
  long long bytes_written = 0;
  int read_calls = 0;
  int write_calls = 0;
  int maps = 0;  // mmap of the file: reading it without read calls
};

// Runs `argv` under strace, its children included, and adds up the reads and
// writes made on the file `path` (absolute) through any descriptor for it,
// as strace names each descriptor's file.
FileTraffic trace_file_traffic(const std::vector<std::string>& argv, const std::string& path,
                               ChildOptions options = {},
                               std::chrono::milliseconds timeout = std::chrono::seconds(60));

#endif  // KESTRABIN_TESTS_SUPPORT_SYSCALL_TRACE_H_
