#include "notice/linux/x11/x11_quiet_console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>

namespace {

constexpr int kStandardError = 2;
constexpr std::size_t kStandardErrorIndex = 2;

bool is_open(int fd) { return fcntl(fd, F_GETFD) >= 0; }

}  // namespace

QuietConsole::QuietConsole() {
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null < 0) {
    return;
  }
  // open() takes the lowest free descriptor, so a closed standard one first.
  for (std::size_t i = 0; i < filled_.size(); ++i) {
    const int fd = static_cast<int>(i);
    filled_[i] = fd == null || (!is_open(fd) && dup2(null, fd) == fd);
  }
  if (!filled_[kStandardErrorIndex]) {
    saved_error_ = fcntl(kStandardError, F_DUPFD_CLOEXEC, kStandardCount);
    if (saved_error_ < 0 || dup2(null, kStandardError) != kStandardError) {
      // Cannot silence it: leave descriptor 2 as it was and say so.
      if (saved_error_ >= 0) {
        close(saved_error_);
        saved_error_ = -1;
      }
      if (null >= kStandardCount) {
        close(null);
      }
      return;
    }
  }
  if (null >= kStandardCount) {
    close(null);
  }
  quiet_ = true;
}

QuietConsole::~QuietConsole() {
  if (saved_error_ >= 0) {
    dup2(saved_error_, kStandardError);
    close(saved_error_);
  }
  for (std::size_t i = 0; i < filled_.size(); ++i) {
    if (filled_[i]) {
      close(static_cast<int>(i));
    }
  }
}
