#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "swf/update_stream.h"

namespace {

// Console, NUL, COM ports and pipes open like files but are not disk files:
// reading CON would wait for the keyboard and a port would be written to.
bool is_disk_file(std::FILE* stream) {
  // _get_osfhandle hands the HANDLE back as an integer.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  auto* const handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}

}  // namespace

// Windows has no file system that copies a file up when it is opened for
// writing, so the file is opened for update at once and checked as it is.
std::FILE* open_for_check(const char* path) {
  std::FILE* stream = std::fopen(path, "r+b");
  if (stream == nullptr || is_disk_file(stream)) {
    return stream;
  }
  std::fclose(stream);
  errno = EINVAL;
  return nullptr;
}

// The stream can already write; a fresh stream on a copy of its descriptor
// gives the caller a stream with no I/O behind it, as on other systems. The
// copy shares the file position the first stream's reading moved, so it is
// put back at the start.
std::FILE* reopen_for_update(std::FILE* stream, const char* /*path*/) {
  const int copy = _dup(_fileno(stream));
  const int dup_error = errno;
  std::fclose(stream);
  if (copy < 0) {
    errno = dup_error;
    return nullptr;
  }
  if (_lseek(copy, 0, SEEK_SET) != 0) {
    const int saved = errno;
    _close(copy);
    errno = saved;
    return nullptr;
  }
  std::FILE* updated = _fdopen(copy, "r+b");
  if (updated == nullptr) {
    const int saved = errno;
    _close(copy);
    errno = saved;
  }
  return updated;
}
