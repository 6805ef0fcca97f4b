#include "wine_prefix.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <utility>

#include "child_process.h"
#include "scratch_dir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A first boot installs every built-in DLL; on a slow machine that is minutes.
constexpr auto kBootTimeout = 300s;

// Runs a Wine tool with its output appended to `log` and no input, waiting for
// that process only: the daemons it starts keep the log open, not a pipe of
// ours. True when it exited with status 0 within `timeout`.
bool run_quietly(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& log, std::chrono::seconds timeout) {
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    const int null = open("/dev/null", O_RDONLY);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(null, 0);
    dup2(out, 1);
    dup2(out, 2);
    std::vector<char*> args = c_strings(argv);
    std::vector<char*> envp = c_strings(env);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  const auto deadline = Clock::now() + timeout;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(20ms);
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

WinePrefix::WinePrefix(const WindowsBuild& build, std::string display)
    : build_(build), display_(std::move(display)) {
  std::string pattern = std::filesystem::current_path().string() + "/wineprefix-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  path_ = pattern;
  const std::string log = path_ + ".log";

  std::vector<std::string> boot_env = environment();
  // No Mono or Gecko: without them wineboot would offer to download them.
  boot_env.emplace_back("WINEDLLOVERRIDES=mscoree,mshtml=");
  const auto start = Clock::now();
  // Wine's Marlett draws the close box of a caption; this Wine looks for it
  // only in the prefix's font folder, and reads that folder once, at boot.
  std::error_code ignored;
  std::filesystem::create_directories(path_ + "/drive_c/windows/Fonts", ignored);
  std::filesystem::copy_file("/usr/share/wine/fonts/marlett.ttf",
                             path_ + "/drive_c/windows/Fonts/marlett.ttf", ignored);
  ready_ = run_quietly({build_.server, "--persistent"}, boot_env, log, 30s) &&
           run_quietly(command({"wineboot", "--init"}), boot_env, log, kBootTimeout) &&
           std::filesystem::exists(path_ + "/drive_c/windows/system32/kernel32.dll");
  boot_time_ = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  boot_log_ = read_file(log);
}

WinePrefix::~WinePrefix() {
  const std::string log = path_ + ".log";
  run_quietly({build_.server, "--kill"}, environment(), log, 30s);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  std::filesystem::remove(log, ignored);
}

std::vector<std::string> WinePrefix::environment() const {
  std::vector<std::string> env{"PATH=/usr/bin:/bin",
                               "LC_ALL=C.UTF-8",
                               "WINEPREFIX=" + path_,
                               "WINEARCH=" + build_.prefix_arch,
                               "WINELOADER=" + build_.loader,
                               "WINESERVER=" + build_.server,
                               "WINEDEBUG=-all"};
  if (!display_.empty()) {
    env.push_back("DISPLAY=" + display_);
  }
  return env;
}

bool WinePrefix::set_registry_value(const std::string& key, const std::string& name,
                                    const std::string& value) const {
  ChildOptions options;
  options.environment = environment();
  const ChildResult run = run_child(
      command({"reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"}), options, 60s);
  return run.exited && run.exit_code == 0;
}

std::vector<std::string> WinePrefix::command(std::vector<std::string> args) const {
  args.insert(args.begin(), build_.loader);
  return args;
}

std::string windows_path(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    }
  }
  return path;
}
