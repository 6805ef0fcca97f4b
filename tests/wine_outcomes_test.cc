// The Windows program under Wine, run from outside on real files: status,
// exact console text (msvcrt's descriptions, and "\r\n" from text-mode
// standard streams) and the file's bytes afterwards. There is no display, so
// MessageBoxA fails at once and each run ends with its outcome's status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "windows_build.h"
#include "wine_prefix.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

// The build CTest names: each suite runs once for each build.
const WindowsBuild& kBuild = windows_build_under_test();
const std::string& kExe = kBuild.exe;

// Wine hands Linux the low eight bits of the Windows exit status.
using status::kOpenFailed;
using status::kPatched;

// One prefix for the whole suite: booting one takes seconds.
std::unique_ptr<WinePrefix> g_prefix;

class WineEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (!file_exists(kExe)) {
      return;  // each case skips, saying why; no prefix is needed
    }
    g_prefix = std::make_unique<WinePrefix>(kBuild);
    std::printf("wine prefix booted in %lld ms\n",
                static_cast<long long>(g_prefix->boot_time().count()));
  }
  void TearDown() override { g_prefix.reset(); }
};

[[maybe_unused]] testing::Environment* const kWineEnvironment =
    testing::AddGlobalTestEnvironment(new WineEnvironment);

// Runs happen in a scratch directory, which Windows sees as the current
// directory on drive Z:, so relative names work as they do on a desktop.
class WineRun : public testing::Test {
 protected:
  void SetUp() override {
    if (!file_exists(kExe)) {
      GTEST_SKIP() << kExe << " is not built: the " << kBuild.name << " preset makes it";
    }
    ASSERT_TRUE(g_prefix != nullptr && g_prefix->ready())
        << "wineboot failed:\n"
        << (g_prefix != nullptr ? g_prefix->boot_log() : "");
  }

  [[nodiscard]] ChildResult run_exe(const std::vector<std::string>& args,
                                    Terminal terminal = Terminal::None) const {
    std::vector<std::string> argv = g_prefix->command({kExe});
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.environment = g_prefix->environment();
    options.working_directory = dir_.path();
    options.terminal = terminal;
    return run_child(argv, options, 60s);
  }

  ScratchDir dir_;
};

class FileOutcome : public WineRun, public testing::WithParamInterface<FileCase> {};

TEST_P(FileOutcome, StatusConsoleTextAndBytes) {
  const FileCase& c = GetParam();
  write_file(dir_ / "movie.swf", c.before);

  const ChildResult run = run_exe({"movie.swf"});

  ASSERT_TRUE(run.exited) << (run.timed_out ? "timed out" : "killed");
  expect_file_outcome(c, run, "movie.swf", dir_ / "movie.swf");
}

// msvcrt's standard error is a text-mode stream: "\r\n" ends each line.
INSTANTIATE_TEST_SUITE_P(Headers, FileOutcome, testing::ValuesIn(header_cases("\r\n")), CaseName());

// The manifest sets the program's code page to UTF-8, so any name reaches
// fopen and comes back in the success line byte for byte: Latin letters that
// code page 1252 (the prefix's ANSI code page) would turn into single bytes,
// scripts it lacks, which would arrive as '?', and an emoji, which is a
// surrogate pair in UTF-16.
struct PathCase : cases::Named {
  std::string file_name;  // UTF-8, as on Linux and as printed
};

class PathOutcome : public WineRun, public testing::WithParamInterface<PathCase> {};

TEST_P(PathOutcome, OpenedAndPrintedUnchanged) {
  const PathCase& c = GetParam();
  write_file(dir_ / c.file_name, "FWS\x07");

  const ChildResult run = run_exe({c.file_name});

  EXPECT_EQ(run.exit_code, kPatched);
  EXPECT_EQ(run.out, success_line(c.file_name, 7));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_file(dir_ / c.file_name), "FWS\x09");
}

INSTANTIATE_TEST_SUITE_P(
    Names, PathOutcome,
    testing::Values(PathCase{"Blanks", "my movie.swf"},
                    PathCase{"LeadingBlanks", "  two blanks.swf"}, PathCase{"Latin", "café €.swf"},
                    PathCase{"Japanese", "ムービー.swf"}, PathCase{"Cyrillic", "фильм.swf"},
                    PathCase{"Greek", "ταινία.swf"}, PathCase{"Emoji", "🎬 movie.swf"},
                    PathCase{"FormatDirectives", "%s%n%d.swf"},
                    PathCase{"StartsWithDash", "-starts-with-dash.swf"}),
    CaseName());

// A full Windows path, as Explorer passes a dropped file, drive and all.
TEST_F(WineRun, DroppedFileFullPath) {
  write_file(dir_ / "dropped movie.swf", "FWS\x08");
  const std::string path = windows_path(dir_ / "dropped movie.swf");

  const ChildResult run = run_exe({path});

  EXPECT_EQ(run.exit_code, kPatched);
  EXPECT_EQ(run.out, success_line(path, 8));
  EXPECT_EQ(read_file(dir_ / "dropped movie.swf"), "FWS\x09");
}

// Invocations that name no single file: nothing printed, no file touched.
class UsageOutcome : public WineRun, public testing::WithParamInterface<InvocationCase> {};

TEST_P(UsageOutcome, NothingOpenedNothingPrinted) {
  write_invocation_files(dir_);
  expect_usage_outcome(run_exe(GetParam().args), dir_);
}

INSTANTIATE_TEST_SUITE_P(Invocations, UsageOutcome, testing::ValuesIn(invocation_cases()),
                         CaseName());

// Names that open nothing, or nothing that is a disk file.
struct OpenFailureCase : cases::Named {
  std::string argument;
  const char* err;
  bool creates_nothing;  // checked for names that could have become a file
};

class OpenFailure : public WineRun, public testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenFailure, DescribedAndNothingCreated) {
  const OpenFailureCase& c = GetParam();
  std::filesystem::create_directory(dir_ / "folder.swf");

  const ChildResult run = run_exe({c.argument});

  EXPECT_EQ(run.exit_code, kOpenFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, c.err);
  if (c.creates_nothing) {
    EXPECT_FALSE(file_exists(dir_ / c.argument)) << "the run created " << c.argument;
  }
}

// NUL opens like a file and reads as empty: without the disk-file check it
// would be a short read, not a refusal.
INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailure,
    testing::Values(
        OpenFailureCase{"Missing", "missing.swf", "No such file or directory\r\n", true},
        OpenFailureCase{"LooksLikeAnOption", "-h", "No such file or directory\r\n", true},
        OpenFailureCase{"Directory", "folder.swf", "Permission denied\r\n", false},
        OpenFailureCase{"MissingInsideDirectory", "folder.swf\\inner.swf",
                        "No such file or directory\r\n", false},
        OpenFailureCase{"NulDevice", "NUL", "Invalid argument\r\n", true},
        OpenFailureCase{"NulDeviceWithExtension", "nul.swf", "Invalid argument\r\n", true}),
    CaseName());

// With a console, CONIN$ opens and a read would wait for the keyboard; the
// run must refuse it at once instead.
TEST_F(WineRun, ConsoleInputIsRefusedNotRead) {
  const ChildResult run = run_exe({"CONIN$"}, Terminal::Pseudo);

  EXPECT_FALSE(run.timed_out) << "the run waited on the console";
  EXPECT_EQ(run.exit_code, kOpenFailed);
  EXPECT_NE(run.out.find("Invalid argument"), std::string::npos) << run.out;
}

// The full signed status, as a Windows console reads it. Delayed expansion
// (!ERRORLEVEL!) reads the status after the program has run.
struct SignedStatusCase : cases::Named {
  std::string command;
  const char* errorlevel;
};

class SignedStatus : public WineRun, public testing::WithParamInterface<SignedStatusCase> {};

TEST_P(SignedStatus, ErrorLevel) {
  std::filesystem::copy_file(kExe, dir_ / "kestrabin.exe");
  write_file(dir_ / "movie.swf", "FWS\x05");
  write_file(dir_ / "short.swf", "FW");
  write_file(dir_ / "zws.swf", "ZWS\x05");
  ChildOptions options;
  options.environment = g_prefix->environment();
  options.working_directory = dir_.path();

  const ChildResult run =
      run_child(g_prefix->command(
                    {"cmd", "/v:on", "/c", GetParam().command + " >NUL 2>NUL & echo !ERRORLEVEL!"}),
                options, 60s);

  EXPECT_EQ(run.out, GetParam().errorlevel + "\r\n"s);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SignedStatus,
    testing::Values(SignedStatusCase{"Patched", "kestrabin.exe movie.swf", "0"},
                    SignedStatusCase{"Usage", "kestrabin.exe", "-1"},
                    SignedStatusCase{"OpenFailed", "kestrabin.exe missing.swf", "-2"},
                    SignedStatusCase{"ShortRead", "kestrabin.exe short.swf", "-4"},
                    SignedStatusCase{"NotSwf", "kestrabin.exe zws.swf", "-5"}),
    CaseName());

}  // namespace
