#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "swf/update_stream.h"

namespace {

// Closes `fd` without letting close() overwrite the errno being reported.
void close_keeping_errno(int fd) {
  const int saved = errno;
  close(fd);
  errno = saved;
}

bool is_regular_file(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  return true;
}

bool clear_nonblocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

std::FILE* open_for_update(const char* path) {
  // O_NONBLOCK keeps the open itself from waiting on a FIFO or a device;
  // O_NOCTTY keeps a terminal named on the command line from becoming ours.
  const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return nullptr;
  }
  if (!is_regular_file(fd) || !clear_nonblocking(fd)) {
    close_keeping_errno(fd);
    return nullptr;
  }
  std::FILE* stream = fdopen(fd, "r+b");
  if (stream == nullptr) {
    close_keeping_errno(fd);
  }
  return stream;
}
