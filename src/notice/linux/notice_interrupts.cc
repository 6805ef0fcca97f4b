#include "notice/linux/notice_interrupts.h"

#include <poll.h>

#include <cerrno>

namespace {

// Does nothing: its only work is to turn the signal into EINTR in the wait.
void end_wait(int /*signal*/) {}

}  // namespace

void NoticeInterrupts::hold() {
  if (held_) {
    return;
  }
  held_ = true;
  sigset_t blocked;
  sigemptyset(&blocked);
  for (const int signal : kSignals) {
    sigaddset(&blocked, signal);
  }
  sigprocmask(SIG_BLOCK, &blocked, &previous_mask_);
  wait_mask_ = previous_mask_;
  struct sigaction action {};
  action.sa_handler = end_wait;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    sigdelset(&wait_mask_, kSignals[i]);
    sigaction(kSignals[i], nullptr, &previous_actions_[i]);
    // A signal the caller chose to ignore (nohup, a background job) stays ignored.
    if (previous_actions_[i].sa_handler != SIG_IGN) {
      sigaction(kSignals[i], &action, nullptr);
    }
  }
}

bool NoticeInterrupts::pending() const {
  if (!held_) {
    return false;
  }
  const timespec no_wait{0, 0};
  return ppoll(nullptr, 0, &no_wait, wait_mask()) < 0 && errno == EINTR;
}

NoticeInterrupts::~NoticeInterrupts() {
  if (!held_) {
    return;
  }
  // A signal that came outside the wait is still pending: unblocking it while
  // the harmless handler is in place consumes it before the old action returns.
  sigprocmask(SIG_SETMASK, &previous_mask_, nullptr);
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    sigaction(kSignals[i], &previous_actions_[i], nullptr);
  }
}
