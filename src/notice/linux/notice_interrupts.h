#ifndef KESTRABIN_NOTICE_LINUX_NOTICE_INTERRUPTS_H_
#define KESTRABIN_NOTICE_LINUX_NOTICE_INTERRUPTS_H_

#include <array>
#include <csignal>

// While a notice is on its way or waits, the file is dealt with and the
// status decided: a hang-up, Ctrl-C or a plain kill then ends the notice, not
// the process. From the first hold() until the object goes, SIGHUP, SIGINT
// and SIGTERM are blocked except inside a wait that passes wait_mask() to
// ppoll or pselect, where they arrive as EINTR; none of them is lost or acted
// on later. Each way of showing the notice holds them once it has something
// to show on, so a run with nowhere to show it pays nothing.
class NoticeInterrupts {
 public:
  NoticeInterrupts() = default;
  NoticeInterrupts(const NoticeInterrupts&) = delete;
  NoticeInterrupts& operator=(const NoticeInterrupts&) = delete;
  ~NoticeInterrupts();

  // The signals it holds back.
  static constexpr std::array kSignals{SIGHUP, SIGINT, SIGTERM};

  // Starts holding them back; again, it does nothing.
  void hold();

  // The signal mask to wait with: the caller's, with the three let through.
  // Only once they are held.
  [[nodiscard]] const sigset_t* wait_mask() const { return &wait_mask_; }

  // True when one of them came while no wait let it through; it is taken
  // now rather than dropped when the object goes.
  [[nodiscard]] bool pending() const;

 private:
  bool held_ = false;
  sigset_t previous_mask_{};
  sigset_t wait_mask_{};
  std::array<struct sigaction, kSignals.size()> previous_actions_{};
};

#endif  // KESTRABIN_NOTICE_LINUX_NOTICE_INTERRUPTS_H_
