#include "terminal_notice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

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

// Reads until the end of a line; end of file or a hang-up also ends the wait.
void wait_for_enter(int fd) {
  char c = 0;
  for (;;) {
    const ssize_t got = read(fd, &c, 1);
    if (got < 0 && errno == EINTR) {
      continue;
    }
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

bool show_terminal_notice(const char* text, const char* caption) {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) {
    return false;
  }
  // The file is already dealt with; a terminal closed under the prompt should
  // end the wait, not the process, so the run keeps its exit status.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &ignore, &previous);

  // Start on a fresh line: the success line on the same terminal has no newline.
  const bool shown = write_all(tty, "\n[") && write_all(tty, caption) && write_all(tty, "]\n") &&
                     write_all(tty, text) && write_all(tty, "\nPress Enter to close. ");
  if (shown) {
    wait_for_enter(tty);
  }
  close(tty);
  sigaction(SIGHUP, &previous, nullptr);
  return shown;
}
