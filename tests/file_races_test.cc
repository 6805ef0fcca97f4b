// Another process changes the file while a run has it: strace holds one of
// the run's opens of the name back while the test truncates the file or
// renames another file over it. Whatever then stands at the name is never
// read or written, and a file that is no longer a movie is not written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "syscall_trace.h"

namespace {

using namespace std::chrono_literals;

const std::string kProgram = KESTRABIN_BINARY;

// How long the open is held back, and when, meanwhile, the change is made.
constexpr auto kHeldBack = 2000ms;
constexpr auto kChangeAfter = 700ms;

// What happens to the name while the run's n-th open of it is held back.
enum class Change { Truncate, RenameOver };

struct RaceCase : cases::Named {
  int open;  // which open of the name is held back: 1 to read the header, 2 to write
  Change change;
  int status;
  const char* err;
};

class FileRace : public testing::TestWithParam<RaceCase> {
 protected:
  void SetUp() override {
    write_file(path_, kOriginal);
    // A second name for the original keeps it readable after a rename.
    ASSERT_EQ(link(path_.c_str(), (dir_ / "original").c_str()), 0);
    write_file(dir_ / "replacement", kReplacement);
  }

  // The change, made from another thread while the open waits in strace.
  void change_the_name(Change change) const {
    std::this_thread::sleep_for(kChangeAfter);
    if (change == Change::Truncate) {
      ASSERT_EQ(truncate(path_.c_str(), 0), 0);
    } else {
      ASSERT_EQ(std::rename((dir_ / "replacement").c_str(), path_.c_str()), 0);
    }
  }

  // Both are movies that a run with no checks at the open would patch.
  static constexpr const char* kOriginal = "FWS\x05original";
  static constexpr const char* kReplacement = "FWS\x03replacement";

  ScratchDir dir_;
  std::string path_ = dir_ / "movie.swf";
};

TEST_P(FileRace, WhatTookTheNamesPlaceIsNeverReadOrWritten) {
  const RaceCase& c = GetParam();
  // A rehearsal on a copy finds the open to hold back.
  write_file(dir_ / "rehearsal.swf", kOriginal);
  const TracedRun rehearsal = run_traced({kProgram, dir_ / "rehearsal.swf"});
  const std::string hold =
      injection_at(rehearsal, nth_open_of(rehearsal, dir_ / "rehearsal.swf", c.open),
                   "delay_enter=" + std::to_string(kHeldBack.count() * 1000));
  ASSERT_NE(hold, "") << "the run makes no such open";

  std::thread changer([this, &c] { change_the_name(c.change); });
  const TracedRun traced = run_traced({kProgram, path_}, hold);
  changer.join();

  ASSERT_TRUE(traced.run.exited) << (traced.run.timed_out ? "timed out" : "killed");
  EXPECT_EQ(traced.run.exit_code, c.status);
  EXPECT_EQ(traced.run.err, c.err);
  EXPECT_EQ(traced.run.out, "");
  if (c.change == Change::Truncate) {
    EXPECT_EQ(read_file(path_), "") << "the file is not as the other process left it";
  } else {
    EXPECT_EQ(read_file(path_), kReplacement) << "the replacement was written";
    EXPECT_EQ(read_file(dir_ / "original"), kOriginal) << "the original was written";
    // What the held-back open gave is the replacement: nothing is read through it.
    const std::size_t held = nth_open_of(traced, path_, c.open);
    ASSERT_NE(held, std::string::npos);
    const std::size_t last_read = last_call_on(traced, path_, "read");
    EXPECT_TRUE(last_read == std::string::npos || last_read < held) << "the replacement was read";
  }
}

// A truncated file fails the header check made where the byte would be
// written, as it would have failed the first; a file renamed over the name
// is not the one looked up, and is refused like anything else in its place.
INSTANTIATE_TEST_SUITE_P(
    Changes, FileRace,
    testing::Values(RaceCase{"TruncatedBetweenTheOpens", 2, Change::Truncate, status::kShortRead,
                             "fread fail\n"},
                    RaceCase{"RenamedOverBeforeTheFirstOpen", 1, Change::RenameOver,
                             status::kOpenFailed, "Invalid argument\n"},
                    RaceCase{"RenamedOverBetweenTheOpens", 2, Change::RenameOver,
                             status::kOpenFailed, "Invalid argument\n"}),
    CaseName());

}  // namespace
