// The notice as an X dialog on a real server (Xvfb), driven with xdotool the
// way a user's keyboard and mouse would.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "x_proxy.h"
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

// Starts the program on `args` with `server`'s display, no terminal to fall
// back to, and no desktop dialog tool on PATH: these tests are about the
// program's own dialog, which it shows only when it finds no such tool.
std::unique_ptr<ChildProcess> start_on(const XServer& server,
                                       const std::vector<std::string>& args) {
  std::vector<std::string> argv{kProgram};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildOptions options;
  options.environment = server.program_environment();
  return std::make_unique<ChildProcess>(argv, options);
}

class DialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<XServer>(); }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override { ASSERT_TRUE(server_->running()) << "Xvfb did not start"; }

  static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& args) {
    return start_on(*server_, args);
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

struct Dismissal : cases::Named {
  std::function<void(const XServer&, const std::string& window)> act;
};

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
    CaseName());

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
  EXPECT_EQ(run.exit_code, status::kUsage);
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
  EXPECT_EQ(child->finish(5s).exit_code, status::kUsage);
}

// The numbers of a 32-bit property as xprop prints them ("0x3, 0x24, ...").
std::vector<unsigned long> property_numbers(const XServer& server, const std::string& window,
                                            const std::string& name) {
  const std::string line = x_tool(server, {"xprop", "-id", window, name});
  std::vector<unsigned long> numbers;
  std::istringstream values(line.substr(line.find('=') + 1));
  for (std::string value; std::getline(values, value, ',');) {
    numbers.push_back(std::stoul(value, nullptr, 0));
  }
  return numbers;
}

// What a window manager reads: an icon at the sizes task bars use, a window
// that can be moved and closed but neither maximized nor minimized, and a
// fixed size.
TEST_F(DialogTest, TellsTheWindowManagerItsIconAndFixedSize) {
  auto child = start({});
  const std::string window = dialog_of(*child);
  ASSERT_FALSE(window.empty());

  const std::string icon = x_tool(*server_, {"xprop", "-id", window, "_NET_WM_ICON"});
  for (const char* size : {"Icon (16 x 16)", "Icon (32 x 32)", "Icon (48 x 48)"}) {
    EXPECT_NE(icon.find(size), std::string::npos) << icon.substr(0, 200);
  }

  const auto motif = property_numbers(*server_, window, "_MOTIF_WM_HINTS");
  ASSERT_EQ(motif.size(), 5U);
  constexpr unsigned long kFunctionsGiven = 1;
  constexpr unsigned long kAll = 1;
  constexpr unsigned long kMinimize = 8;
  constexpr unsigned long kMaximize = 16;
  constexpr unsigned long kClose = 32;
  EXPECT_NE(motif[0] & kFunctionsGiven, 0U);
  EXPECT_EQ(motif[1] & (kAll | kMinimize | kMaximize), 0U);
  EXPECT_NE(motif[1] & kClose, 0U);

  const std::string hints = x_tool(*server_, {"xprop", "-id", window, "WM_NORMAL_HINTS"});
  const auto g = geometry(*server_, window);
  const std::string size = std::to_string(g.at("WIDTH")) + " by " + std::to_string(g.at("HEIGHT"));
  EXPECT_NE(hints.find("minimum size: " + size), std::string::npos) << hints;
  EXPECT_NE(hints.find("maximum size: " + size), std::string::npos) << hints;

  press(*server_, "Return");
  EXPECT_EQ(child->finish(5s).exit_code, status::kUsage);
}

// OK is the only control, and the ring round it shows that Return and Space
// reach it: drawn in the focus colour while the window has the keyboard.
TEST_F(DialogTest, RingsOkWhileItHasTheKeyboard) {
  auto child = start({});
  const std::string window = dialog_of(*child);
  ASSERT_FALSE(window.empty());
  save_screenshot(window, "dialog-focused.png");
  const std::string pixels = run_child({"/usr/bin/convert", "dialog-focused.png", "txt:-"}).out;
  EXPECT_NE(pixels.find("#3070C0"), std::string::npos) << "no focus ring on OK";
  press(*server_, "Return");
  EXPECT_EQ(child->finish(5s).exit_code, status::kUsage);
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
  const auto child = start_on(server, {dir / "movie.swf"});
  ASSERT_FALSE(wait_for_window(server, "Kestrabin").empty());

  server.kill_now();
  const auto killed = std::chrono::steady_clock::now();
  const ChildResult run = child->finish(5s);
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
  options.environment = {"PATH=" + dir.path(), "DISPLAY=:999"};
  const ChildResult run = run_child({kProgram, dir / "movie.swf"}, options, 5s);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(read_file(dir / "movie.swf"), "CWS\x09");
}

struct ScaleCase : cases::Named {
  const char* monitor;   // xrandr's geometry, with millimetres, of the one monitor; empty: Xvfb's
  const char* resource;  // the desktop's resources; empty: none
  double least;          // the dialog's height against one at 96 dpi
  double most;
};

class DialogScale : public testing::TestWithParam<ScaleCase> {
 protected:
  // The height of the usage dialog on a fresh server, and its screenshot.
  static int dialog_height(const std::string& monitor, const std::string& resource,
                           const std::string& screenshot) {
    XServer server;
    EXPECT_TRUE(server.running());
    if (!monitor.empty()) {
      x_tool(server, {"xrandr", "--setmonitor", "only", monitor, "screen"});
    }
    if (!resource.empty()) {
      ScratchDir dir;
      write_file(dir / "resources", resource + "\n");
      x_tool(server, {"xrdb", "-nocpp", "-merge", dir / "resources"});
    }
    auto child = start_on(server, {});
    const std::string window = wait_for_window(server, "Kestrabin");
    EXPECT_FALSE(window.empty());
    if (window.empty()) {
      return 0;
    }
    x_tool(server, {"import", "-window", window, screenshot});
    const int height = geometry(server, window).at("HEIGHT");
    press(server, "Return");
    EXPECT_EQ(child->finish(5s).exit_code, status::kUsage);
    return height;
  }
};

TEST_P(DialogScale, FollowsTheDesktopsResolution) {
  const ScaleCase& c = GetParam();
  const int reference = dialog_height("", "Xft.dpi: 96", "dialog-96dpi.png");
  const int height = dialog_height(c.monitor, c.resource, std::string("dialog-") + c.name + ".png");
  ASSERT_GT(reference, 0);
  EXPECT_GE(height, c.least * reference) << "at 96 dpi: " << reference << ", here: " << height;
  EXPECT_LE(height, c.most * reference) << "at 96 dpi: " << reference << ", here: " << height;
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, DialogScale,
    testing::Values(ScaleCase{"ResourceAt192", "", "Xft.dpi: 192", 1.8, 2.3},
                    // No resource: the monitor's own size in millimetres tells.
                    ScaleCase{"MonitorAt192", "1024/135x768/101+0+0", "", 1.8, 2.3},
                    // The desktop's choice wins over what the monitor measures.
                    ScaleCase{"ResourceOverMonitor", "1024/135x768/101+0+0", "Xft.dpi: 96", 0.95,
                              1.05}),
    CaseName());

struct MonitorCase : cases::Named {
  int pointer_x;
  int monitor_left;  // of the 512-pixel-wide monitor that holds the pointer
};

class DialogMonitors : public testing::TestWithParam<MonitorCase> {};

// One 1024x768 screen shown as two monitors side by side: the dialog is
// centred on the one with the pointer, not across the seam.
TEST_P(DialogMonitors, CentresOnTheMonitorWithThePointer) {
  XServer server;
  ASSERT_TRUE(server.running());
  x_tool(server, {"xrandr", "--setmonitor", "left", "512/135x768/203+0+0", "screen"});
  x_tool(server, {"xrandr", "--setmonitor", "right", "512/135x768/203+512+0", "none"});
  ASSERT_NE(x_tool(server, {"xrandr", "--listmonitors"}).find("Monitors: 2"), std::string::npos);
  x_tool(server, {"xdotool", "mousemove", std::to_string(GetParam().pointer_x), "300"});

  auto child = start_on(server, {});
  const std::string window = wait_for_window(server, "Kestrabin");
  ASSERT_FALSE(window.empty());
  const auto g = geometry(server, window);
  const int left = GetParam().monitor_left;
  EXPECT_GE(g.at("X"), left);
  EXPECT_LE(g.at("X") + g.at("WIDTH"), left + 512);
  EXPECT_NEAR(g.at("X") + g.at("WIDTH") / 2.0, left + 256, 1.0);
  EXPECT_NEAR(g.at("Y") + g.at("HEIGHT") / 2.0, 768 / 2.0, 1.0);
  press(server, "Return");
  EXPECT_EQ(child->finish(5s).exit_code, status::kUsage);
}

INSTANTIATE_TEST_SUITE_P(Pointer, DialogMonitors,
                         testing::Values(MonitorCase{"OnTheRight", 800, 512},
                                         MonitorCase{"OnTheLeft", 100, 0}),
                         CaseName());

// On a screen smaller than the dialog would be, it is set smaller and still
// lies wholly on the screen, OK included.
TEST(DialogSmallScreen, FitsOnTheScreen) {
  XServerOptions options;
  options.screen = "320x120x24";
  XServer server(options);
  ASSERT_TRUE(server.running());
  auto child = start_on(server, {});
  const std::string window = wait_for_window(server, "Kestrabin");
  ASSERT_FALSE(window.empty());
  const auto g = geometry(server, window);
  EXPECT_GE(g.at("X"), 0);
  EXPECT_GE(g.at("Y"), 0);
  EXPECT_LE(g.at("X") + g.at("WIDTH"), 320);
  EXPECT_LE(g.at("Y") + g.at("HEIGHT"), 120);
  x_tool(server, {"import", "-window", window, "dialog-small-screen.png"});
  press(server, "Return");
  EXPECT_EQ(child->finish(5s).exit_code, status::kUsage);
}

struct BrokenDisplayCase : cases::Named {
  ProxyCut cut;
  const char* movie;  // the file's first bytes
  int status;
  const char* err;    // all of standard error: the program's own text, nothing from Xlib
  const char* after;  // the file's bytes after the run
};

class DialogBrokenDisplay : public testing::TestWithParam<BrokenDisplayCase> {};

// A display whose connection breaks while it is being set up is no display:
// the run keeps its outcome's status, and Xlib neither prints nor exits.
TEST_P(DialogBrokenDisplay, KeepsTheStatusAndSaysNothing) {
  const BrokenDisplayCase& c = GetParam();
  XServer server;
  ASSERT_TRUE(server.running());
  const XProxy proxy(server.display(), c.cut);
  ASSERT_TRUE(proxy.running());
  ScratchDir dir;
  write_file(dir / "movie.swf", c.movie);
  ChildOptions options;
  options.environment = {"PATH=" + dir.path(), "DISPLAY=" + proxy.display()};

  const ChildResult run = run_child({kProgram, dir / "movie.swf"}, options, 15s);

  EXPECT_FALSE(run.timed_out);
  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(read_file(dir / "movie.swf"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, DialogBrokenDisplay,
    testing::Values(
        BrokenDisplayCase{"BeforeReplyPatched", ProxyCut::BeforeReply, "FWS\x05", 0, "", "FWS\x09"},
        BrokenDisplayCase{"MidReplyPatched", ProxyCut::MidReply, "FWS\x05", 0, "", "FWS\x09"},
        BrokenDisplayCase{"AfterReplyPatched", ProxyCut::AfterReply, "CWS\x05", 0, "", "CWS\x09"},
        BrokenDisplayCase{"MidReplyNotSwf", ProxyCut::MidReply, "abcd", status::kNotSwf,
                          "not swf file\n", "abcd"},
        BrokenDisplayCase{"AfterReplyNotSwf", ProxyCut::AfterReply, "abcd", status::kNotSwf,
                          "not swf file\n", "abcd"}),
    CaseName());

// A display that accepts the connection and never answers holds the run up
// for a few seconds, not for ever.
TEST(DialogSilentDisplay, EndsPatchedWithinFifteenSeconds) {
  const XProxy proxy("", ProxyCut::NeverAnswer);
  ASSERT_TRUE(proxy.running());
  ScratchDir dir;
  write_file(dir / "movie.swf", "FWS\x05");
  ChildOptions options;
  options.environment = {"PATH=" + dir.path(), "DISPLAY=" + proxy.display()};

  const ChildResult run = run_child({kProgram, dir / "movie.swf"}, options, 15s);

  EXPECT_FALSE(run.timed_out) << "still waiting for the display";
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_file(dir / "movie.swf"), "FWS\x09");
}

// A server that admits only clients with its cookie refuses us; xcb would
// write the server's reason to standard error.
TEST(DialogRefusingServer, IsNoDisplayAndSaysNothing) {
  ScratchDir dir;
  const std::string cookies = dir / "cookies";
  run_child({"/usr/bin/xauth", "-f", cookies, "add", ":0", "MIT-MAGIC-COOKIE-1",
             "0123456789abcdef0123456789abcdef"});
  ASSERT_TRUE(file_exists(cookies));
  XServerOptions server_options;
  server_options.auth_file = cookies;
  XServer server(server_options);
  ASSERT_TRUE(server.running());
  write_file(dir / "movie.swf", "FWS\x05");
  ChildOptions options;
  options.environment = {"PATH=" + dir.path(), "DISPLAY=" + server.display()};

  const ChildResult run = run_child({kProgram, dir / "movie.swf"}, options, 15s);

  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_file(dir / "movie.swf"), "FWS\x09");
}

}  // namespace
