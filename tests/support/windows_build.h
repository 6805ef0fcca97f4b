#ifndef KESTRABIN_TESTS_SUPPORT_WINDOWS_BUILD_H_
#define KESTRABIN_TESTS_SUPPORT_WINDOWS_BUILD_H_

#include <string>
#include <string_view>
#include <vector>

// A Windows build of the program and what Wine needs to run it: the loader
// and server for its architecture, and the architecture of a prefix for it.
struct WindowsBuild {
  std::string name;  // the preset that makes it, and its Wine runs' CTest label
  std::string exe;
  // A test-only program of the same build that opens a file through the
  // Windows shell, as Explorer does (tests/shell_execute-win32.cc).
  std::string shell_execute;
  std::string loader;
  std::string server;
  std::string prefix_arch;  // WINEARCH
};

// Every Windows build, the 32-bit one (the one users get) first.
const std::vector<WindowsBuild>& windows_builds();

// The build of that name; aborts for a name no build has.
const WindowsBuild& windows_build_named(std::string_view name);

// The build a Wine suite runs: the one CTest names in KESTRABIN_WINDOWS_BUILD,
// the 32-bit one when it names none.
const WindowsBuild& windows_build_under_test();

#endif  // KESTRABIN_TESTS_SUPPORT_WINDOWS_BUILD_H_
