#include "notice_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "failures.h"
#include "peak_rss.h"
#include "swf_file.h"
#include "x_close_request.h"

namespace {

constexpr std::int64_t kMapTimeoutNs = 20'000'000'000;
constexpr int kExitTimeoutMs = 10'000;

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

struct Seen {
  bool mapped = false;
  std::int64_t latency_ns = 0;
  std::string title;
  int status = -1;
};

// A window that never mapped is no notice to close: the process is ended.
void dismiss(const MapWatch& watch, Window window, pid_t pid, Dismissal dismissal) {
  if (window != 0 && dismissal == Dismissal::CloseRequest) {
    send_close_request(watch.display(), window);
  } else {
    kill(pid, SIGTERM);
  }
}

bool patched(const NoticeContender& c, const Seen& seen) {
  return c.file.empty() || (exited_cleanly(seen.status) && file_state(c.file).version == 9);
}

}  // namespace

void run_notice(MapWatch& watch, NoticeContender& c, bool traced) {
  if (!c.file.empty()) {
    set_version(c.file, 5);
  }
  watch.forget_events();
  const std::int64_t begin = now_ns();
  const pid_t pid = traced ? start_traced(c.command) : start(c.command);
  Seen seen;
  long peak_rss_kib = -1;
  if (pid >= 0) {
    std::int64_t mapped_at = 0;
    const Window window = watch.wait_for_top_level_map(begin + kMapTimeoutNs, mapped_at);
    seen.mapped = window != 0;
    seen.latency_ns = mapped_at - begin;
    seen.title = window != 0 ? watch.title(window) : "";
    dismiss(watch, window, pid, c.dismissal);
    const TracedExit exit = traced ? wait_traced(pid) : TracedExit{reap_with_deadline(pid), -1};
    seen.status = exit.status;
    peak_rss_kib = exit.peak_rss_kib;
  }
  const bool good = seen.mapped && seen.title == kNoticeCaption && patched(c, seen);
  if (!good && c.ok) {
    record_failure(c.name + ": no notice titled " + kNoticeCaption +
                   " mapped, or the run failed (title '" + seen.title + "', wait status " +
                   std::to_string(seen.status) + ")");
  }
  c.ok = c.ok && good;
  if (traced) {
    c.peak_rss_kib = std::max(c.peak_rss_kib, peak_rss_kib);
  } else {
    c.ms.push_back(static_cast<double>(seen.latency_ns) / 1e6);
  }
}

bool can_watch(const XServer& server, const MapWatch& watch) {
  if (server.running() && watch.connected()) {
    return true;
  }
  record_failure("cannot start Xvfb or connect to it");
  return false;
}
