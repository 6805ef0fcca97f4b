// The shipped Linux program as a file: it must start where no X library is
// installed, so it may ask the dynamic loader for nothing at all.
#include <gtest/gtest.h>

#include <string>

#include "child_process.h"

namespace {

TEST(LinuxImage, NeedsNoSharedLibrary) {
  const ChildResult elf =
      run_child({"/usr/bin/readelf", "--dynamic", "--program-headers", KESTRABIN_BINARY});
  ASSERT_EQ(elf.exit_code, 0) << elf.err;
  EXPECT_EQ(elf.out.find("(NEEDED)"), std::string::npos) << elf.out;
  EXPECT_EQ(elf.out.find("INTERP"), std::string::npos) << "asks for a dynamic loader";
}

}  // namespace
