#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "standard_descriptors.h"
#include "swf/update_stream.h"

namespace {

// Closes `fd` without letting close() overwrite the errno being reported.
void close_keeping_errno(int fd) {
  const int saved = errno;
  close(fd);
  errno = saved;
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

// Looks the name up without opening it, so that no peer of a FIFO, socket or
// device notices the run, and refuses anything but a regular file.
bool find_regular_file(const char* path, struct stat& found) {
  if (stat(path, &found) != 0) {
    return false;
  }
  const int refusal = refusal_for(found.st_mode);
  errno = refusal;
  return refusal == 0;
}

// Opens `path` with `access` and keeps the descriptor only if it is the file
// `expected` describes: whatever took the name's place since it was looked
// up is never read or written. The open does not wait on a FIFO or a device;
// a lease another process holds on the file (the one reason a regular file
// answers EWOULDBLOCK) is waited for, as a plain open waits.
int open_same_file(const char* path, int access, const struct stat& expected) {
  const int flags = access | O_NOCTTY | O_CLOEXEC;
  int fd = open(path, flags | O_NONBLOCK);
  if (fd < 0 && errno == EWOULDBLOCK) {
    fd = open(path, flags);
  }
  fd = above_standard_descriptors(fd);
  if (fd < 0) {
    return -1;
  }
  struct stat opened {};
  if (fstat(fd, &opened) != 0) {
    close_keeping_errno(fd);
    return -1;
  }
  if (!same_file(opened, expected)) {
    close(fd);
    errno = S_ISREG(opened.st_mode) ? EINVAL : refusal_for(opened.st_mode);
    return -1;
  }
  // Back to plain blocking I/O (F_SETFL changes only the status flags).
  if (fcntl(fd, F_SETFL, 0) != 0) {
    close_keeping_errno(fd);
    return -1;
  }
  return fd;
}

// An append-only or immutable file may not be opened for writing, whatever
// its permissions say (faccessat sees only the immutable one). Its attributes
// are read through the read-only descriptor, before any of its content; a file
// system without them answers ENOTTY and is no reason to refuse.
int refuse_unwritable_attributes(int fd) {
  int attributes = 0;
  if (fd < 0 || ioctl(fd, FS_IOC_GETFLAGS, &attributes) != 0) {
    return fd;
  }
  if ((static_cast<unsigned>(attributes) & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0) {
    close(fd);
    errno = EPERM;
    return -1;
  }
  return fd;
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
  if (!find_regular_file(path, found)) {
    return nullptr;
  }
  // Checked with the ids the open for update will use, before anything is read.
  if (faccessat(AT_FDCWD, path, R_OK | W_OK, AT_EACCESS) != 0) {
    return nullptr;
  }
  return stream_on(refuse_unwritable_attributes(open_same_file(path, O_RDONLY, found)), "rb");
}

std::FILE* reopen_for_update(std::FILE* stream, const char* path) {
  struct stat checked {};
  const int fd = fstat(fileno(stream), &checked) == 0 ? open_same_file(path, O_RDWR, checked) : -1;
  const int saved = errno;
  std::fclose(stream);
  errno = saved;
  return stream_on(fd, "r+b");
}
