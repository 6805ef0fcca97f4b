// Paths that point somewhere unexpected or cannot be opened: symbolic links,
// names past the system's limits, files the user may not write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "syscall_trace.h"

namespace {

using namespace std::string_literals;

const std::string kProgram = KESTRABIN_BINARY;
using status::kOpenFailed;
using status::kPatched;
const std::string kMovie = "CWS\x07\x20\x00\x00\x00"s + "compressed body";
const std::string kPatchedMovie = "CWS\x09\x20\x00\x00\x00"s + "compressed body";

std::string link_target(const std::string& path) {
  std::array<char, 256> target{};
  const ssize_t length = readlink(path.c_str(), target.data(), target.size());
  return length < 0 ? "" : std::string(target.data(), static_cast<std::size_t>(length));
}

struct MadeLink {
  const char* name;
  const char* target;
};

struct LinkCase : cases::Named {
  // Made in order in a directory where "movie.swf" holds kMovie; the run is
  // given "link.swf". Each must point where it did afterwards.
  std::vector<MadeLink> links;
  int status;
  const char* err;
};

class SymbolicLink : public testing::TestWithParam<LinkCase> {};

TEST_P(SymbolicLink, FollowedButNeverReplaced) {
  const LinkCase& c = GetParam();
  ScratchDir dir;
  write_file(dir / "movie.swf", kMovie);
  for (const MadeLink& link : c.links) {
    ASSERT_EQ(symlink(link.target, (dir / link.name).c_str()), 0) << link.name;
  }
  const std::string path = dir / "link.swf";

  const ChildResult run = run_child({kProgram, path});

  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(run.out, c.status == kPatched ? success_line(path, 7) : "");
  EXPECT_EQ(read_file(dir / "movie.swf"), c.status == kPatched ? kPatchedMovie : kMovie);
  for (const MadeLink& link : c.links) {
    EXPECT_EQ(link_target(dir / link.name), link.target) << link.name << " itself was changed";
  }
  EXPECT_FALSE(file_exists(dir / "missing.swf")) << "the run created the link's target";
}

INSTANTIATE_TEST_SUITE_P(
    Links, SymbolicLink,
    testing::Values(
        LinkCase{"ToMovie", {{"link.swf", "movie.swf"}}, kPatched, ""},
        LinkCase{
            "ThroughAChain", {{"link.swf", "hop.swf"}, {"hop.swf", "movie.swf"}}, kPatched, ""},
        LinkCase{
            "Dangling", {{"link.swf", "missing.swf"}}, kOpenFailed, "No such file or directory\n"},
        LinkCase{"Loop",
                 {{"link.swf", "other.swf"}, {"other.swf", "link.swf"}},
                 kOpenFailed,
                 "Too many levels of symbolic links\n"},
        LinkCase{"ToDirectory", {{"link.swf", "."}}, kOpenFailed, "Is a directory\n"}),
    CaseName());

// "./" repeated: a long path to a file that exists.
std::string padded_path(const ScratchDir& dir, std::size_t hops) {
  std::string path = dir.path() + "/";
  for (std::size_t i = 0; i < hops; ++i) {
    path += "./";
  }
  return path + "movie.swf";
}

TEST(LongPath, PastTheSystemLimitIsNotOpened) {
  ScratchDir dir;
  write_file(dir / "movie.swf", kMovie);
  const std::string path = padded_path(dir, 2100);  // over 4096 bytes
  ASSERT_GT(path.size(), 4096U);

  const ChildResult run = run_child({kProgram, path});

  EXPECT_EQ(run.exit_code, kOpenFailed);
  EXPECT_EQ(run.err, "File name too long\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(read_file(dir / "movie.swf"), kMovie);
}

TEST(LongPath, NameLongerThanAnyDirectoryEntry) {
  ScratchDir dir;
  const ChildResult run = run_child({kProgram, dir / (std::string(256, 'n') + ".swf")});
  EXPECT_EQ(run.exit_code, kOpenFailed);
  EXPECT_EQ(run.err, "File name too long\n");
  EXPECT_EQ(run.out, "");
}

// Just inside the limit, the whole path reaches the success line unchanged.
TEST(LongPath, JustInsideTheLimitIsPatchedAndPrinted) {
  ScratchDir dir;
  write_file(dir / "movie.swf", kMovie);
  const std::string path = padded_path(dir, (4000 - dir.path().size()) / 2);
  ASSERT_GT(path.size(), 3990U);
  ASSERT_LT(path.size(), 4096U);

  const ChildResult run = run_child({kProgram, path});

  EXPECT_EQ(run.exit_code, kPatched);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, success_line(path, 7));
  EXPECT_EQ(read_file(dir / "movie.swf"), kPatchedMovie);
}

// Root may write anything, so the run drops to an unprivileged user the way
// an ordinary user would start it.
constexpr int kNobody = 65534;

struct PermissionCase : cases::Named {
  mode_t mode;
  int status;
  const char* err;
  std::string before = kMovie;  // the file's bytes
};

class Permission : public MovieCaseTest<PermissionCase> {};

TEST_P(Permission, OnlyAWritableFileIsOpened) {
  const PermissionCase& c = GetParam();
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  write_file(path_, c.before);
  ASSERT_EQ(chmod(path_.c_str(), c.mode), 0);
  ChildOptions options;
  options.run_as = geteuid() == 0 ? kNobody : -1;

  const ChildResult run = run_child({kProgram, path_}, options);

  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(run.out, c.status == kPatched ? success_line(path_, 7) : "");
  EXPECT_EQ(read_file(path_), c.status == kPatched ? kPatchedMovie : c.before);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Permission,
    testing::Values(
        // Shows the user can reach the directory, so the refusals are the file's.
        PermissionCase{"WritableByAll", 0666, kPatched, ""},
        PermissionCase{"ReadOnly", 0444, kOpenFailed, "Permission denied\n"},
        PermissionCase{"WriteOnly", 0222, kOpenFailed, "Permission denied\n"},
        PermissionCase{"NoAccess", 0000, kOpenFailed, "Permission denied\n"},
        // The right to write is checked before the content is looked at: a
        // file that is no movie, but may not be written, is a failed open.
        PermissionCase{"ReadOnlyNotMovie", 0444, kOpenFailed, "Permission denied\n", "plain text"}),
    CaseName());

// Sets the file's attribute flags; false where its file system has none, or
// we may not set them (append-only and immutable need root).
bool set_attributes(const std::string& path, int flags) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool set = fd >= 0 && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) {
    close(fd);
  }
  return set;
}

struct AttributeCase : cases::Named {
  int attribute;
  std::string before;
};

// A file with an attribute that forbids opening it for writing, whatever its
// mode says, is refused before a byte of it is read. The build tree's file
// system may lack the attributes; tmpfs has them.
class FileAttribute : public testing::TestWithParam<AttributeCase> {
 protected:
  void SetUp() override {
    for (const std::string& dir : {dir_.path(), shm_dir_.path()}) {
      path_ = dir + "/movie.swf";
      write_file(path_, GetParam().before);
      if (set_attributes(path_, GetParam().attribute)) {
        return;
      }
    }
    GTEST_SKIP() << "neither the build tree's file system nor /dev/shm takes the attribute "
                    "here (setting it needs root)";
  }
  void TearDown() override { set_attributes(path_, 0); }

  ScratchDir dir_;
  ScratchDir shm_dir_{"/dev/shm"};
  std::string path_;
};

TEST_P(FileAttribute, RefusedBeforeAnyRead) {
  const TracedRun traced = run_traced({kProgram, path_});

  ASSERT_TRUE(traced.run.exited);
  EXPECT_EQ(traced.run.exit_code, kOpenFailed);
  EXPECT_EQ(traced.run.err, "Operation not permitted\n");
  EXPECT_EQ(traced.run.out, "");
  EXPECT_EQ(nth_call_on(traced, path_, "read", 1), std::string::npos) << "the file was read";
  EXPECT_EQ(nth_open_of(traced, path_, 2), std::string::npos) << "opened a second time";
  set_attributes(path_, 0);
  EXPECT_EQ(read_file(path_), GetParam().before);
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, FileAttribute,
    testing::Values(AttributeCase{"AppendOnlyMovie", FS_APPEND_FL, kMovie},
                    AttributeCase{"AppendOnlyNotMovie", FS_APPEND_FL, "plain text"},
                    AttributeCase{"ImmutableMovie", FS_IMMUTABLE_FL, kMovie},
                    AttributeCase{"ImmutableNotMovie", FS_IMMUTABLE_FL, "plain text"}),
    CaseName());

}  // namespace
