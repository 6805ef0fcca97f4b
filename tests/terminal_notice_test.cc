// The notice on a controlling terminal with no display: it follows the run's
// console text, waits for Enter, and the run keeps its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"

namespace {

using namespace std::chrono_literals;

const std::string kProgram = KESTRABIN_BINARY;
constexpr const char* kPrompt = "Press Enter to close.";

// The terminal turns "\n" into "\r\n"; compare the text as it was written.
std::string without_carriage_returns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// A new session whose controlling terminal is a fresh pty.
ChildOptions on_terminal(const std::string& working_directory = "") {
  ChildOptions options;
  options.terminal = Terminal::Pseudo;
  options.working_directory = working_directory;
  return options;
}

struct TerminalCase : cases::Named {
  const char* file_bytes;  // nullptr: no file is made
  bool pass_path;
  int status;
  std::string console;  // what the run writes before its notice
  std::string notice;
};

class TerminalNotice : public testing::TestWithParam<TerminalCase> {
 protected:
  // Starts the program on a pty for the case, in a scratch directory.
  std::vector<std::string> argv_for(const TerminalCase& c) {
    if (c.file_bytes != nullptr) {
      write_file(dir_ / "movie.swf", c.file_bytes);
    }
    std::vector<std::string> argv{kProgram};
    if (c.pass_path) {
      argv.emplace_back("movie.swf");
    }
    return argv;
  }

  ScratchDir dir_;
};

TEST_P(TerminalNotice, FollowsConsoleTextAndWaitsForEnter) {
  const TerminalCase& c = GetParam();
  ChildProcess child(argv_for(c), on_terminal(dir_.path()));

  ASSERT_TRUE(child.wait_for_output(kPrompt, 5s)) << "no prompt on the terminal";
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(child.running()) << "the notice did not wait for Enter";
  child.type("\n");
  const ChildResult run = child.finish(5s);

  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, c.status);
  const std::string expected = c.console + "\n[Kestrabin]\n" + c.notice + "\n" + kPrompt + " \n";
  EXPECT_EQ(without_carriage_returns(run.out), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, TerminalNotice,
    testing::Values(TerminalCase{"Patched", "FWS\x05", true, 0,
                                 "movie.swf (original swf version=5) update version 9",
                                 "swf file version updated to 9"},
                    TerminalCase{"Usage", nullptr, false, status::kUsage, "", kUsageText},
                    TerminalCase{"OpenFailed", nullptr, true, status::kOpenFailed,
                                 "No such file or directory\n", "File open error"},
                    TerminalCase{"NotSwf", "ZWS\x05", true, status::kNotSwf, "not swf file\n",
                                 "File is not swf file"},
                    TerminalCase{"ShortRead", "FW", true, status::kShortRead, "fread fail\n",
                                 "File read error"}),
    CaseName());

// Ways the wait ends other than Enter: end of file typed, the terminal gone.
TEST(TerminalNoticeEnds, OnEndOfFile) {
  ChildProcess child({kProgram}, on_terminal());
  ASSERT_TRUE(child.wait_for_output(kPrompt, 5s));
  child.type("\x04");
  const ChildResult run = child.finish(5s);
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, status::kUsage);
}

TEST(TerminalNoticeEnds, OnHangUpWithTheRunsStatus) {
  ScratchDir dir;
  write_file(dir / "movie.swf", "FWS\x05");
  ChildProcess child({kProgram, dir / "movie.swf"}, on_terminal());
  ASSERT_TRUE(child.wait_for_output(kPrompt, 5s));
  child.hang_up();
  const ChildResult run = child.finish(5s);
  EXPECT_FALSE(run.timed_out);
  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(read_file(dir / "movie.swf"), "FWS\x09");
}

// Signals that come while the notice waits end the wait, not the run: it ends
// with its own status (here a refused file's) rather than the signal's.
struct Interruption : cases::Named {
  std::function<void(ChildProcess&)> interrupt;
};

class TerminalNoticeInterrupted : public testing::TestWithParam<Interruption> {};

TEST_P(TerminalNoticeInterrupted, RunKeepsItsStatus) {
  ScratchDir dir;
  write_file(dir / "movie.swf", "ZWS\x05");
  ChildProcess child({kProgram, dir / "movie.swf"}, on_terminal());
  ASSERT_TRUE(child.wait_for_output(kPrompt, 5s));

  GetParam().interrupt(child);
  const ChildResult run = child.finish(5s);

  EXPECT_FALSE(run.timed_out) << "the notice kept waiting";
  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exit_code, status::kNotSwf);
  EXPECT_EQ(read_file(dir / "movie.swf"), "ZWS\x05");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, TerminalNoticeInterrupted,
    testing::Values(
        // The terminal itself sends SIGINT to the run.
        Interruption{"CtrlC", [](ChildProcess& c) { c.type("\x03"); }},
        Interruption{"Interrupt", [](ChildProcess& c) { kill(c.pid(), SIGINT); }},
        Interruption{"HangUpSignal", [](ChildProcess& c) { kill(c.pid(), SIGHUP); }},
        Interruption{"Terminate", [](ChildProcess& c) { kill(c.pid(), SIGTERM); }},
        Interruption{"TerminalGone", [](ChildProcess& c) { c.hang_up(); }}),
    CaseName());

// Typed text before Enter is consumed by the notice, and nothing else is read.
TEST(TerminalNoticeEnds, OnlyAtTheEndOfALine) {
  ChildProcess child({kProgram}, on_terminal());
  ASSERT_TRUE(child.wait_for_output(kPrompt, 5s));
  child.type("abc");
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(child.running());
  child.type("\n");
  const ChildResult run = child.finish(5s);
  EXPECT_EQ(run.exit_code, status::kUsage);
}

}  // namespace
