// Generated files against an independent model of the patch: the outcome,
// the console text and every byte afterwards. Only byte 3 may change, only
// when the file is patched, and the length never changes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "outcome.h"
#include "scratch_dir.h"
#include "swf/swf_patch.h"
#include "swf_cases.h"

namespace {

using namespace std::string_literals;

const std::string kProgram = KESTRABIN_BINARY;

struct Expected {
  Outcome outcome;
  std::string bytes;  // the file afterwards
  std::string out;
  std::string err;
};

// What the patch should do, written from the file format alone.
Expected model(const std::string& path, const std::string& before) {
  if (before.size() < 4) {
    return {Outcome::ShortRead, before, "", "fread fail\n"};
  }
  const std::string signature = before.substr(0, 3);
  if (signature != "FWS" && signature != "CWS") {
    return {Outcome::NotSwf, before, "", "not swf file\n"};
  }
  std::string after = before;
  after[3] = '\x09';
  const int old_version = static_cast<unsigned char>(before[3]);
  return {Outcome::Patched, after,
          path + " (original swf version=" + std::to_string(old_version) + ") update version 9",
          ""};
}

// Files of 0 to 64 random bytes, most starting with a signature or with one
// byte away from one, so every outcome and every version value come up.
class FileGenerator {
 public:
  explicit FileGenerator(std::uint64_t seed) : random_(seed) {}

  std::string next() {
    std::string bytes(pick(65), '\0');
    for (char& b : bytes) {
      b = static_cast<char>(pick(256));
    }
    std::string start;
    const std::size_t kind = pick(20);
    if (kind < 9) {
      start = "FWS";
    } else if (kind < 16) {
      start = "CWS";
    } else if (kind < 18) {
      start = pick(2) == 0 ? "FWS" : "CWS";
      start[pick(3)] = static_cast<char>(pick(256));  // may land back on a signature
    }
    bytes.replace(0, std::min(start.size(), bytes.size()), start.substr(0, bytes.size()));
    return bytes;
  }

 private:
  std::size_t pick(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
  }
  std::mt19937_64 random_;
};

constexpr std::uint64_t kSeed = 20110919;

// Points standard output and error at files for the life of the object, so
// the patch's console text can be read back.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(const ScratchDir& dir)
      : out_(open_log(dir / "out")), err_(open_log(dir / "err")) {
    std::fflush(stdout);
    saved_out_ = dup(1);
    saved_err_ = dup(2);
    dup2(out_, 1);
    dup2(err_, 2);
  }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;
  ~ConsoleCapture() {
    std::fflush(stdout);
    dup2(saved_out_, 1);
    dup2(saved_err_, 2);
    for (const int fd : {saved_out_, saved_err_, out_, err_}) {
      close(fd);
    }
  }

  void clear() const {
    ftruncate(out_, 0);
    ftruncate(err_, 0);
  }
  std::string out() const {
    std::fflush(stdout);
    return contents(out_);
  }
  std::string err() const { return contents(err_); }

 private:
  // Appending, so each write lands at the end however the file was cut.
  static int open_log(const std::string& path) {
    return open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
  }
  static std::string contents(int fd) {
    std::array<char, 512> buffer{};
    const ssize_t got = pread(fd, buffer.data(), buffer.size(), 0);
    return got <= 0 ? "" : std::string(buffer.data(), static_cast<std::size_t>(got));
  }

  int out_;
  int err_;
  int saved_out_ = -1;
  int saved_err_ = -1;
};

// Rewrites the file in place: truncating to zero and refilling makes some
// file systems flush on every close, which would dominate the run.
void put_file(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 || pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()) ||
      ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
    std::perror("put_file");
  }
  close(fd);
}

std::string show(const std::string& bytes) {
  std::string shown;
  std::array<char, 4> hex{};
  for (const char b : bytes) {
    std::snprintf(hex.data(), hex.size(), "%02x", static_cast<unsigned char>(b));
    shown += hex.data();
  }
  return shown;
}

TEST(PatchProperty, HundredThousandGeneratedFilesInProcess) {
  constexpr int kCases = 100000;
  ScratchDir dir;
  const std::string path = dir / "case.swf";
  FileGenerator generator(kSeed);
  std::vector<std::string> mismatches;
  std::array<int, 10> seen{};
  {
    const ConsoleCapture console(dir);
    for (int i = 0; i < kCases; ++i) {
      const std::string before = generator.next();
      put_file(path, before);
      console.clear();
      const Outcome outcome = patch_swf_version(path.c_str());
      const Expected expected = model(path, before);
      ++seen.at(static_cast<std::size_t>(outcome));
      const std::string after = read_file(path);
      const std::string out = console.out();
      const std::string err = console.err();
      if ((outcome != expected.outcome || after != expected.bytes || out != expected.out ||
           err != expected.err) &&
          mismatches.size() < 10) {
        std::ostringstream m;
        m << "case " << i << ": " << show(before) << " became " << show(after) << ", status "
          << exit_status(outcome) << " (expected " << exit_status(expected.outcome)
          << "), stdout \"" << out << "\", stderr \"" << err << "\"";
        mismatches.push_back(m.str());
      }
    }
  }
  for (const std::string& m : mismatches) {
    ADD_FAILURE() << m;
  }
  EXPECT_GT(seen[static_cast<std::size_t>(Outcome::Patched)], kCases / 2);
  EXPECT_GT(seen[static_cast<std::size_t>(Outcome::NotSwf)], kCases / 20);
  EXPECT_GT(seen[static_cast<std::size_t>(Outcome::ShortRead)], kCases / 50);
  RecordProperty("cases", kCases);
}

// The same model holds for the shipped program, exit status included.
TEST(PatchProperty, GeneratedFilesThroughTheProgram) {
  constexpr int kCases = 1000;
  ScratchDir dir;
  const std::string path = dir / "case.swf";
  FileGenerator generator(kSeed + 1);
  int failures = 0;
  for (int i = 0; i < kCases && failures < 10; ++i) {
    const std::string before = generator.next();
    put_file(path, before);
    const ChildResult run = run_child({kProgram, path});
    const Expected expected = model(path, before);
    const bool matches = run.exited && run.exit_code == (exit_status(expected.outcome) & 0xff) &&
                         read_file(path) == expected.bytes && run.out == expected.out &&
                         run.err == expected.err;
    if (!matches) {
      ++failures;
      ADD_FAILURE() << "case " << i << ": " << show(before) << " gave status " << run.exit_code
                    << ", file " << show(read_file(path)) << ", stderr " << run.err;
    }
  }
}

// Huge files that are mostly hole: patched in place at once, the far end and
// the length untouched, and nothing read or written beyond the header.
struct SparseCase : cases::Named {
  off_t size;
  std::string header;  // written at offset 0; empty leaves a hole there
  int status;
};

class SparseFile : public MovieCaseTest<SparseCase> {};

TEST_P(SparseFile, PatchedInPlace) {
  const SparseCase& c = GetParam();
  const std::string tail = "the far end";
  {
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    if (ftruncate(fd, c.size) != 0) {
      close(fd);
      GTEST_SKIP() << "the file system takes no file of " << c.size << " bytes";
    }
    ASSERT_EQ(pwrite(fd, c.header.data(), c.header.size(), 0),
              static_cast<ssize_t>(c.header.size()));
    const off_t tail_at = c.size - static_cast<off_t>(tail.size());
    ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), tail_at), static_cast<ssize_t>(tail.size()));
    close(fd);
  }
  struct stat before {};
  ASSERT_EQ(stat(path_.c_str(), &before), 0);

  const auto start = std::chrono::steady_clock::now();
  const ChildResult run = run_child({kProgram, path_});
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_LT(took, std::chrono::seconds(2)) << "the run went through the whole file";
  struct stat after {};
  ASSERT_EQ(stat(path_.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, c.size);
  EXPECT_EQ(after.st_blocks, before.st_blocks) << "holes were filled in";
  const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  std::array<char, 4> head{};
  std::string far_end(tail.size(), '\0');
  ASSERT_EQ(pread(fd, head.data(), head.size(), 0), 4);
  ASSERT_EQ(pread(fd, far_end.data(), far_end.size(), c.size - static_cast<off_t>(tail.size())),
            static_cast<ssize_t>(tail.size()));
  close(fd);
  std::string expected_head = c.header.empty() ? std::string(4, '\0') : c.header.substr(0, 4);
  if (c.status == 0) {
    expected_head[3] = '\x09';
  }
  EXPECT_EQ(std::string(head.data(), head.size()), expected_head);
  EXPECT_EQ(far_end, tail);
}

constexpr off_t kGiB = off_t{1} << 30;

INSTANTIATE_TEST_SUITE_P(
    Sizes, SparseFile,
    testing::Values(SparseCase{"PastFourGiB", 4 * kGiB + 8, "FWS\x0a\x08\x00\x00\x00"s, 0},
                    SparseCase{"OneTiB", 1024 * kGiB, "CWS\x0b"s, 0},
                    SparseCase{"HoleWhereTheHeaderIs", 8 * kGiB, "", status::kNotSwf}),
    CaseName());

}  // namespace
