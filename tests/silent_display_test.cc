// Displays that take the connection and never answer: a stopped X server, a
// dead forwarded connection, a compositor that hangs, an authorization file
// that blocks whoever opens it. The run gives every one of them the same few
// seconds, whichever way would show the notice (the desktop's tool or our own
// dialog), then ends with its outcome's status; a signal or an inherited
// alarm meanwhile acts as it would at any other time.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "x_proxy.h"
#include "x_server.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kProgram = KESTRABIN_BINARY;
// Three seconds of set-up, and some room for a loaded machine.
constexpr auto kBound = 5s;

// A Unix socket that takes connections into its backlog and never answers:
// a compositor that hangs. (A silent X server is XProxy's NeverAnswer.)
class SilentSocket {
 public:
  explicit SilentSocket(std::string path) : path_(std::move(path)) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
    unlink(path_.c_str());
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own cast
    listening_ = bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                 listen(fd_, 16) == 0;
  }
  SilentSocket(const SilentSocket&) = delete;
  SilentSocket& operator=(const SilentSocket&) = delete;
  ~SilentSocket() {
    close(fd_);
    unlink(path_.c_str());
  }
  [[nodiscard]] bool listening() const { return listening_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool listening_ = false;
};

// How the session's display fails to answer.
enum class Silence {
  XServer,        // DISPLAY names a socket that never answers
  Compositor,     // WAYLAND_DISPLAY does
  AuthorityFifo,  // a live X server, but XAUTHORITY is a FIFO nobody writes
};

// A session whose display never answers, and the environment of a run in it.
class SilentSession {
 public:
  explicit SilentSession(Silence silence) {
    env_ = {"LC_ALL=C", "HOME=" + home_.path(), "XDG_RUNTIME_DIR=" + runtime_.path()};
    switch (silence) {
      case Silence::XServer:
        x_ = std::make_unique<XProxy>("", ProxyCut::NeverAnswer);
        ready_ = x_->running();
        env_.push_back("DISPLAY=" + x_->display());
        break;
      case Silence::Compositor:
        compositor_ = std::make_unique<SilentSocket>(runtime_ / "wayland-silent");
        ready_ = compositor_->listening();
        env_.emplace_back("WAYLAND_DISPLAY=wayland-silent");
        break;
      case Silence::AuthorityFifo:
        live_x_ = std::make_unique<XServer>();
        ready_ = live_x_->running() && mkfifo((home_ / "Xauthority").c_str(), 0600) == 0;
        env_.push_back("DISPLAY=" + live_x_->display());
        env_.push_back("XAUTHORITY=" + (home_ / "Xauthority"));
        break;
    }
  }

  [[nodiscard]] bool ready() const { return ready_; }

  // The run's environment with `path` as PATH and, if given, the desktop.
  [[nodiscard]] std::vector<std::string> environment(const std::string& path,
                                                     const std::string& desktop) const {
    std::vector<std::string> env = env_;
    env.push_back("PATH=" + path);
    if (!desktop.empty()) {
      env.push_back("XDG_CURRENT_DESKTOP=" + desktop);
    }
    return env;
  }

 private:
  ScratchDir home_;
  ScratchDir runtime_;
  std::vector<std::string> env_;
  std::unique_ptr<XProxy> x_;
  std::unique_ptr<SilentSocket> compositor_;
  std::unique_ptr<XServer> live_x_;
  bool ready_ = false;
};

// The ways the notice may go: the desktop's tools on PATH, or none (our own dialog).
struct Way {
  const char* name;
  const char* path;
  const char* desktop;
};

constexpr Way kZenity{"Zenity", "/usr/bin:/bin", "GNOME"};
constexpr Way kKdialog{"Kdialog", "/usr/bin:/bin", "KDE"};
constexpr Way kOwnDialog{"OwnDialog", "", ""};

void PrintTo(const Way& way, std::ostream* os) { *os << way.name; }

struct SilenceCase : cases::Named {
  Silence silence;
  Way way;
};

std::string case_name(const SilenceCase& c) { return std::string(c.name) + c.way.name; }

void PrintTo(const SilenceCase& c, std::ostream* os) { *os << case_name(c); }

std::vector<SilenceCase> silence_cases(const std::vector<Way>& ways) {
  std::vector<SilenceCase> cases;
  for (const Way& way : ways) {
    cases.push_back({{"SilentX"}, Silence::XServer, way});
    cases.push_back({{"SilentWayland"}, Silence::Compositor, way});
    cases.push_back({{"XauthorityFifo"}, Silence::AuthorityFifo, way});
  }
  return cases;
}

class SilentDisplay : public testing::TestWithParam<SilenceCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(session_.ready()) << "the silent display could not be made"; }

  [[nodiscard]] ChildOptions options() const {
    ChildOptions options;
    options.environment = session_.environment(GetParam().way.path, GetParam().way.desktop);
    return options;
  }

  [[nodiscard]] std::vector<std::string> not_a_movie() const {
    write_file(dir_ / "movie.swf", "ZWS\x05");
    return {kProgram, dir_ / "movie.swf"};
  }

  SilentSession session_{GetParam().silence};
  ScratchDir dir_;
};

TEST_P(SilentDisplay, EndsInAFewSecondsWithTheStatus) {
  const auto start = Clock::now();
  const ChildResult run = run_child(not_a_movie(), options(), 30s);
  const auto took = Clock::now() - start;

  EXPECT_LT(took, kBound) << "the run waited for the display";
  ASSERT_TRUE(run.exited) << (run.timed_out ? "still waiting after 30 s" : "killed");
  EXPECT_EQ(run.exit_code, status::kNotSwf);
  EXPECT_EQ(run.err, "not swf file\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(read_file(dir_ / "movie.swf"), "ZWS\x05");
}

INSTANTIATE_TEST_SUITE_P(Sessions, SilentDisplay,
                         testing::ValuesIn(silence_cases({kZenity, kKdialog, kOwnDialog})),
                         [](const testing::TestParamInfo<SilenceCase>& param) {
                           return case_name(param.param);
                         });

// A hang-up, Ctrl-C or kill while the display is being waited for ends the
// notice, not the run: the status is the outcome's.
struct SignalCase {
  SilenceCase session;
  int signal;
};

void PrintTo(const SignalCase& c, std::ostream* os) {
  *os << case_name(c.session) << " " << sigabbrev_np(c.signal);
}

class SignalDuringSetUp : public testing::TestWithParam<SignalCase> {};

TEST_P(SignalDuringSetUp, TheStatusIsTheOutcomes) {
  const SignalCase& c = GetParam();
  const SilentSession session(c.session.silence);
  ASSERT_TRUE(session.ready());
  const ScratchDir dir;
  write_file(dir / "movie.swf", "ZWS\x05");
  ChildOptions options;
  options.environment = session.environment(c.session.way.path, c.session.way.desktop);
  ChildProcess child({kProgram, dir / "movie.swf"}, options);

  std::this_thread::sleep_for(1200ms);
  ASSERT_TRUE(child.running()) << "the set-up was over before the signal";
  kill(child.pid(), c.signal);
  const ChildResult run = child.finish(10s);

  ASSERT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.exit_code, status::kNotSwf);
  EXPECT_EQ(run.err, "not swf file\n");
}

std::vector<SignalCase> signal_cases() {
  std::vector<SignalCase> cases;
  for (const SilenceCase& session : silence_cases({kZenity, kOwnDialog})) {
    if (session.silence == Silence::Compositor && session.way.path[0] == '\0') {
      continue;  // our own dialog does not use Wayland, so it never waits for one
    }
    for (const int signal : {SIGINT, SIGHUP, SIGTERM}) {
      cases.push_back({session, signal});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalDuringSetUp, testing::ValuesIn(signal_cases()),
                         [](const testing::TestParamInfo<SignalCase>& param) {
                           return case_name(param.param.session) + sigabbrev_np(param.param.signal);
                         });

// The caller's alarm (a watchdog around the run) is the caller's: the wait
// for the display neither cancels nor takes it, and it ends the run on time.
class InheritedAlarm : public testing::TestWithParam<Way> {};

TEST_P(InheritedAlarm, StillFires) {
  const SilentSession session(Silence::XServer);
  ASSERT_TRUE(session.ready());
  const ScratchDir dir;
  write_file(dir / "movie.swf", "ZWS\x05");
  ChildOptions options;
  options.environment = session.environment(GetParam().path, GetParam().desktop);

  const auto start = Clock::now();
  const ChildResult run =
      run_child({"/usr/bin/perl", "-e", "alarm 2; exec @ARGV or die", kProgram, dir / "movie.swf"},
                options, 20s);
  const auto took = Clock::now() - start;

  EXPECT_FALSE(run.exited) << "the run outlived its alarm, status " << run.exit_code;
  EXPECT_EQ(run.signal, SIGALRM);
  EXPECT_LT(took, 2500ms);
}

INSTANTIATE_TEST_SUITE_P(Ways, InheritedAlarm, testing::Values(kZenity, kOwnDialog),
                         [](const testing::TestParamInfo<Way>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
