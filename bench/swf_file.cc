#include "swf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "failures.h"

bool make_swf(const std::string& path, long long size) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    return false;
  }
  const bool made = pwrite(fd, "FWS\x05", 4, 0) == 4 && ftruncate(fd, size) == 0;
  close(fd);
  return made;
}

void create_swf(const std::string& path, long long size) {
  if (!make_swf(path, size)) {
    record_failure("cannot create " + path);
  }
}

void set_version(const std::string& path, unsigned char version) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd >= 0) {
    (void)pwrite(fd, &version, 1, 3);
    close(fd);
  }
}

FileState file_state(const std::string& path) {
  FileState state;
  struct stat st {};
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return state;
  }
  unsigned char version = 0;
  if (fstat(fd, &st) == 0 && pread(fd, &version, 1, 3) == 1) {
    state.version = version;
    state.size = st.st_size;
    state.blocks = st.st_blocks;
  }
  close(fd);
  return state;
}
