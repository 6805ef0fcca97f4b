// Signals a write can raise: a console pipe whose reader has gone and a limit
// on file size. Neither may end the run; it keeps its outcome's status, and
// the file is as that outcome leaves it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"

namespace {

using namespace std::string_literals;

const std::string kProgram = KESTRABIN_BINARY;
const std::string kMovie = "FWS\x05\x20\x00\x00\x00movie body"s;

struct SignalCase : cases::Named {
  std::string before;
  std::vector<int> readerless;  // standard descriptors whose pipe has no reader
  long file_size_limit;         // negative: none
  int status;
  std::string err;  // what reaches standard error, when it has a reader
  std::string after;
};

class WriteSignal : public MovieCaseTest<SignalCase> {};

TEST_P(WriteSignal, RunKeepsItsOutcome) {
  const SignalCase& c = GetParam();
  write_file(path_, c.before);
  ChildOptions options;
  options.readerless_streams = c.readerless;
  options.file_size_limit = c.file_size_limit;

  const ChildResult run = run_child({kProgram, path_}, options);

  ASSERT_TRUE(run.exited) << "killed by signal " << run.signal;
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(read_file(path_), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, WriteSignal,
    testing::Values(
        SignalCase{"PatchedWithStdoutUnread", kMovie, {1}, -1, 0, "", patched(kMovie)},
        SignalCase{"NotSwfWithStderrUnread", "ZWS\x05", {2}, -1, status::kNotSwf, "", "ZWS\x05"},
        SignalCase{"ShortReadWithBothUnread", "FW", {1, 2}, -1, status::kShortRead, "", "FW"},
        // Byte 3 lies past a limit of 3 bytes: the flush at close fails.
        SignalCase{"FileSizeLimitBelowTheByte",
                   kMovie,
                   {},
                   3,
                   status::kCloseFailed,
                   "File too large\n",
                   kMovie},
        SignalCase{"FileSizeLimitJustAboveTheByte", kMovie, {}, 4, 0, "", patched(kMovie)},
        SignalCase{"FileSizeLimitZero",
                   "FWS\x05",
                   {},
                   0,
                   status::kCloseFailed,
                   "File too large\n",
                   "FWS\x05"}),
    CaseName());

}  // namespace
