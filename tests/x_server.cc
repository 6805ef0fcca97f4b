#include "x_server.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
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

XServer::XServer() {
  std::array<int, 2> ready{};
  if (pipe(ready.data()) != 0) {
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    close(ready[0]);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    const std::string fd = std::to_string(ready[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  const std::string number = read_display_number(ready[0]);
  close(ready[0]);
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
