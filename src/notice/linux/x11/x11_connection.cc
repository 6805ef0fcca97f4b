#include "notice/linux/x11/x11_connection.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <csignal>
#include <ctime>

#include "notice/linux/notice_interrupts.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A connection given up half-way is left as it is until the process ends:
// nothing can free it safely. The sanitizer build is told that its memory is
// left on purpose; once connected, the display frees it when closed.
void begin_allocations_that_may_be_abandoned() {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_disable();
#endif
}

void end_allocations_that_may_be_abandoned() {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_enable();
#endif
}

// Set by the Xlib handlers, which may not unwind; the dialog reads it.
bool g_failed = false;
unsigned long g_tolerated_request = 0;

// While XOpenDisplay runs, a lost connection, the deadline or an interrupt
// leaves it through this jump: there is no per-display exit handler yet, and
// Xlib's default one would end the process.
volatile std::sig_atomic_t g_connecting = 0;
volatile std::sig_atomic_t g_interrupted = 0;
sigjmp_buf g_give_up;
int g_abandoned_fd = -1;
bool g_abandoned = false;  // a set-up was left half-way: Xlib is not to be called again
int g_deadline_signal = 0;

int note_x_error(Display* /*display*/, XErrorEvent* error) {
  if (g_tolerated_request == 0 || error->serial != g_tolerated_request) {
    g_failed = true;
  }
  return 0;
}

int note_io_error(Display* display) {
  g_failed = true;
  if (g_connecting != 0) {
    g_connecting = 0;
    g_abandoned_fd = ConnectionNumber(display);
    siglongjmp(g_give_up, 1);
  }
  return 0;
}

// xcb waits for the server in poll() and retries it after a signal, so the
// deadline or an interrupt can only end the wait by leaving it. Nothing after
// this uses Xlib.
void give_up_waiting(int signal) {
  if (signal != g_deadline_signal) {
    g_interrupted = 1;
  }
  if (g_connecting != 0) {
    g_connecting = 0;
    siglongjmp(g_give_up, 1);
  }
}

// Replaces Xlib's exit() after a lost connection; returning keeps us alive.
void keep_process(Display* /*display*/, void* /*data*/) { g_failed = true; }

// The signals that end the set-up early, each with its handler while the
// set-up runs: the deadline's, and the interrupts the caller has not chosen
// to ignore.
class SetUpSignals {
 public:
  explicit SetUpSignals(int deadline_signal) {
    struct sigaction give_up {};
    give_up.sa_handler = give_up_waiting;
    sigemptyset(&give_up.sa_mask);
    signals_[0] = deadline_signal;
    std::copy(NoticeInterrupts::kSignals.begin(), NoticeInterrupts::kSignals.end(),
              signals_.begin() + 1);
    for (std::size_t i = 0; i < signals_.size(); ++i) {
      sigaction(signals_[i], nullptr, &previous_[i]);
      if (previous_[i].sa_handler != SIG_IGN) {
        sigaction(signals_[i], &give_up, nullptr);
      }
    }
  }
  SetUpSignals(const SetUpSignals&) = delete;
  SetUpSignals& operator=(const SetUpSignals&) = delete;
  ~SetUpSignals() {
    for (std::size_t i = 0; i < signals_.size(); ++i) {
      sigaction(signals_[i], &previous_[i], nullptr);
    }
  }

 private:
  std::array<int, NoticeInterrupts::kSignals.size() + 1> signals_{};
  std::array<struct sigaction, NoticeInterrupts::kSignals.size() + 1> previous_{};
};

// The signal mask while connecting: the interrupts and the deadline let through.
sigset_t set_up_mask(const NoticeInterrupts& interrupts) {
  sigset_t mask = *interrupts.wait_mask();
  sigdelset(&mask, g_deadline_signal);
  return mask;
}

Display* connect_before_deadline(timer_t deadline, const sigset_t& mask) {
  // The jump restores the signal mask that was in force here.
  if (sigsetjmp(g_give_up, 1) != 0) {
    g_abandoned = true;
    return nullptr;
  }
  g_connecting = 1;
  const itimerspec once{{0, 0}, {kSetUpSeconds, 0}};
  sigset_t previous;
  sigprocmask(SIG_SETMASK, &mask, &previous);
  timer_settime(deadline, 0, &once, nullptr);
  Display* display = XOpenDisplay(nullptr);
  g_connecting = 0;
  const itimerspec disarmed{};
  timer_settime(deadline, 0, &disarmed, nullptr);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return display;
}

// With the deadline's timer made, and its signal and the interrupts handled.
Display* connect_with_deadline(const NoticeInterrupts& interrupts) {
  sigevent expiry{};
  expiry.sigev_notify = SIGEV_SIGNAL;
  expiry.sigev_signo = g_deadline_signal;
  timer_t deadline{};
  if (timer_create(CLOCK_MONOTONIC, &expiry, &deadline) != 0) {
    return nullptr;  // without a deadline the set-up could wait for ever
  }
  const SetUpSignals signals(g_deadline_signal);
  begin_allocations_that_may_be_abandoned();
  Display* display = connect_before_deadline(deadline, set_up_mask(interrupts));
  end_allocations_that_may_be_abandoned();
  timer_delete(deadline);
  return display;
}

}  // namespace

Display* open_display(const NoticeInterrupts& interrupts) {
  g_failed = false;
  g_tolerated_request = 0;
  g_abandoned_fd = -1;
  g_interrupted = 0;
  if (g_abandoned) {
    return nullptr;
  }
  // A real-time signal of our own, not SIGALRM: the caller's alarm is theirs.
  g_deadline_signal = SIGRTMIN;
  // Both are process-wide and also guard the requests XOpenDisplay makes.
  XSetErrorHandler(note_x_error);
  XSetIOErrorHandler(note_io_error);

  Display* display = connect_with_deadline(interrupts);
  if (display == nullptr) {
    if (g_abandoned_fd >= 0) {
      close(g_abandoned_fd);
    }
    return nullptr;
  }
  // An interrupt that came as the set-up finished still ends the notice.
  if (g_interrupted != 0) {
    XCloseDisplay(display);
    return nullptr;
  }
  // Writing to a server that has gone away raises no SIGPIPE: the whole run
  // ignores it (ignore_write_signals).
  XSetIOErrorExitHandler(display, keep_process, nullptr);
  return display;
}

bool set_up_interrupted() { return g_interrupted != 0; }

void close_display(Display* display) {
  // Once the connection is lost Xlib drops further requests, so closing is
  // safe either way and frees what the display holds.
  XCloseDisplay(display);
}

bool display_failed() { return g_failed; }

void tolerate_error_of(unsigned long serial) { g_tolerated_request = serial; }
