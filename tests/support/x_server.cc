#include "x_server.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "child_process.h"

namespace {

// Xvfb prints the display number it chose on this descriptor once it is ready.
std::string read_display_number(int fd) {
  std::string number;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') {
    number.push_back(c);
  }
  return number;
}

}  // namespace

XServer::XServer(const XServerOptions& options) {
  const ReportingChild child = fork_reporting([&options](int ready) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<std::string> argv{"/usr/bin/Xvfb", "-displayfd", std::to_string(ready),
                                  "-screen",       "0",          options.screen,
                                  "-nolisten",     "tcp",        "-noreset"};
    if (options.dpi > 0) {
      argv.insert(argv.end(), {"-dpi", std::to_string(options.dpi)});
    }
    if (!options.auth_file.empty()) {
      argv.insert(argv.end(), {"-auth", options.auth_file});
    }
    // The pipe's end must outlive the exec: Xvfb writes the display to it.
    fcntl(ready, F_SETFD, 0);
    std::vector<char*> args = c_strings(argv);
    execv(args[0], args.data());
  });
  pid_ = child.pid;
  if (child.ready < 0) {
    return;
  }
  const std::string number = read_display_number(child.ready);
  close(child.ready);
  if (number.empty()) {
    kill_now();
    return;
  }
  display_ = ":" + number;
}

XServer::~XServer() { kill_now(); }

void XServer::kill_now() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

std::vector<std::string> XServer::environment() const {
  return {"PATH=/usr/bin:/bin", "LC_ALL=C", "DISPLAY=" + display_};
}

std::vector<std::string> XServer::program_environment() const {
  return {"PATH=" + empty_path_.path(), "LC_ALL=C", "DISPLAY=" + display_};
}

std::string x_socket_path(const std::string& display) {
  return "/tmp/.X11-unix/X" + display.substr(1);
}

std::string x_tool(const XServer& server, const std::vector<std::string>& argv) {
  ChildOptions options;
  options.environment = server.environment();
  std::vector<std::string> full = argv;
  if (full[0].find('/') == std::string::npos) {
    full[0] = "/usr/bin/" + full[0];
  }
  return run_child(full, options, std::chrono::seconds(10)).out;
}

std::string wait_for_window(const XServer& server, const std::string& title) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string found = x_tool(server, {"xdotool", "search", "--name", "^" + title + "$"});
    if (const auto end = found.find('\n'); end != std::string::npos) {
      return found.substr(0, end);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return {};
}
