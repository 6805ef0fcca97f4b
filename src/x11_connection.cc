#include "x11_connection.h"

#include <unistd.h>

#include <csetjmp>
#include <csignal>

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

// A server that has not finished setting up the connection by then is taken
// for none: the run goes on to the other ways of giving the notice.
constexpr unsigned kSetUpSeconds = 3;

// Set by the Xlib handlers, which may not unwind; the dialog reads it.
bool g_failed = false;
unsigned long g_tolerated_request = 0;

// While XOpenDisplay runs, a lost connection or the deadline leaves it
// through this jump: there is no per-display exit handler yet, and Xlib's
// default one would end the process.
volatile std::sig_atomic_t g_connecting = 0;
sigjmp_buf g_give_up;
int g_abandoned_fd = -1;

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
// deadline can only end the wait by leaving it. Nothing after this uses Xlib.
void give_up_waiting(int /*signal*/) {
  if (g_connecting != 0) {
    g_connecting = 0;
    siglongjmp(g_give_up, 1);
  }
}

// Replaces Xlib's exit() after a lost connection; returning keeps us alive.
void keep_process(Display* /*display*/, void* /*data*/) { g_failed = true; }

Display* connect_before_deadline() {
  if (sigsetjmp(g_give_up, 1) != 0) {
    return nullptr;
  }
  g_connecting = 1;
  alarm(kSetUpSeconds);
  Display* display = XOpenDisplay(nullptr);
  g_connecting = 0;
  return display;
}

}  // namespace

Display* open_display() {
  g_failed = false;
  g_tolerated_request = 0;
  g_abandoned_fd = -1;
  // Both are process-wide and also guard the requests XOpenDisplay makes.
  XSetErrorHandler(note_x_error);
  XSetIOErrorHandler(note_io_error);

  struct sigaction deadline {};
  deadline.sa_handler = give_up_waiting;
  sigemptyset(&deadline.sa_mask);
  struct sigaction previous {};
  sigaction(SIGALRM, &deadline, &previous);
  begin_allocations_that_may_be_abandoned();
  Display* display = connect_before_deadline();
  end_allocations_that_may_be_abandoned();
  alarm(0);
  sigaction(SIGALRM, &previous, nullptr);

  if (display == nullptr) {
    if (g_abandoned_fd >= 0) {
      close(g_abandoned_fd);
    }
    return nullptr;
  }
  // Writing to a server that has gone away raises no SIGPIPE: the whole run
  // ignores it (ignore_write_signals).
  XSetIOErrorExitHandler(display, keep_process, nullptr);
  return display;
}

void close_display(Display* display) {
  // Once the connection is lost Xlib drops further requests, so closing is
  // safe either way and frees what the display holds.
  XCloseDisplay(display);
}

bool display_failed() { return g_failed; }

void tolerate_error_of(unsigned long serial) { g_tolerated_request = serial; }
