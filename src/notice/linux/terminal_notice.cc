#include "notice/linux/terminal_notice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "notice/linux/notice_interrupts.h"

namespace {

bool write_all(int fd, const char* text) {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t written = write(fd, text, left);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    text += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// Waits for input on `fd`; false once a hang-up, Ctrl-C or kill has come.
bool wait_for_input(int fd, const NoticeInterrupts& interrupts) {
  pollfd terminal{fd, POLLIN, 0};
  return ppoll(&terminal, 1, nullptr, interrupts.wait_mask()) >= 0 || errno != EINTR;
}

// Reads until the end of a line; end of file, a hang-up, Ctrl-C or a kill
// also ends the wait.
void wait_for_enter(int fd, const NoticeInterrupts& interrupts) {
  char c = 0;
  for (;;) {
    const ssize_t got = wait_for_input(fd, interrupts) ? read(fd, &c, 1) : 0;
    if (got <= 0) {
      write_all(fd, "\n");
      return;
    }
    if (c == '\n' || c == '\r') {
      return;
    }
  }
}

}  // namespace

NoticeResult show_terminal_notice(const char* text, const char* caption,
                                  NoticeInterrupts& interrupts) {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) {
    return NoticeResult::NotShown;
  }
  interrupts.hold();
  // Start on a fresh line: the success line on the same terminal has no newline.
  const bool shown = write_all(tty, "\n[") && write_all(tty, caption) && write_all(tty, "]\n") &&
                     write_all(tty, text) && write_all(tty, "\nPress Enter to close. ");
  if (shown) {
    wait_for_enter(tty, interrupts);
  }
  close(tty);
  return shown ? NoticeResult::Dismissed : NoticeResult::Ended;
}
