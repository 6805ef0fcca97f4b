// The notice as the desktop's own dialog tool (zenity, kdialog) in a real
// session: an X server or a Wayland compositor, a session bus and its
// accessibility bus. The notice is read and its OK pressed through the
// accessibility tree, as a screen reader user would; tools that fail before
// showing anything hand over to the program's own X dialog or the terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "x_server.h"

namespace {

using namespace std::chrono_literals;

const std::string kProgram = KESTRABIN_BINARY;
const std::string kAtspiNotice = ATSPI_NOTICE;
constexpr const char* kSystemPath = "PATH=/usr/bin:/bin";

ChildOptions with_environment(std::vector<std::string> environment) {
  ChildOptions options;
  options.environment = std::move(environment);
  return options;
}

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// What a desktop session gives its programs: the display, a home, a runtime
// directory and a session bus, whose accessibility bus is marked in use, as a
// running screen reader marks it (Qt exposes its widgets only then). The bus
// knows the display, as a real session's does: on X the accessibility bus's
// address is then also put on the root window, which Qt reads at start-up;
// without it Qt 5 may ask the registry before it has connected, and stay out.
class Session {
 public:
  explicit Session(std::vector<std::string> display) : display_(std::move(display)) {
    bus_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/dbus-daemon", "--session", "--nofork",
                                 "--address=unix:path=" + (runtime_ / "bus"), "--print-address=1"},
        with_environment(base()));
    if (!bus_->wait_for_output("unix:path=", 10s)) {
      failure_ = "dbus-daemon did not start";
      return;
    }
    const ChildResult enable = run_child({"/usr/bin/python3", kAtspiNotice, "enable"},
                                         with_environment(environment()), 20s);
    if (enable.exit_code != 0) {
      failure_ = "cannot turn the accessibility bus on: " + enable.err;
    }
  }

  [[nodiscard]] const std::string& failure() const { return failure_; }
  [[nodiscard]] const std::string& runtime_dir() const { return runtime_.path(); }

  // A program's environment in this session; PATH comes first.
  [[nodiscard]] std::vector<std::string> environment() const {
    return joined(base(), {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + (runtime_ / "bus")});
  }

 private:
  [[nodiscard]] std::vector<std::string> base() const {
    return joined(
        {kSystemPath, "LC_ALL=C", "HOME=" + home_.path(), "XDG_RUNTIME_DIR=" + runtime_.path()},
        display_);
  }

  std::vector<std::string> display_;
  ScratchDir home_;
  ScratchDir runtime_;  // mkdtemp makes it private (0700), as the runtime directory must be
  std::unique_ptr<ChildProcess> bus_;
  std::string failure_;
};

// A window as the accessibility tree shows it to a screen reader.
struct AccessibleWindow {
  std::string application;
  std::string role;
  std::string name;
  std::vector<std::string> labels;
  std::vector<std::string> buttons;
};

std::string unescape(const std::string& field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) {
      text.push_back(field[++i] == 'n' ? '\n' : field[i]);
    } else {
      text.push_back(field[i]);
    }
  }
  return text;
}

// The top-level window titled "Kestrabin", waited for; nullopt (and the
// reason in the test log) when it never appears in the tree.
std::optional<AccessibleWindow> accessible_notice(const std::vector<std::string>& env) {
  const ChildResult run = run_child({"/usr/bin/python3", kAtspiNotice, "show", "Kestrabin"},
                                    with_environment(env), 30s);
  if (run.exit_code != 0) {
    ADD_FAILURE() << "not in the accessibility tree: " << run.err;
    return std::nullopt;
  }
  AccessibleWindow window;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) {
      fields.push_back(unescape(field));
    }
    if (fields.size() == 2 && fields[0] == "application") {
      window.application = fields[1];
    } else if (fields.size() == 3 && fields[0] == "window") {
      window.role = fields[1];
      window.name = fields[2];
    } else if (fields.size() == 2 && fields[0] == "label") {
      window.labels.push_back(fields[1]);
    } else if (fields.size() == 2 && fields[0] == "button") {
      window.buttons.push_back(fields[1]);
    }
  }
  return window;
}

// The notice as a screen reader meets it: the tool's dialog, named after the
// caption, with one push button, OK.
void expect_notice_dialog(const std::optional<AccessibleWindow>& notice,
                          const std::string& application) {
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->application, application);
  EXPECT_EQ(notice->role, "dialog");
  EXPECT_EQ(notice->name, "Kestrabin");
  EXPECT_EQ(notice->buttons, std::vector<std::string>{"OK"});
}

void press_ok(const std::vector<std::string>& env) {
  const ChildResult run = run_child({"/usr/bin/python3", kAtspiNotice, "press", "Kestrabin", "OK"},
                                    with_environment(env), 30s);
  EXPECT_EQ(run.exit_code, 0) << "could not press OK: " << run.err;
}

long count_of(const std::vector<std::string>& items, const std::string& item) {
  return std::count(items.begin(), items.end(), item);
}

// The processes `pid` has started and not yet reaped.
std::vector<pid_t> children_of(pid_t pid) {
  const std::string id = std::to_string(pid);
  std::ifstream in("/proc/" + id + "/task/" + id + "/children");
  std::vector<pid_t> children;
  for (pid_t child = 0; in >> child;) {
    children.push_back(child);
  }
  return children;
}

// True while `pid` is a live process; a zombie waiting for a parent counts as gone.
bool is_alive(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(in, stat);
  const auto name_end = stat.rfind(')');
  return name_end != std::string::npos && stat.size() > name_end + 2 && stat[name_end + 2] != 'Z';
}

// One run and what it must end with once the notice is dismissed.
struct NoticeCase : cases::Named {
  const char* before;  // the file's first bytes; nullptr: no argument, the usage notice
  const char* text;    // the notice text
  int status;
  const char* err;  // standard error, exactly
};

const NoticeCase kPatched{"Patched", "FWS\x05", "swf file version updated to 9", 0, ""};
const NoticeCase kNotSwf{"NotSwf", "ZWS\x05", "File is not swf file", status::kNotSwf,
                         "not swf file\n"};
const NoticeCase kUsage{"Usage", nullptr, kUsageText, status::kUsage, ""};

std::vector<std::string> program_args(const NoticeCase& c, const ScratchDir& dir) {
  if (c.before == nullptr) {
    return {kProgram};
  }
  write_file(dir / "movie.swf", c.before);
  return {kProgram, dir / "movie.swf"};
}

// Console text and file, exactly as without any notice.
void expect_outcome(const NoticeCase& c, const ChildResult& run, const ScratchDir& dir) {
  EXPECT_FALSE(run.timed_out) << "the run did not end";
  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  if (c.before == nullptr) {
    EXPECT_EQ(run.exit_code, c.status);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
    return;
  }
  const std::string path = dir / "movie.swf";
  expect_file_outcome(FileCase{{c.name}, c.before, c.status, 5, c.err}, run, path, path);
}

// An X session: Xvfb, the session bus, and a scratch directory for files.
class XSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.running()) << "Xvfb did not start";
    ASSERT_EQ(session_.failure(), "");
  }

  // The program's environment: real tools on PATH unless `path` says otherwise.
  [[nodiscard]] std::vector<std::string> environment(const std::string& path = kSystemPath) const {
    std::vector<std::string> env = session_.environment();
    env[0] = path;
    return env;
  }

  static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv,
                                             const std::vector<std::string>& env) {
    return std::make_unique<ChildProcess>(argv, with_environment(env));
  }

  void save_screenshot(const std::string& name) const {
    x_tool(server_, {"import", "-window", "root", name});
    EXPECT_TRUE(file_exists(name)) << name;
  }

  XServer server_;
  Session session_{{"DISPLAY=" + server_.display()}};
  ScratchDir dir_;
};

// Writes a script named `name` into the folder `bin`, made if need be, with
// `mode`: a stand-in for a dialog tool.
void write_tool(const std::string& bin, const std::string& name, const std::string& script,
                mode_t mode = 0755) {
  mkdir(bin.c_str(), 0755);
  write_file(bin + "/" + name, script);
  ASSERT_EQ(chmod((bin + "/" + name).c_str(), mode), 0) << name;
}

// Both streams of a zenity that then shows the real dialog carry noise: none
// of it may reach the run's console.
void write_noisy_zenity(const std::string& bin) {
  write_tool(bin, "zenity",
             "#!/bin/sh\n"
             "echo 'zenity: noise on standard output'\n"
             "echo 'Gtk-Message: noise on standard error' >&2\n"
             "exec /usr/bin/zenity \"$@\"\n");
}

class ZenityNotice : public XSessionTest, public testing::WithParamInterface<NoticeCase> {};

TEST_P(ZenityNotice, IsReadByScreenReadersAndOkEndsTheRun) {
  const NoticeCase& c = GetParam();
  write_noisy_zenity(dir_ / "bin");
  const auto env = environment("PATH=" + (dir_ / "bin") + ":/usr/bin:/bin");
  auto child = start(program_args(c, dir_), env);

  const auto notice = accessible_notice(env);
  ASSERT_NO_FATAL_FAILURE(expect_notice_dialog(notice, "zenity"));
  EXPECT_EQ(count_of(notice->labels, c.text), 1) << "the text is not shown as is";
  save_screenshot(std::string("desktop-dialog-zenity-") + c.name + ".png");
  EXPECT_TRUE(child->running()) << "the run did not wait for the notice";

  press_ok(env);
  expect_outcome(c, child->finish(10s), dir_);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, ZenityNotice, testing::Values(kPatched, kNotSwf, kUsage),
                         CaseName());

// A hang-up, Ctrl-C or kill while the notice waits: the run ends with its
// status, and takes the tool with it rather than leave a dialog behind.
class ZenityInterrupted : public XSessionTest, public testing::WithParamInterface<int> {};

TEST_P(ZenityInterrupted, EndsTheRunWithItsStatusAndTheTool) {
  auto child = start(program_args(kPatched, dir_), environment());
  ASSERT_TRUE(accessible_notice(environment()).has_value());
  const std::vector<pid_t> tools = children_of(child->pid());
  ASSERT_EQ(tools.size(), 1U) << "expected the run to have started one tool";
  ASSERT_TRUE(is_alive(tools[0]));

  kill(child->pid(), GetParam());
  expect_outcome(kPatched, child->finish(10s), dir_);
  EXPECT_FALSE(is_alive(tools[0])) << "the tool outlived the run";
}

INSTANTIATE_TEST_SUITE_P(Signals, ZenityInterrupted, testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const testing::TestParamInfo<int>& param) {
                           return std::string(sigabbrev_np(param.param));
                         });

// The real tool, its dialog up, ended from outside (a force-quit, the OOM
// killer): the user may have read the notice, so no other one follows, and
// the run ends with its own status.
struct KilledTool : cases::Named {
  const char* tool;
  const char* desktop;  // XDG_CURRENT_DESKTOP
  int signal;
};

class DialogToolKilled : public XSessionTest, public testing::WithParamInterface<KilledTool> {};

TEST_P(DialogToolKilled, NoOtherNoticeFollows) {
  const KilledTool& c = GetParam();
  auto env = environment();
  env.push_back(std::string("XDG_CURRENT_DESKTOP=") + c.desktop);
  auto child = start(program_args(kPatched, dir_), env);
  const auto notice = accessible_notice(env);
  ASSERT_NO_FATAL_FAILURE(expect_notice_dialog(notice, c.tool));
  const std::vector<pid_t> tools = children_of(child->pid());
  ASSERT_EQ(tools.size(), 1U) << "expected the run to have started one tool";

  ASSERT_EQ(kill(tools[0], c.signal), 0);
  // Its own window, titled alike, goes with its connection.
  for (int i = 0; i < 100 && is_alive(tools[0]); ++i) {
    std::this_thread::sleep_for(50ms);
  }
  std::this_thread::sleep_for(300ms);

  EXPECT_EQ(wait_for_window(server_, "Kestrabin"), "") << "another notice followed";
  EXPECT_TRUE(children_of(child->pid()).empty()) << "another tool was started";
  expect_outcome(kPatched, child->finish(10s), dir_);
}

INSTANTIATE_TEST_SUITE_P(Tools, DialogToolKilled,
                         testing::Values(KilledTool{"ZenityTerminated", "zenity", "GNOME", SIGTERM},
                                         KilledTool{"ZenityKilled", "zenity", "GNOME", SIGKILL},
                                         KilledTool{"KdialogTerminated", "kdialog", "KDE", SIGTERM},
                                         KilledTool{"KdialogKilled", "kdialog", "KDE", SIGKILL}),
                         CaseName());

// A tool in the stand-in's place, alone on PATH, on a display that answers:
// unless it demonstrably showed nothing (it could not be executed, or it said
// it cannot reach the display), and the program's own X dialog follows, the
// run ends with it: it may have shown the notice before it ended.
struct StandIn : cases::Named {
  const char* tool;     // the file name on PATH
  const char* desktop;  // XDG_CURRENT_DESKTOP
  const char* script;
  mode_t mode;
  bool falls_through;
};

class DialogToolStandIn : public XSessionTest, public testing::WithParamInterface<StandIn> {};

TEST_P(DialogToolStandIn, FailureBeforeShowingFallsThroughToOurDialog) {
  const StandIn& s = GetParam();
  const std::string bin = dir_ / "bin";
  write_tool(bin, s.tool, s.script, s.mode);
  auto env = environment("PATH=" + bin);
  env.push_back(std::string("XDG_CURRENT_DESKTOP=") + s.desktop);
  auto child = start(program_args(kPatched, dir_), env);

  if (s.falls_through) {
    const std::string window = wait_for_window(server_, "Kestrabin");
    ASSERT_FALSE(window.empty()) << "no dialog followed the failed tool";
    const std::string pid = x_tool(server_, {"xprop", "-id", window, "_NET_WM_PID"});
    EXPECT_EQ(pid, "_NET_WM_PID(CARDINAL) = " + std::to_string(child->pid()) + "\n")
        << "the dialog is not the program's own";
    x_tool(server_, {"xdotool", "key", "--window", window, "Return"});
  }
  expect_outcome(kPatched, child->finish(10s), dir_);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, DialogToolStandIn,
    testing::Values(
        StandIn{"CannotBeExecuted", "zenity", "GNOME", "#!/nonexistent/interpreter\n", 0755, true},
        StandIn{"NotExecutable", "zenity", "GNOME", "#!/bin/sh\nexit 0\n", 0644, true},
        StandIn{"CannotOpenDisplay", "zenity", "GNOME",
                "#!/bin/sh\n"
                "echo 'noise on standard output'\n"
                "echo '(zenity:1): Gtk-WARNING **: cannot open display: :0' >&2\n"
                "exit 1\n",
                0755, true},
        StandIn{"QtCannotConnect", "kdialog", "KDE",
                "#!/bin/sh\n"
                "echo 'qt.qpa.xcb: could not connect to display :0' >&2\n"
                "kill -ABRT $$\n",
                0755, true},
        StandIn{"UnknownStatus", "zenity", "GNOME",
                "#!/bin/sh\necho 'Unknown option --no-wrap' >&2\nexit 255\n", 0755, false},
        StandIn{"Aborts", "zenity", "GNOME", "#!/bin/sh\necho 'noise' >&2\nkill -ABRT $$\n", 0755,
                false},
        StandIn{"ClosedByTheUser", "zenity", "GNOME", "#!/bin/sh\necho 'noise' >&2\nexit 1\n", 0755,
                false},
        StandIn{"Ok", "zenity", "GNOME", "#!/bin/sh\necho 'noise' >&2\nexit 0\n", 0755, false},
        StandIn{"KdialogClosedByTheUser", "kdialog", "KDE", "#!/bin/sh\nexit 2\n", 0755, false},
        StandIn{"KdialogUnknownStatus", "kdialog", "KDE", "#!/bin/sh\nexit 1\n", 0755, false},
        // KDE named anywhere in the desktop list, but as a whole entry only.
        StandIn{"KdialogInADesktopList", "kdialog", "X-Test:KDE", "#!/bin/sh\nexit 2\n", 0755,
                false},
        // Elsewhere kdialog is not the desktop's tool, and zenity is missing.
        StandIn{"KdialogOutsideKde", "kdialog", "GNOME", "#!/bin/sh\nexit 0\n", 0755, true},
        StandIn{"KdialogForAnotherNameStartingKde", "kdialog", "KDEX", "#!/bin/sh\nexit 0\n", 0755,
                true}),
    CaseName());

// PATH entries that are not absolute, and empty ones (meaning "."), name the
// folder the run started in: a tool found there is never started.
TEST_F(XSessionTest, RelativePathEntriesAreSkipped) {
  const std::string bin = dir_ / "bin";
  for (const std::string& folder : {bin, dir_.path()}) {
    write_tool(folder, "zenity", "#!/bin/sh\ntouch \"$0.ran\"\nexit 0\n");
  }
  ChildOptions options = with_environment(environment("PATH=bin::."));
  options.working_directory = dir_.path();
  ChildProcess child(program_args(kPatched, dir_), options);

  const std::string window = wait_for_window(server_, "Kestrabin");
  ASSERT_FALSE(window.empty()) << "no dialog of our own followed";
  x_tool(server_, {"xdotool", "key", "--window", window, "Return"});
  expect_outcome(kPatched, child.finish(10s), dir_);
  EXPECT_FALSE(file_exists(bin + "/zenity.ran"));
  EXPECT_FALSE(file_exists(dir_ / "zenity.ran"));
}

// Started with 0 to 2 closed, the run's own descriptors land there; the
// tool's standard streams must still be its own, or its complaint about the
// display is lost and its failure taken for a closed window.
TEST_F(XSessionTest, StandardStreamsClosedStillTellAFailureFromAClose) {
  const std::string bin = dir_ / "bin";
  write_tool(bin, "zenity",
             "#!/bin/sh\n"
             "echo '(zenity:1): Gtk-WARNING **: cannot open display: :0' >&2\n"
             "exit 1\n");
  ChildOptions options = with_environment(environment("PATH=" + bin));
  options.closed_streams = {0, 1, 2};
  ChildProcess child(program_args(kPatched, dir_), options);

  const std::string window = wait_for_window(server_, "Kestrabin");
  ASSERT_FALSE(window.empty()) << "the failed tool was taken for a closed notice";
  x_tool(server_, {"xdotool", "key", "--window", window, "Return"});
  const ChildResult run = child.finish(10s);
  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(read_file(dir_ / "movie.swf"), patched(kPatched.before));
}

// The tools are there but no display can be reached: each fails before
// showing anything, and so does the program's own dialog. Without a terminal
// there is no notice; nothing the tools wrote reaches the console.
struct Unreachable : cases::Named {
  std::vector<std::string> display;
};

class UnreachableDisplay : public testing::TestWithParam<Unreachable> {};

TEST_P(UnreachableDisplay, EndsWithTheStatusAndOnlyTheConsoleText) {
  ScratchDir dir;
  ChildOptions options;
  options.environment =
      joined({kSystemPath, "LC_ALL=C", "HOME=" + dir.path(), "XDG_RUNTIME_DIR=" + dir.path()},
             GetParam().display);
  const ChildResult run = run_child(program_args(kNotSwf, dir), options, 20s);
  expect_outcome(kNotSwf, run, dir);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, UnreachableDisplay,
    testing::Values(Unreachable{"X", {"DISPLAY=:999"}},
                    Unreachable{"WaylandOnly", {"WAYLAND_DISPLAY=kestrabin-no-compositor"}},
                    Unreachable{"KdeOnX", {"DISPLAY=:999", "XDG_CURRENT_DESKTOP=KDE"}}),
    CaseName());

// With a terminal, the notice ends up there, clean of the tools' complaints.
TEST(UnreachableDisplayWithTerminal, TheNoticeIsOnTheTerminal) {
  ScratchDir dir;
  ChildOptions options;
  options.terminal = Terminal::Pseudo;
  options.environment = {kSystemPath,          "LC_ALL=C",
                         "HOME=" + dir.path(), "XDG_RUNTIME_DIR=" + dir.path(),
                         "DISPLAY=:999",       "XDG_CURRENT_DESKTOP=KDE"};
  ChildProcess child(program_args(kNotSwf, dir), options);
  ASSERT_TRUE(child.wait_for_output("Press Enter to close.", 20s));
  child.type("\n");
  const ChildResult run = child.finish(10s);

  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, status::kNotSwf);
  EXPECT_NE(run.out.find("[Kestrabin]\r\nFile is not swf file\r\n"), std::string::npos) << run.out;
  for (const char* noise : {"display", "Gtk", "qt."}) {
    EXPECT_EQ(run.out.find(noise), std::string::npos) << noise << " in:\n" << run.out;
  }
}

// On KDE the notice is kdialog's message box, text as given ("Drag&Drop" is
// no markup and no accelerator).
class KdialogNotice : public XSessionTest, public testing::WithParamInterface<NoticeCase> {};

TEST_P(KdialogNotice, IsReadByScreenReadersAndOkEndsTheRun) {
  if (!file_exists("/usr/bin/kdialog")) {
    GTEST_SKIP() << "kdialog is not installed (scripts/install-deps.sh installs it)";
  }
  const NoticeCase& c = GetParam();
  auto env = environment();
  env.emplace_back("XDG_CURRENT_DESKTOP=KDE");
  auto child = start(program_args(c, dir_), env);

  const auto notice = accessible_notice(env);
  ASSERT_NO_FATAL_FAILURE(expect_notice_dialog(notice, "kdialog"));
  EXPECT_EQ(notice->labels, std::vector<std::string>{c.text});
  save_screenshot(std::string("desktop-dialog-kdialog-") + c.name + ".png");
  EXPECT_TRUE(child->running()) << "the run did not wait for the notice";

  press_ok(env);
  expect_outcome(c, child->finish(10s), dir_);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, KdialogNotice, testing::Values(kPatched, kUsage), CaseName());

// weston's headless back end: a Wayland session with no X server at all.
class Compositor {
 public:
  explicit Compositor(const std::string& runtime_dir) : socket_(runtime_dir + "/" + kName) {
    if (!file_exists("/usr/bin/weston")) {
      failure_ = "weston is not installed (scripts/install-deps.sh installs it)";
      return;
    }
    weston_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/weston", "--backend=headless-backend.so",
                                 std::string("--socket=") + kName, "--no-config", "--idle-time=0"},
        with_environment({kSystemPath, "XDG_RUNTIME_DIR=" + runtime_dir}));
    for (int i = 0; i < 100 && !file_exists(socket_); ++i) {
      std::this_thread::sleep_for(50ms);
    }
    if (!file_exists(socket_)) {
      failure_ = "weston could not start a headless compositor here: " + weston_->finish(1s).err;
    }
  }

  [[nodiscard]] const std::string& failure() const { return failure_; }
  static constexpr const char* kName = "kestrabin-wayland";

 private:
  std::string socket_;
  std::unique_ptr<ChildProcess> weston_;
  std::string failure_;
};

TEST(WaylandSession, TheNoticeIsZenitysAndOkEndsTheRun) {
  Session session({std::string("WAYLAND_DISPLAY=") + Compositor::kName});
  ASSERT_EQ(session.failure(), "");
  Compositor compositor(session.runtime_dir());
  if (!compositor.failure().empty()) {
    GTEST_SKIP() << compositor.failure();
  }
  ScratchDir dir;
  const auto env = session.environment();
  ChildProcess child(program_args(kUsage, dir), with_environment(env));

  const auto notice = accessible_notice(env);
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->application, "zenity");
  EXPECT_EQ(notice->name, "Kestrabin");
  EXPECT_EQ(count_of(notice->labels, kUsageText), 1);
  // Under Wayland GTK draws the title bar itself, with a close button of its own.
  EXPECT_EQ(count_of(notice->buttons, "OK"), 1);
  EXPECT_TRUE(child.running()) << "the run did not wait for the notice";

  press_ok(env);
  expect_outcome(kUsage, child.finish(10s), dir);
}

}  // namespace
