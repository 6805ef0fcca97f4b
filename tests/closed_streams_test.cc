// Runs started with standard input, output or error closed: the file the run
// opens must never take one of those descriptors, or the console text would
// be written into it. The file and the status end as in a normal run; only
// text that has nowhere to go is lost.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "syscall_trace.h"

namespace {

using namespace std::string_literals;

const std::string kProgram = KESTRABIN_BINARY;

// Every outcome that real files reach, with what a normal run writes.
const std::vector<FileCase> kFiles = {
    FileCase{"Patched", "FWS\x05\x20\x00\x00\x00movie body"s, 0, 5, ""},
    FileCase{"NotSwf", "PK\x03\x04zip body"s, status::kNotSwf, 0, "not swf file\n"},
    FileCase{"ShortRead", "FW", status::kShortRead, 0, "fread fail\n"},
    FileCase{"OneByte", "F", status::kShortRead, 0, "fread fail\n"},
};

// The standard descriptors closed, as bits: 1 for 0, 2 for 1, 4 for 2.
std::vector<int> closed_descriptors(int mask) {
  std::vector<int> fds;
  for (int fd = 0; fd < 3; ++fd) {
    if ((mask & (1 << fd)) != 0) {
      fds.push_back(fd);
    }
  }
  return fds;
}

std::string describe(int mask) {
  std::string name = "Closed";
  for (const int fd : closed_descriptors(mask)) {
    name += std::to_string(fd);
  }
  return name;
}

bool closed(int mask, int fd) { return (mask & (1 << fd)) != 0; }

class ClosedStreams : public testing::TestWithParam<std::tuple<FileCase, int>> {};

TEST_P(ClosedStreams, FileAndStatusAsInANormalRun) {
  const auto& [c, mask] = GetParam();
  ScratchDir dir;
  const std::string path = dir / "movie.swf";
  write_file(path, c.before);
  ChildOptions options;
  options.closed_streams = closed_descriptors(mask);

  const ChildResult run = run_child({kProgram, path}, options);

  ASSERT_TRUE(run.exited) << "signal " << run.signal;
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(read_file(path), c.status == 0 ? patched(c.before) : c.before);
  const std::string out = c.status == 0 ? success_line(path, c.old_version) : "";
  EXPECT_EQ(run.out, closed(mask, 1) ? "" : out);
  EXPECT_EQ(run.err, closed(mask, 2) ? "" : c.err);
}

// A name that opens nothing: no file may be created whatever is closed.
TEST_P(ClosedStreams, MissingFileIsNotCreated) {
  const int mask = std::get<1>(GetParam());
  ScratchDir dir;
  ChildOptions options;
  options.closed_streams = closed_descriptors(mask);

  const ChildResult run = run_child({kProgram, dir / "missing.swf"}, options);

  EXPECT_EQ(run.exit_code, status::kOpenFailed);
  EXPECT_EQ(run.err, closed(mask, 2) ? "" : "No such file or directory\n");
  EXPECT_FALSE(file_exists(dir / "missing.swf"));
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, ClosedStreams,
                         testing::Combine(testing::ValuesIn(kFiles), testing::Range(1, 8)),
                         [](const testing::TestParamInfo<std::tuple<FileCase, int>>& param) {
                           return std::string(std::get<0>(param.param).name) + "_" +
                                  describe(std::get<1>(param.param));
                         });

// Failures whose system text used to land in the file when descriptor 2 was
// closed: the read, the seek and the flush, each failed by strace.
struct InjectedFault : cases::Named {
  const char* syscall;
  int occurrence;  // which of those calls on the file, from 1
  int status;
};

class FaultWithStandardErrorClosed : public MovieCaseTest<InjectedFault> {};

TEST_P(FaultWithStandardErrorClosed, SystemTextNeverReachesTheFile) {
  const InjectedFault& c = GetParam();
  const std::string movie = "FWS\x05\x20\x00\x00\x00"s + std::string(40, 'b');
  write_file(path_, movie);
  // The shell closes descriptor 2 for the program only; strace keeps its own.
  const std::vector<std::string> argv{"/bin/sh", "-c", R"(exec "$0" "$1" 2>&-)", kProgram, path_};
  const std::string inject = fault_on(run_traced(argv), path_, c.syscall, c.occurrence, "EIO");
  ASSERT_NE(inject, "") << "the run makes no such call on the file";
  write_file(path_, movie);

  const TracedRun traced = run_traced(argv, inject);

  const std::size_t hit = nth_call_on(traced, path_, c.syscall, c.occurrence);
  ASSERT_NE(hit, std::string::npos);
  ASSERT_TRUE(traced.calls[hit].injected) << "the fault missed its call";
  ASSERT_TRUE(traced.run.exited) << "signal " << traced.run.signal;
  EXPECT_EQ(traced.run.exit_code, c.status);
  // In none of these does the byte land.
  EXPECT_EQ(read_file(path_), movie);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultWithStandardErrorClosed,
    testing::Values(InjectedFault{"ReadError", "read", 1, status::kReadError},
                    InjectedFault{"SeekFailed", "lseek", 1, status::kSeekFailed},
                    InjectedFault{"CloseFailed", "write", 1, status::kCloseFailed}),
    CaseName());

// At a descriptor limit of 3 the file's descriptor could only be one of
// 0 to 2, if one is closed, which the run never lets it take: either way the
// open fails as at the limit, and says so.
// The descriptors closed, as a mask like ClosedStreams's; 0: none.
class DescriptorLimit : public MovieCaseTest<int> {};

TEST_P(DescriptorLimit, ReachedIsTooManyOpenFiles) {
  write_file(path_, "FWS\x05");
  ChildOptions options;
  options.open_files_limit = 3;
  options.closed_streams = closed_descriptors(GetParam());

  const ChildResult run = run_child({kProgram, path_}, options);

  ASSERT_TRUE(run.exited) << "signal " << run.signal;
  EXPECT_EQ(run.exit_code, status::kOpenFailed);
  EXPECT_EQ(run.err, "Too many open files\n");
  EXPECT_EQ(read_file(path_), "FWS\x05");
}

INSTANTIATE_TEST_SUITE_P(Streams, DescriptorLimit, testing::Values(0, 1, 2),
                         [](const testing::TestParamInfo<int>& param) {
                           return param.param == 0 ? std::string("NoneClosed")
                                                   : describe(param.param);
                         });

}  // namespace
