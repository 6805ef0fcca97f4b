#ifndef KESTRABIN_SWF_UPDATE_STREAM_H_
#define KESTRABIN_SWF_UPDATE_STREAM_H_

#include <cstdio>

// Opens an existing regular file for reading and writing in binary mode,
// without creating or truncating it ("r+b"). Anything that is not a regular
// file once opened (a FIFO, a socket, a device) is refused before a byte is
// read or written, so the run can neither hang on it nor write to a device.
// Returns nullptr with errno set on failure.
std::FILE* open_for_update(const char* path);

#endif  // KESTRABIN_SWF_UPDATE_STREAM_H_
