// The installed desktop entry launched the way a file manager does when files
// are dropped onto the icon (gio launch), against a private X server.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "x_server.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kRoot = KESTRABIN_INSTALL_ROOT;

class DesktopLaunch : public testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<XServer>(); }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override { ASSERT_TRUE(server_->running()) << "Xvfb did not start"; }

  // A session that sees only the install tree: its programs alone on PATH,
  // so that the program finds no desktop dialog tool (zenity is installed
  // here) and shows its own dialog; its data (desktop entries, icons) first;
  // an empty home; no session bus.
  [[nodiscard]] ChildOptions session() const {
    ChildOptions options;
    options.environment = {
        "PATH=" + std::string(kRoot) + "/bin",
        "LC_ALL=C",
        "DISPLAY=" + server_->display(),
        "HOME=" + home_.path(),
        "XDG_DATA_HOME=" + (home_ / "data"),
        "XDG_CONFIG_HOME=" + (home_ / "config"),
        "XDG_DATA_DIRS=" + std::string(kRoot) + "/share",
    };
    return options;
  }

  // Drops `files` onto the icon; gio returns once the program has started,
  // and its output pipes stay open until the program ends.
  [[nodiscard]] std::unique_ptr<ChildProcess> drop(const std::vector<std::string>& files) const {
    std::vector<std::string> argv{"/usr/bin/gio", "launch",
                                  std::string(kRoot) + "/share/applications/kestrabin.desktop"};
    argv.insert(argv.end(), files.begin(), files.end());
    return std::make_unique<ChildProcess>(argv, session());
  }

  // All top-level windows titled "Kestrabin", once the first has appeared
  // and a moment has passed for any other to follow.
  [[nodiscard]] static std::vector<std::string> dialogs() {
    if (wait_for_window(*server_, "Kestrabin").empty()) {
      return {};
    }
    std::this_thread::sleep_for(500ms);
    std::istringstream ids(x_tool(*server_, {"xdotool", "search", "--name", "^Kestrabin$"}));
    std::vector<std::string> windows;
    for (std::string id; std::getline(ids, id);) {
      windows.push_back(id);
    }
    return windows;
  }

  static void press_return() { x_tool(*server_, {"xdotool", "key", "Return"}); }

  static std::unique_ptr<XServer> server_;
  ScratchDir home_;
  ScratchDir files_;
};

std::unique_ptr<XServer> DesktopLaunch::server_;

TEST_F(DesktopLaunch, OneDroppedFileIsPatchedAndTheDialogShown) {
  write_file(files_ / "movie.swf",
             "FWS\x05"
             "body");
  auto gio = drop({files_ / "movie.swf"});

  const std::vector<std::string> windows = dialogs();
  ASSERT_EQ(windows.size(), 1U) << "expected one dialog";
  EXPECT_EQ(read_file(files_ / "movie.swf"),
            "FWS\x09"
            "body");
  press_return();
  const ChildResult run = gio->finish(10s);

  EXPECT_FALSE(run.timed_out) << "the program did not end after Return";
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find(files_ / "movie.swf" + " (original swf version=5) update version 9"),
            std::string::npos)
      << run.out;
}

// Dropped together, the files reach one run, which names no single file: the
// usage notice, and neither file is touched. One run per file would patch both.
TEST_F(DesktopLaunch, TwoFilesDroppedAtOnceGetOneUsageNotice) {
  write_file(files_ / "one.swf", "FWS\x05");
  write_file(files_ / "two.swf", "CWS\x06");
  auto gio = drop({files_ / "one.swf", files_ / "two.swf"});

  const std::vector<std::string> windows = dialogs();
  ASSERT_EQ(windows.size(), 1U) << "expected one dialog for one run";
  press_return();
  const ChildResult run = gio->finish(10s);

  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.out, "") << "a usage run writes no console text";
  EXPECT_EQ(read_file(files_ / "one.swf"), "FWS\x05");
  EXPECT_EQ(read_file(files_ / "two.swf"), "CWS\x06");
}

// A double-click opens a movie with its type's default application; were that
// the program, the movie would be rewritten unasked. Both names of the SWF
// type are in use.
TEST_F(DesktopLaunch, IsNeverTheDefaultForEitherSwfType) {
  for (const char* type : {"application/x-shockwave-flash", "application/vnd.adobe.flash.movie"}) {
    const ChildResult run = run_child({"/usr/bin/gio", "mime", type}, session());
    ASSERT_EQ(run.exit_code, 0) << type << ": " << run.err;
    std::istringstream lines(run.out);
    std::string first;
    std::getline(lines, first);
    EXPECT_EQ(first.find("kestrabin"), std::string::npos) << type << ":\n" << run.out;
  }
}

}  // namespace
