#include "windows_build.h"

#include <cstdio>
#include <cstdlib>

const std::vector<WindowsBuild>& windows_builds() {
  static const std::vector<WindowsBuild> builds{
      {"win32", KESTRABIN_WIN32_EXE, KESTRABIN_WIN32_SHELL_EXECUTE, "/usr/lib/wine/wine",
       "/usr/lib/wine/wineserver32", "win32"},
      {"win64", KESTRABIN_WIN64_EXE, KESTRABIN_WIN64_SHELL_EXECUTE, "/usr/lib/wine/wine64",
       "/usr/lib/wine/wineserver64", "win64"},
  };
  return builds;
}

const WindowsBuild& windows_build_named(std::string_view name) {
  for (const WindowsBuild& build : windows_builds()) {
    if (build.name == name) {
      return build;
    }
  }
  std::fprintf(stderr, "no Windows build is called %.*s\n", static_cast<int>(name.size()),
               name.data());
  std::abort();
}

const WindowsBuild& windows_build_under_test() {
  const char* const named = std::getenv("KESTRABIN_WINDOWS_BUILD");
  return named != nullptr ? windows_build_named(named) : windows_builds().front();
}
