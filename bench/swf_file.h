#ifndef KESTRABIN_BENCH_SWF_FILE_H_
#define KESTRABIN_BENCH_SWF_FILE_H_

#include <string>

// An FWS header with version 5, then zeros (as a hole) up to `size` bytes.
bool make_swf(const std::string& path, long long size);

// make_swf, with a failure recorded when the file cannot be made.
void create_swf(const std::string& path, long long size);

// Puts the version byte back, so that the next run has something to patch.
void set_version(const std::string& path, unsigned char version);

struct FileState {
  long long size = -1;
  long long blocks = -1;  // st_blocks, 512 bytes each
  int version = -1;
};

FileState file_state(const std::string& path);

#endif  // KESTRABIN_BENCH_SWF_FILE_H_
