#ifndef KESTRABIN_SWF_UPDATE_STREAM_H_
#define KESTRABIN_SWF_UPDATE_STREAM_H_

#include <cstdio>

// The file is opened in two steps, so that a file the run will not patch is
// never opened for writing: on some file systems (an overlay mount) that alone
// copies the whole file, and it breaks other processes' read leases.

// Opens an existing regular file for reading in binary mode, once it is known
// that the caller may also write it, so a file that may not be written is
// refused before its content is looked at. Anything that is not a regular
// file (a FIFO, a socket, a device) is refused without being opened, so no
// peer of it notices the run. The file is never given descriptor 0, 1 or 2,
// even when those are closed. Returns nullptr with errno set on failure.
std::FILE* open_for_check(const char* path);

// Returns a stream on the same file as `stream`, which was opened from
// `path`, now for reading and writing ("r+b"), on which no I/O has been done
// yet; `stream` is closed in every case. The caller positions the new stream
// before writing. Returns nullptr with errno set on failure.
std::FILE* reopen_for_update(std::FILE* stream, const char* path);

#endif  // KESTRABIN_SWF_UPDATE_STREAM_H_
