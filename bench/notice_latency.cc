#include "notice_latency.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace {

constexpr std::int64_t kMapTimeoutNs = 20'000'000'000;
constexpr int kExitTimeoutMs = 10'000;

// Xvfb prints the display number it chose on this descriptor once it is ready.
std::string read_line(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') {
    line.push_back(c);
  }
  return line;
}

// Returns the window, or 0 when none mapped before the deadline.
Window wait_for_top_level_map(MapWatch& watch, std::int64_t deadline, std::int64_t& mapped_at) {
  pollfd connection{ConnectionNumber(watch.display), POLLIN, 0};
  for (;;) {
    while (XPending(watch.display) > 0) {
      XEvent event{};
      XNextEvent(watch.display, &event);
      if (event.type == MapNotify && event.xmap.event == watch.root &&
          event.xmap.override_redirect == False) {
        mapped_at = now_ns();
        return event.xmap.window;
      }
    }
    const std::int64_t left_ms = (deadline - now_ns()) / 1'000'000;
    if (left_ms <= 0 || poll(&connection, 1, static_cast<int>(left_ms)) == 0) {
      return 0;
    }
  }
}

std::string window_title(Display* display, Window window) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) == 0 || name == nullptr) {
    return {};
  }
  std::string title = name;
  XFree(name);
  return title;
}

void send_close_request(const MapWatch& watch, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = watch.wm_protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(watch.wm_delete);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(watch.display, window, False, NoEventMask, &event);
  XFlush(watch.display);
}

int reap_with_deadline(pid_t pid) {
  for (int waited_ms = 0;; ++waited_ms) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return status;
    }
    if (waited_ms == kExitTimeoutMs) {
      kill(pid, SIGKILL);
    }
    usleep(1000);
  }
}

}  // namespace

Xvfb start_xvfb(const std::string& program) {
  Xvfb server;
  std::array<int, 2> ready{};
  if (pipe(ready.data()) != 0) {
    return server;
  }
  server.pid = fork();
  if (server.pid == 0) {
    close(ready[0]);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    const std::string fd = std::to_string(ready[1]);
    execl(program.c_str(), program.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
          "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  const std::string number = read_line(ready[0]);
  close(ready[0]);
  if (!number.empty()) {
    server.display = ":" + number;
  }
  return server;
}

void stop_xvfb(Xvfb& server) {
  if (server.pid > 0) {
    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
    server.pid = -1;
  }
}

bool open_map_watch(MapWatch& watch, const std::string& display_name) {
  watch.display = XOpenDisplay(display_name.c_str());
  if (watch.display == nullptr) {
    return false;
  }
  watch.root = DefaultRootWindow(watch.display);
  watch.wm_protocols = XInternAtom(watch.display, "WM_PROTOCOLS", False);
  watch.wm_delete = XInternAtom(watch.display, "WM_DELETE_WINDOW", False);
  XSelectInput(watch.display, watch.root, SubstructureNotifyMask);
  XSync(watch.display, False);
  return true;
}

void close_map_watch(MapWatch& watch) {
  if (watch.display != nullptr) {
    XCloseDisplay(watch.display);
    watch.display = nullptr;
  }
}

NoticeRun run_notice(MapWatch& watch, const Command& command, Dismissal dismissal, bool traced) {
  NoticeRun run;
  XSync(watch.display, True);  // forget what the last run left behind
  const std::int64_t begin = now_ns();
  const pid_t pid = traced ? start_traced(command) : start(command);
  if (pid < 0) {
    return run;
  }
  std::int64_t mapped_at = 0;
  const Window window = wait_for_top_level_map(watch, begin + kMapTimeoutNs, mapped_at);
  if (window != 0) {
    run.mapped = true;
    run.latency_ns = mapped_at - begin;
    run.title = window_title(watch.display, window);
  }
  if (window != 0 && dismissal == Dismissal::CloseRequest) {
    send_close_request(watch, window);
  } else {
    kill(pid, SIGTERM);
  }
  if (traced) {
    const TracedExit exit = wait_traced(pid);
    run.status = exit.status;
    run.peak_rss_kib = exit.peak_rss_kib;
  } else {
    run.status = reap_with_deadline(pid);
  }
  return run;
}
