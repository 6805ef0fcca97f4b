// The notice as an X dialog on a real server (Xvfb), driven with xdotool the
// way a user's keyboard and mouse would.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "scratch_dir.h"
#include "x_server.h"

namespace {

using namespace std::chrono_literals;

const std::string kProgram = KESTRABIN_BINARY;
const std::string kWindowAction = WINDOW_ACTION;

// xdotool's "--shell" geometry: X, Y, WIDTH, HEIGHT.
std::map<std::string, int> geometry(const XServer& server, const std::string& window) {
  std::istringstream lines(x_tool(server, {"xdotool", "getwindowgeometry", "--shell", window}));
  std::map<std::string, int> values;
  for (std::string line; std::getline(lines, line);) {
    if (const auto eq = line.find('='); eq != std::string::npos && line.substr(0, eq) != "WINDOW") {
      values[line.substr(0, eq)] = std::stoi(line.substr(eq + 1));
    }
  }
  return values;
}

class DialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<XServer>(); }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override { ASSERT_TRUE(server_->running()) << "Xvfb did not start"; }

  // Starts the program on `args`; with a display, and no terminal to fall back to.
  static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& args) {
    std::vector<std::string> argv{kProgram};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.environment = server_->environment();
    return std::make_unique<ChildProcess>(argv, options);
  }

  // Waits for the dialog and checks that the program blocks on it.
  static std::string dialog_of(ChildProcess& child) {
    std::string window = wait_for_window(*server_, "Kestrabin");
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(child.running()) << "the program did not wait for the dialog";
    return window;
  }

  static void save_screenshot(const std::string& window, const std::string& name) {
    x_tool(*server_, {"import", "-window", window, name});
  }

  static std::unique_ptr<XServer> server_;
  ScratchDir dir_;
};

std::unique_ptr<XServer> DialogTest::server_;

struct Dismissal {
  const char* name;
  std::function<void(const XServer&, const std::string& window)> act;
};

void PrintTo(const Dismissal& d, std::ostream* os) { *os << d.name; }

void press(const XServer& server, const char* key) { x_tool(server, {"xdotool", "key", key}); }

void click_ok(const XServer& server, const std::string& window) {
  const auto g = geometry(server, window);
  // The button is centred near the bottom edge.
  const std::string x = std::to_string(g.at("WIDTH") / 2);
  const std::string y = std::to_string(g.at("HEIGHT") - 28);
  x_tool(server, {"xdotool", "mousemove", "--window", window, x, y, "click", "1"});
}

class DialogDismissal : public DialogTest, public testing::WithParamInterface<Dismissal> {};

TEST_P(DialogDismissal, EndsTheRunWithItsStatus) {
  write_file(dir_ / "movie.swf", "FWS\x05");
  auto child = start({dir_ / "movie.swf"});
  const std::string window = dialog_of(*child);
  ASSERT_FALSE(window.empty()) << "no window titled Kestrabin";

  GetParam().act(*server_, window);
  const ChildResult run = child->finish(5s);

  EXPECT_FALSE(run.timed_out) << "the dialog was not dismissed";
  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "") << "an X error was reported";
  EXPECT_EQ(read_file(dir_ / "movie.swf"), "FWS\x09");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, DialogDismissal,
    testing::Values(
        Dismissal{"Return", [](const XServer& s, const std::string&) { press(s, "Return"); }},
        Dismissal{"KeypadEnter",
                  [](const XServer& s, const std::string&) { press(s, "KP_Enter"); }},
        Dismissal{"Space", [](const XServer& s, const std::string&) { press(s, "space"); }},
        Dismissal{"Escape", [](const XServer& s, const std::string&) { press(s, "Escape"); }},
        Dismissal{"ClickOk", click_ok},
        Dismissal{"CloseRequest",
                  [](const XServer& s, const std::string& w) {
                    x_tool(s, {kWindowAction, "close", w});
                  }},
        // The connection is cut by the server: the notice fails, the status stands.
        Dismissal{"ClientKilled",
                  [](const XServer& s, const std::string& w) {
                    x_tool(s, {"xdotool", "windowkill", w});
                  }},
        // Our later requests on the window fail with X errors, which must
        // not end the process the way Xlib's default handler would.
        Dismissal{"DestroyedByAnotherClient",
                  [](const XServer& s, const std::string& w) {
                    x_tool(s, {kWindowAction, "destroy", w});
                  }}),
    [](const testing::TestParamInfo<Dismissal>& param) { return std::string(param.param.name); });

TEST_F(DialogTest, IgnoresOtherKeysAndClicksBesideTheButton) {
  auto child = start({});
  const std::string window = dialog_of(*child);
  ASSERT_FALSE(window.empty());

  press(*server_, "a");
  press(*server_, "Tab");
  x_tool(*server_, {"xdotool", "mousemove", "--window", window, "20", "20", "click", "1"});
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(child->running()) << "dismissed by something other than OK";

  press(*server_, "Return");
  const ChildResult run = child->finish(5s);
  EXPECT_EQ(run.exit_code, 255);
}

TEST_F(DialogTest, IsATitledCentredDialog) {
  auto child = start({});
  const std::string window = dialog_of(*child);
  ASSERT_FALSE(window.empty());

  const std::string props = x_tool(*server_, {"xprop", "-id", window});
  EXPECT_NE(props.find("WM_NAME(STRING) = \"Kestrabin\""), std::string::npos) << props;
  EXPECT_NE(props.find("_NET_WM_NAME(UTF8_STRING) = \"Kestrabin\""), std::string::npos) << props;
  EXPECT_NE(props.find("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG"), std::string::npos)
      << props;
  EXPECT_NE(props.find("WM_DELETE_WINDOW"), std::string::npos) << props;

  const auto g = geometry(*server_, window);
  EXPECT_NEAR(g.at("X") + g.at("WIDTH") / 2.0, 1024 / 2.0, 1.0);
  EXPECT_NEAR(g.at("Y") + g.at("HEIGHT") / 2.0, 768 / 2.0, 1.0);

  press(*server_, "Return");
  EXPECT_EQ(child->finish(5s).exit_code, 255);
}

// The usage text's four lines each get a line: its dialog is taller than the
// one-line notice by three lines, and both are drawn, not blank.
TEST_F(DialogTest, DrawsEveryLineOfTheText) {
  write_file(dir_ / "movie.swf", "FWS\x05");
  std::map<std::string, int> heights;
  for (const auto& [name, args] : std::map<std::string, std::vector<std::string>>{
           {"usage", {}}, {"patched", {dir_ / "movie.swf"}}}) {
    auto child = start(args);
    const std::string window = dialog_of(*child);
    ASSERT_FALSE(window.empty());
    const std::string shot = "dialog-" + name + ".png";
    save_screenshot(window, shot);
    const std::string colours = run_child({"/usr/bin/convert", shot, "-format", "%k", "info:"}).out;
    EXPECT_GE(std::stoi(colours.empty() ? "0" : colours), 3) << name << " dialog looks blank";
    heights[name] = geometry(*server_, window).at("HEIGHT");
    press(*server_, "Return");
    child->finish(5s);
  }
  EXPECT_GT(heights["usage"], heights["patched"] + 30);
}

// The server dies under the dialog: the program ends promptly with the
// outcome's status, and the file stays patched.
TEST(DialogServerLoss, EndsWithinTwoSecondsWithTheStatus) {
  XServer server;
  ASSERT_TRUE(server.running());
  ScratchDir dir;
  write_file(dir / "movie.swf", "FWS\x05");
  ChildOptions options;
  options.environment = server.environment();
  ChildProcess child({kProgram, dir / "movie.swf"}, options);
  ASSERT_FALSE(wait_for_window(server, "Kestrabin").empty());

  server.kill_now();
  const auto killed = std::chrono::steady_clock::now();
  const ChildResult run = child.finish(5s);
  const auto took = std::chrono::steady_clock::now() - killed;

  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_LT(took, 2s);
  EXPECT_EQ(read_file(dir / "movie.swf"), "FWS\x09");
}

// A display that cannot be opened falls back to the terminal, and here there
// is none: the notice fails at once and the status stands.
TEST(DialogNoServer, UnreachableDisplayIsNoNotice) {
  ScratchDir dir;
  write_file(dir / "movie.swf", "CWS\x06");
  ChildOptions options;
  options.environment = {"PATH=/usr/bin:/bin", "DISPLAY=:999"};
  const ChildResult run = run_child({kProgram, dir / "movie.swf"}, options, 5s);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(read_file(dir / "movie.swf"), "CWS\x09");
}

}  // namespace
