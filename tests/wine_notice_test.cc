// The Windows notice, MessageBoxA, under Wine on a real X server (Xvfb),
// dismissed with the keyboard as a user would. No window manager runs, so
// Wine draws the frame and caption itself, as Windows does.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "windows_build.h"
#include "wine_prefix.h"
#include "x_server.h"

namespace {

using namespace std::chrono_literals;

// The build CTest names: each suite runs once for each build.
const WindowsBuild& kBuild = windows_build_under_test();
const std::string& kExe = kBuild.exe;

// One X server and one prefix, whose programs all use that server.
std::unique_ptr<XServer> g_server;
std::unique_ptr<WinePrefix> g_prefix;

class WineDisplayEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (!file_exists(kExe)) {
      return;  // each case skips, saying why
    }
    g_server = std::make_unique<XServer>();
    if (!g_server->running()) {
      return;
    }
    g_prefix = std::make_unique<WinePrefix>(kBuild, g_server->display());
    std::printf("wine prefix booted in %lld ms\n",
                static_cast<long long>(g_prefix->boot_time().count()));
    // Unmanaged windows: Wine draws the caption bar that a window manager would.
    managed_off_ = g_prefix->set_registry_value(R"(HKCU\Software\Wine\X11 Driver)", "Managed", "N");
  }
  void TearDown() override {
    g_prefix.reset();
    g_server.reset();
  }
  static bool managed_off() { return managed_off_; }

 private:
  static bool managed_off_;
};

bool WineDisplayEnvironment::managed_off_ = false;

[[maybe_unused]] testing::Environment* const kWineEnvironment =
    testing::AddGlobalTestEnvironment(new WineDisplayEnvironment);

int window_height(const std::string& window) {
  const std::string shell = x_tool(*g_server, {"xdotool", "getwindowgeometry", "--shell", window});
  const auto at = shell.find("HEIGHT=");
  return at == std::string::npos ? 0 : std::stoi(shell.substr(at + 7));
}

class WineNotice : public testing::Test {
 protected:
  void SetUp() override {
    if (!file_exists(kExe)) {
      GTEST_SKIP() << kExe << " is not built: the " << kBuild.name << " preset makes it";
    }
    ASSERT_TRUE(g_server->running()) << "Xvfb did not start";
    ASSERT_TRUE(g_prefix != nullptr && g_prefix->ready())
        << "wineboot failed:\n"
        << (g_prefix != nullptr ? g_prefix->boot_log() : "");
    ASSERT_TRUE(WineDisplayEnvironment::managed_off());
  }

  [[nodiscard]] std::unique_ptr<ChildProcess> start(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = g_prefix->command({kExe});
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.environment = g_prefix->environment();
    options.working_directory = dir_.path();
    return std::make_unique<ChildProcess>(argv, options);
  }

  // Waits for the notice and checks that the program blocks on it.
  static std::string notice_of(ChildProcess& child) {
    std::string window = wait_for_window(*g_server, "Kestrabin");
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(child.running()) << "the program did not wait for the notice";
    return window;
  }

  static void press_return(const std::string& window) {
    x_tool(*g_server, {"xdotool", "windowfocus", window});
    x_tool(*g_server, {"xdotool", "key", "Return"});
  }

  ScratchDir dir_;
};

struct NoticeCase : cases::Named {
  std::vector<std::string> args;
  int status;  // the low eight bits, as Wine hands them to Linux
  const char* out;
};

class NoticeOutcome : public WineNotice, public testing::WithParamInterface<NoticeCase> {};

TEST_P(NoticeOutcome, ShownAfterTheConsoleTextThenTheStatus) {
  const NoticeCase& c = GetParam();
  const std::vector<std::string> movies{"movie.swf", "ムービー.swf"};
  for (const std::string& movie : movies) {
    write_file(dir_ / movie, "FWS\x05");
  }
  write_file(dir_ / "zws.swf", "ZWS\x05");
  auto child = start(c.args);

  const std::string window = notice_of(*child);
  ASSERT_FALSE(window.empty()) << "no window titled Kestrabin";
  if (*c.out != '\0') {
    EXPECT_TRUE(child->wait_for_output(c.out, 1s)) << "the success line came after the notice";
  }
  press_return(window);
  const ChildResult run = child->finish(10s);

  EXPECT_FALSE(run.timed_out) << "Return did not dismiss the notice";
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(run.out, c.out);
  // Only the movie a patched run names changes.
  for (const std::string& movie : movies) {
    const bool patched = c.status == 0 && c.args == std::vector<std::string>{movie};
    EXPECT_EQ(read_file(dir_ / movie), patched ? "FWS\x09" : "FWS\x05") << movie;
  }
}

// A Japanese name, outside the prefix's ANSI code page, is patched and
// noticed like any other.
INSTANTIATE_TEST_SUITE_P(
    Outcomes, NoticeOutcome,
    testing::Values(NoticeCase{"Patched",
                               {"movie.swf"},
                               0,
                               "movie.swf (original swf version=5) update version 9"},
                    NoticeCase{"PatchedJapaneseName",
                               {"ムービー.swf"},
                               0,
                               "ムービー.swf (original swf version=5) update version 9"},
                    NoticeCase{"Usage", {}, status::kUsage, ""},
                    NoticeCase{"OpenFailed", {"missing.swf"}, status::kOpenFailed, ""},
                    NoticeCase{"NotSwf", {"zws.swf"}, status::kNotSwf, ""}),
    CaseName());

// The usage text's four lines reach the box: it is taller than a one-line
// notice by three lines. The one-line notice is kept as the project's picture
// of the Windows notice.
TEST_F(WineNotice, CarriesTheWholeTextAndIsDrawn) {
  write_file(dir_ / "movie.swf", "FWS\x05");
  std::map<std::string, int> heights;
  for (const auto& [name, args] :
       std::map<std::string, std::vector<std::string>>{{"usage", {}}, {"patched", {"movie.swf"}}}) {
    auto child = start(args);
    const std::string window = notice_of(*child);
    ASSERT_FALSE(window.empty());
    heights[name] = window_height(window);
    const std::string shot = "windows-notice-" + name + ".png";
    x_tool(*g_server, {"/usr/bin/import", "-window", window, shot});
    const std::string colours = run_child({"/usr/bin/convert", shot, "-format", "%k", "info:"}).out;
    EXPECT_GE(std::stoi(colours.empty() ? "0" : colours), 3) << name << " notice looks blank";
    press_return(window);
    EXPECT_FALSE(child->finish(10s).timed_out);
  }
  EXPECT_GT(heights["usage"], heights["patched"] + 30);
}

}  // namespace
