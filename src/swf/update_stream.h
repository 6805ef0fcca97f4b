#ifndef KESTRABIN_SWF_UPDATE_STREAM_H_
#define KESTRABIN_SWF_UPDATE_STREAM_H_

#include <cstdio>

// The file is opened in two steps. On Linux a file the run will not patch is
// never opened for writing: on some file systems (an overlay mount) that alone
// copies the whole file, and it breaks other processes' read leases. Windows
// has neither, and opens the file for update at once.

// Opens an existing regular file in binary mode for its header to be read
// (read-only on Linux), once it is known that the caller may also write it,
// so a file that may not be written is refused before its content is looked
// at. Anything that is not a disk file (a FIFO, a socket, a device) is
// refused; on Linux without being opened, so no peer of it notices the run,
// and the file is never given descriptor 0, 1 or 2, even when those are
// closed. Returns nullptr with errno set on failure.
std::FILE* open_for_check(const char* path);

// Returns a stream on the same file as `stream`, which was opened from
// `path`, now for reading and writing ("r+b"), at the start of the file and
// with no I/O done on it yet; `stream` is closed in every case. The caller
// positions the new stream before writing. Returns nullptr with errno set on
// failure.
std::FILE* reopen_for_update(std::FILE* stream, const char* path);

#endif  // KESTRABIN_SWF_UPDATE_STREAM_H_
