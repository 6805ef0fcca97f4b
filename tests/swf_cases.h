#ifndef KESTRABIN_TESTS_SWF_CASES_H_
#define KESTRABIN_TESTS_SWF_CASES_H_

// What the suites of both programs expect, written once: the exit statuses,
// the success line, the usage text, the header cases and the file bytes.

#include <gtest/gtest.h>

#include <concepts>
#include <ostream>
#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "version.h"

// Exit statuses as a parent reads them, on Linux and from Wine: the low eight
// bits of the program's 0 and -1 to -9.
namespace status {
inline constexpr int kPatched = 0;
inline constexpr int kUsage = 255;
inline constexpr int kOpenFailed = 254;
inline constexpr int kReadError = 253;
inline constexpr int kShortRead = 252;
inline constexpr int kNotSwf = 251;
inline constexpr int kSeekFailed = 250;
inline constexpr int kWriteError = 249;
inline constexpr int kShortWrite = 248;
inline constexpr int kCloseFailed = 247;
}  // namespace status

// The usage notice, line for line.
inline constexpr const char* kUsageText =
    "usage: Drag&Drop swf to this exe\n"
    "  version " KESTRABIN_VERSION
    "\n"
    "  Copyright (c) 2026 the Kestrabin developers, MIT licence\n"
    "  Help: man kestrabin, or README.txt beside kestrabin.exe";

namespace cases {

// Every case of the suites starts with its name: gtest prints a case by it,
// in listings and failures, and CaseName names the test after it.
struct Named {
  const char* name;
};

// Constrained, so that gtest prefers it to its own printer for any type.
template <std::derived_from<Named> Case>
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

}  // namespace cases

// A parameterised suite whose every case starts in a fresh scratch
// directory, with the path of the movie it runs on there.
template <typename Case>
class MovieCaseTest : public testing::TestWithParam<Case> {
 protected:
  ScratchDir dir_;
  const std::string path_ = dir_ / "movie.swf";
};

// One file, its bytes before the run, and what the run must give.
struct FileCase : cases::Named {
  std::string before;
  int status;       // eight-bit exit status
  int old_version;  // for Patched: the number in the success line
  std::string err;  // standard error, exactly
};

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

// The header cases both programs must answer alike. `newline` ends the fixed
// diagnostics: "\n" on Linux, "\r\n" from the Windows program's text-mode
// standard error.
inline std::vector<FileCase> header_cases(const std::string& newline) {
  using std::string_literals::operator""s;
  const std::string not_swf = "not swf file" + newline;
  const std::string short_read = "fread fail" + newline;
  return {
      FileCase{"ExactlyFourBytes", "FWS\x05", status::kPatched, 5, ""},
      FileCase{"AlreadyNine", "FWS\x09\x15\x00\x00\x00rest-of-movie"s, status::kPatched, 9, ""},
      FileCase{"HighVersionIsUnsigned", "FWS\xc8\x15\x00\x00\x00body"s, status::kPatched, 200, ""},
      FileCase{"VersionZero", "FWS\x00\x15\x00\x00\x00"s, status::kPatched, 0, ""},
      FileCase{"CompressedBodyUntouched", kCompressedMovie, status::kPatched, 10, ""},
      // A text-mode stream would stop at Ctrl-Z and fold "\r\n" into "\n".
      FileCase{"VersionIsCtrlZ", "FWS\x1a\x1a\x00\x00\x00"s, status::kPatched, 26, ""},
      FileCase{"VersionIsCarriageReturn", "FWS\r\n\x00\x00\x00\r\n"s, status::kPatched, 13, ""},
      FileCase{"Zws", "ZWS\x0d\x10\x00\x00\x00lzma"s, status::kNotSwf, 0, not_swf},
      FileCase{"LowerCase", "fws\x05\x10\x00\x00\x00"s, status::kNotSwf, 0, not_swf},
      FileCase{"LowerCaseCompressed", "cWS\x05", status::kNotSwf, 0, not_swf},
      FileCase{"WrongThirdByte", "FWX\x05", status::kNotSwf, 0, not_swf},
      FileCase{"PngFile", "\x89PNG\r\n\x1a\n", status::kNotSwf, 0, not_swf},
      FileCase{"Empty", "", status::kShortRead, 0, short_read},
      FileCase{"OneByte", "F", status::kShortRead, 0, short_read},
      FileCase{"TwoBytes", "FW", status::kShortRead, 0, short_read},
      FileCase{"SignatureOnly", "FWS", status::kShortRead, 0, short_read},
  };
}

// Invocations that name no single file, given in a directory that holds
// a.swf (version 5) and b.swf (version 6): the usage notice and no file opened.
struct InvocationCase : cases::Named {
  std::vector<std::string> args;  // after the program's own path
};

inline void write_invocation_files(const ScratchDir& dir) {
  write_file(dir / "a.swf", "FWS\x05");
  write_file(dir / "b.swf", "FWS\x06");
}

// The usage outcome: its status, no console text, both files as written.
inline void expect_usage_outcome(const ChildResult& run, const ScratchDir& dir) {
  EXPECT_EQ(run.exit_code, status::kUsage);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_file(dir / "a.swf"), "FWS\x05");
  EXPECT_EQ(read_file(dir / "b.swf"), "FWS\x06");
}

inline std::vector<InvocationCase> invocation_cases() {
  return {
      InvocationCase{"NoArgument", {}},
      // As when two files are dropped onto the program at once.
      InvocationCase{"TwoFiles", {"a.swf", "b.swf"}},
      InvocationCase{"TwoFilesSameName", {"a.swf", "a.swf"}},
      InvocationCase{"EmptyArgument", {""}},
      InvocationCase{"EmptyThenFile", {"", "a.swf"}},
  };
}

#endif  // KESTRABIN_TESTS_SWF_CASES_H_
