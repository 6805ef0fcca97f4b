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
  const int saved = errno;
  close(fd);
  errno = saved;
  return moved;
}
