#ifndef KESTRABIN_TESTS_SWF_CASES_H_
#define KESTRABIN_TESTS_SWF_CASES_H_

// What the outcome suites of both programs share: the header cases' shape,
// the expected success line and file bytes, and a sample compressed movie.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "child_process.h"
#include "scratch_dir.h"

// One file, its bytes before the run, and what the run must give.
struct FileCase {
  const char* name;
  std::string before;
  int status;       // eight-bit exit status
  int old_version;  // for Patched: the number in the success line
  const char* err;  // standard error, exactly
};

// Keeps test names readable in listings.
inline void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

// Names each parameterised case after its `name` field.
struct CaseName {
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case>& param) const {
    return param.param.name;
  }
};

inline std::string success_line(const std::string& path, int old_version) {
  return path + " (original swf version=" + std::to_string(old_version) + ") update version 9";
}

// The bytes of `bytes` once patched: byte 3 is 9, nothing else differs.
inline std::string patched(std::string bytes) {
  bytes[3] = '\x09';
  return bytes;
}

// Checks a run of `c`: status, standard error, and either the success line
// naming `printed` with the file at `path` patched, or nothing on standard
// output with the file as it was.
inline void expect_file_outcome(const FileCase& c, const ChildResult& run,
                                const std::string& printed, const std::string& path) {
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(run.err, c.err);
  if (c.status == 0) {
    EXPECT_EQ(run.out, success_line(printed, c.old_version));
    EXPECT_EQ(read_file(path), patched(c.before));
  } else {
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(read_file(path), c.before);
  }
}

// A compressed movie: the length field (38) and the zlib body must survive.
inline const std::string kCompressedMovie = std::string(
    "CWS\x0a\x26\x00\x00\x00"
    "\x78\x9c\xab\x60\x60\x8d\x67\x60\xe0\x5f\xc0\xc0\x20\xc1\xc8\xe0\xcc\xf4\xff\xff\x7f\x07"
    "\x06\x06\x06\x00\x32\xab\x05\x27",
    38);

#endif  // KESTRABIN_TESTS_SWF_CASES_H_
