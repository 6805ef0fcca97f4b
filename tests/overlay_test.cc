// A movie on an overlay mount, whose lower layer is read-only: opening a file
// there for writing copies all of it into the upper layer. A run that changes
// nothing must leave the upper layer as it was.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"

namespace {

using namespace std::string_literals;

const std::string kProgram = KESTRABIN_BINARY;

// Bigger than any buffer, so a copy-up could not go unnoticed.
constexpr std::size_t kLarge = 8U << 20U;

class OverlayMount {
 public:
  explicit OverlayMount(const ScratchDir& dir) : dir_(dir) {
    for (const char* layer : {"lower", "upper", "work", "merged"}) {
      mkdir((dir / layer).c_str(), 0755);
    }
  }
  OverlayMount(const OverlayMount&) = delete;
  OverlayMount& operator=(const OverlayMount&) = delete;
  ~OverlayMount() {
    if (mounted_) {
      umount2(merged().c_str(), MNT_DETACH);
    }
  }

  // Mounts the layers; returns the reason when the kernel refuses.
  std::string mount_layers() {
    const std::string options =
        "lowerdir=" + dir_ / "lower" + ",upperdir=" + dir_ / "upper" + ",workdir=" + dir_ / "work";
    if (mount("overlay", merged().c_str(), "overlay", 0, options.c_str()) != 0) {
      return std::strerror(errno);
    }
    mounted_ = true;
    return "";
  }

  std::string lower() const { return dir_ / "lower"; }
  std::string upper() const { return dir_ / "upper"; }
  std::string merged() const { return dir_ / "merged"; }

 private:
  const ScratchDir& dir_;
  bool mounted_ = false;
};

struct OverlayCase : cases::Named {
  std::string before;
  int status;
  const char* err;
};

class Overlay : public MovieCaseTest<OverlayCase> {};

TEST_P(Overlay, OnlyAPatchedFileReachesTheUpperLayer) {
  const OverlayCase& c = GetParam();
  OverlayMount overlay(dir_);
  write_file(overlay.lower() + "/movie.swf", c.before);
  const std::string refused = overlay.mount_layers();
  if (!refused.empty()) {
    GTEST_SKIP() << "the kernel refuses an overlay mount here: " << refused;
  }
  const std::string path = overlay.merged() + "/movie.swf";

  const ChildResult run = run_child({kProgram, path});

  ASSERT_TRUE(run.exited) << "signal " << run.signal;
  EXPECT_EQ(run.exit_code, c.status);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(read_file(overlay.lower() + "/movie.swf"), c.before) << "the lower layer changed";
  if (c.status == 0) {
    EXPECT_EQ(read_file(path), patched(c.before));
    EXPECT_EQ(read_file(overlay.upper() + "/movie.swf"), patched(c.before));
  } else {
    EXPECT_EQ(read_file(path), c.before);
    EXPECT_FALSE(file_exists(overlay.upper() + "/movie.swf"))
        << "a file the run refused was copied into the upper layer";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Overlay,
    testing::Values(OverlayCase{"LargeNotSwf", "PK\x03\x04"s + std::string(kLarge, 'z'),
                                status::kNotSwf, "not swf file\n"},
                    OverlayCase{"ShortRead", "FW", status::kShortRead, "fread fail\n"},
                    OverlayCase{"Patched", "FWS\x06\x20\x00\x00\x00"s + std::string(1000, 'b'), 0,
                                ""}),
    CaseName());

}  // namespace
