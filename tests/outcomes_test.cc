// The Linux program run from outside on real files: status, exact console
// text and the file's bytes afterwards, for every outcome real files reach.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"

namespace {

const std::string kProgram = KESTRABIN_BINARY;

using status::kOpenFailed;
using status::kPatched;

class FileOutcome : public MovieCaseTest<FileCase> {};

TEST_P(FileOutcome, StatusConsoleTextAndBytes) {
  const FileCase& c = GetParam();
  write_file(path_, c.before);

  const ChildResult run = run_child({kProgram, path_});

  ASSERT_TRUE(run.exited) << "signal " << run.signal;
  expect_file_outcome(c, run, path_, path_);
}

INSTANTIATE_TEST_SUITE_P(Headers, FileOutcome, testing::ValuesIn(header_cases("\n")), CaseName());

// Paths are opened and printed exactly as given.
class PathOutcome : public testing::TestWithParam<const char*> {};

TEST_P(PathOutcome, OpenedAndPrintedUnchanged) {
  ScratchDir dir;
  const std::string path = dir / GetParam();
  write_file(path, "FWS\x07");

  const ChildResult run = run_child({kProgram, path});

  EXPECT_EQ(run.exit_code, kPatched);
  EXPECT_EQ(run.out, success_line(path, 7));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_file(path), "FWS\x09");
}

INSTANTIATE_TEST_SUITE_P(Names, PathOutcome,
                         testing::Values("my movie.swf", "  leading blanks.swf",
                                         "\xc3\xa9t\xc3\xa9 \xe6\x98\xa0\xe7\x94\xbb.swf",
                                         "invalid-utf8-\xff\xfe.swf", "%s%n%d.swf", "no-extension",
                                         "-starts-with-dash.swf"));

// Invocations that name no single file: the usage notice, nothing on the
// console, and no file opened.
class UsageOutcome : public testing::TestWithParam<InvocationCase> {
 protected:
  // Runs the program in a directory holding a.swf and b.swf and checks that
  // it gave the usage outcome and left both alone.
  static void expect_usage(const std::vector<std::string>& args, bool empty_argv) {
    ScratchDir dir;
    write_invocation_files(dir);
    std::vector<std::string> argv{kProgram};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.working_directory = dir.path();
    options.empty_argv = empty_argv;

    expect_usage_outcome(run_child(argv, options), dir);
  }
};

TEST_P(UsageOutcome, NothingOpenedNothingPrinted) { expect_usage(GetParam().args, false); }

INSTANTIATE_TEST_SUITE_P(Invocations, UsageOutcome, testing::ValuesIn(invocation_cases()),
                         CaseName());

// A caller that passes no argument vector at all (argc 0), as no shell does.
TEST_F(UsageOutcome, NoArgumentVector) { expect_usage({}, true); }

// Names that open nothing: the platform's description, and nothing created.
struct OpenFailureCase : cases::Named {
  std::string argument;  // relative to the scratch directory
  const char* err;
};

class OpenFailure : public testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailure, DescribedAndNothingCreated) {
  const OpenFailureCase& c = GetParam();
  ScratchDir dir;
  ASSERT_EQ(mkdir((dir / "folder.swf").c_str(), 0755), 0);
  write_file(dir / "plain.swf", "FWS\x05");
  ChildOptions options;
  options.working_directory = dir.path();

  const ChildResult run = run_child({kProgram, c.argument}, options);

  EXPECT_EQ(run.exit_code, kOpenFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(read_file(dir / "plain.swf"), "FWS\x05");
  if (c.argument != "folder.swf" && c.argument.rfind("plain.swf", 0) != 0) {
    EXPECT_FALSE(file_exists(dir / c.argument)) << "the run created " << c.argument;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailure,
    testing::Values(OpenFailureCase{"Missing", "missing.swf", "No such file or directory\n"},
                    OpenFailureCase{"LooksLikeAnOption", "-h", "No such file or directory\n"},
                    OpenFailureCase{"Directory", "folder.swf", "Is a directory\n"},
                    OpenFailureCase{"MissingInsideDirectory", "folder.swf/inner.swf",
                                    "No such file or directory\n"},
                    OpenFailureCase{"MissingUsedAsDirectory", "missing.swf/x",
                                    "No such file or directory\n"},
                    // A movie that exists, named as if it were a directory.
                    OpenFailureCase{"FileUsedAsDirectory", "plain.swf/x", "Not a directory\n"},
                    OpenFailureCase{"FileWithTrailingSlash", "plain.swf/", "Not a directory\n"}),
    CaseName());

}  // namespace
