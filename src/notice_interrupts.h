#ifndef KESTRABIN_NOTICE_INTERRUPTS_H_
#define KESTRABIN_NOTICE_INTERRUPTS_H_

#include <csignal>

// While a notice waits, the file is dealt with and the status decided: a
// hang-up, Ctrl-C or a plain kill then ends the wait, not the process. While
// an object of this class lives, SIGHUP, SIGINT and SIGTERM are blocked
// except inside a wait that passes wait_mask() to ppoll or pselect, where
// they arrive as EINTR; none of them is lost or acted on later.
class NoticeInterrupts {
 public:
  NoticeInterrupts();
  NoticeInterrupts(const NoticeInterrupts&) = delete;
  NoticeInterrupts& operator=(const NoticeInterrupts&) = delete;
  ~NoticeInterrupts();

  // The signal mask to wait with: the caller's, with the three let through.
  const sigset_t* wait_mask() const { return &wait_mask_; }

 private:
  static constexpr int kCount = 3;
  static constexpr int kSignals[kCount] = {SIGHUP, SIGINT, SIGTERM};

  sigset_t previous_mask_{};
  sigset_t wait_mask_{};
  struct sigaction previous_actions_[kCount] {};
};

#endif  // KESTRABIN_NOTICE_INTERRUPTS_H_
