// The program under valgrind's memcheck, the dialog included: no invalid
// access, no use of uninitialised memory, nothing leaked. It runs a copy
// linked dynamically, since memcheck cannot follow allocation in a static
// binary's own C library.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "x_server.h"

namespace {

using namespace std::chrono_literals;

const std::string kProgram = KESTRABIN_DYNAMIC_BINARY;

std::vector<std::string> under_memcheck(const std::string& path) {
  return {"/usr/bin/valgrind",
          "-q",
          "--error-exitcode=99",
          "--leak-check=full",
          "--errors-for-leak-kinds=definite,indirect,possible",
          kProgram,
          path};
}

TEST(Memcheck, DialogRunIsClean) {
  XServer server;
  ASSERT_TRUE(server.running());
  ScratchDir dir;
  write_file(dir / "movie.swf", "FWS\x05");
  ChildOptions options;
  // No desktop dialog tool (zenity is installed here) is found on its PATH,
  // so the program's own dialog is what runs under memcheck.
  options.environment = server.program_environment();
  ChildProcess child(under_memcheck(dir / "movie.swf"), options);
  // Valgrind is slow to start; the window may take a while.
  std::string window;
  for (int attempt = 0; attempt < 4 && window.empty(); ++attempt) {
    window = wait_for_window(server, "Kestrabin");
  }
  ASSERT_FALSE(window.empty()) << "no dialog under valgrind";
  x_tool(server, {"xdotool", "key", "--window", window, "Return"});
  const ChildResult run = child.finish(30s);

  ASSERT_TRUE(run.exited) << "signal " << run.signal;
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_file(dir / "movie.swf"), "FWS\x09");
}

TEST(Memcheck, FailureRunIsClean) {
  ScratchDir dir;
  write_file(dir / "movie.swf", "ZWS\x05");
  const ChildResult run = run_child(under_memcheck(dir / "movie.swf"), {}, 30s);
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, status::kNotSwf) << run.err;
  EXPECT_EQ(run.err, "not swf file\n");
}

}  // namespace
