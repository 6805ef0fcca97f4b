#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "standard_descriptors.h"

namespace {

constexpr int kFirstNonStandard = 3;

}  // namespace

int above_standard_descriptors(int fd) {
  if (fd < 0 || fd >= kFirstNonStandard) {
    return fd;
  }
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, kFirstNonStandard);
  // F_DUPFD answers EINVAL when the lowest number it may give is at or past
  // the descriptor limit: that is the limit reached, as open() would say.
  const int saved = moved < 0 && errno == EINVAL ? EMFILE : errno;
  close(fd);
  errno = saved;
  return moved;
}
