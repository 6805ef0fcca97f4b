#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "swf/update_stream.h"

namespace {

// Descriptors 0 to 2 belong to the console streams, closed or not.
constexpr int kFirstFileDescriptor = 3;

// Closes `fd` without letting close() overwrite the errno being reported.
void close_keeping_errno(int fd) {
  const int saved = errno;
  close(fd);
  errno = saved;
}

// A file opened while standard input, output or error is closed would take
// that descriptor, and the run's console text would be written into it.
int off_console_descriptors(int fd) {
  if (fd < 0 || fd >= kFirstFileDescriptor) {
    return fd;
  }
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, kFirstFileDescriptor);
  close_keeping_errno(fd);
  return moved;
}

// The errno that refuses a file of this type, 0 for a regular file. A
// directory and a socket keep the errors their own open would give.
int refusal_for(mode_t mode) {
  if (S_ISREG(mode)) {
    return 0;
  }
  if (S_ISDIR(mode)) {
    return EISDIR;
  }
  if (S_ISSOCK(mode)) {
    return ENXIO;
  }
  return EINVAL;
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Finds the file without opening it: an O_PATH descriptor reads nothing,
// wakes no peer of a FIFO and opens no device. Fills `found` on success.
int locate_regular_file(const char* path, struct stat& found) {
  const int fd = open(path, O_PATH | O_CLOEXEC);
  if (fd < 0) {
    return -1;
  }
  if (fstat(fd, &found) != 0) {
    close_keeping_errno(fd);
    return -1;
  }
  const int refusal = refusal_for(found.st_mode);
  if (refusal != 0) {
    close(fd);
    errno = refusal;
    return -1;
  }
  return fd;
}

// Opens `path` again without waiting on anything, and keeps the descriptor
// only if it is still the file `expected` describes; what took its place in
// the meantime is never read or written.
int open_same_file_by_path(const char* path, const struct stat& expected, int access) {
  const int fd = open(path, access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return -1;
  }
  struct stat now {};
  if (fstat(fd, &now) != 0) {
    close_keeping_errno(fd);
    return -1;
  }
  if (!same_file(now, expected)) {
    close(fd);
    errno = S_ISREG(now.st_mode) ? EINVAL : refusal_for(now.st_mode);
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close_keeping_errno(fd);
    return -1;
  }
  return fd;
}

// Opens the very file that `fd` refers to with `access`. Through /proc the
// name cannot be swapped for another file, and the open may wait as a plain
// open does (for a lease to be given up). Without /proc, falls back to
// `path`, checked to be the same file.
int reopen(int fd, const char* path, int access) {
  // A fixed buffer: the program uses no allocating C++ library code.
  std::array<char, 32> self{};
  std::snprintf(self.data(), self.size(), "/proc/self/fd/%d", fd);
  const int reopened = open(self.data(), access | O_CLOEXEC);
  if (reopened >= 0) {
    return off_console_descriptors(reopened);
  }
  if (errno != ENOENT) {
    return -1;
  }
  struct stat expected {};
  if (fstat(fd, &expected) != 0) {
    return -1;
  }
  return off_console_descriptors(open_same_file_by_path(path, expected, access));
}

std::FILE* stream_on(int fd, const char* mode) {
  if (fd < 0) {
    return nullptr;
  }
  std::FILE* stream = fdopen(fd, mode);
  if (stream == nullptr) {
    close_keeping_errno(fd);
  }
  return stream;
}

}  // namespace

std::FILE* open_for_check(const char* path) {
  struct stat found {};
  const int located = locate_regular_file(path, found);
  if (located < 0) {
    return nullptr;
  }
  // Checked with the ids the open for update will use, before anything is read.
  if (faccessat(AT_FDCWD, path, R_OK | W_OK, AT_EACCESS) != 0) {
    close_keeping_errno(located);
    return nullptr;
  }
  const int fd = reopen(located, path, O_RDONLY);
  close_keeping_errno(located);
  return stream_on(fd, "rb");
}

std::FILE* reopen_for_update(std::FILE* stream, const char* path) {
  const int fd = reopen(fileno(stream), path, O_RDWR);
  const int saved = errno;
  std::fclose(stream);
  errno = saved;
  return stream_on(fd, "r+b");
}
