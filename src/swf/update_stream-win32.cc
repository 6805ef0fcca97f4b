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

std::FILE* open_for_update(const char* path) {
  std::FILE* stream = std::fopen(path, "r+b");
  if (stream == nullptr || is_disk_file(stream)) {
    return stream;
  }
  std::fclose(stream);
  errno = EINVAL;
  return nullptr;
}
