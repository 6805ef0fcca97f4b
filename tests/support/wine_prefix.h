#ifndef KESTRABIN_TESTS_SUPPORT_WINE_PREFIX_H_
#define KESTRABIN_TESTS_SUPPORT_WINE_PREFIX_H_

#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"
#include "windows_build.h"

// A fresh Wine prefix under the build tree, of the architecture that `build`
// needs and run by that build's loader and server, for the life of the object.
// Creating one takes seconds, so a suite shares one. Its wineserver and
// Wine's own services stay up until the destructor ends them, with every
// Windows process left in the prefix: services started by a test's run would
// hold that run's output pipes open for seconds after it ended.
class WinePrefix {
 public:
  // With `display` set, every program in the prefix, Wine's own included,
  // talks to that X server; without it there is no display at all.
  explicit WinePrefix(const WindowsBuild& build, std::string display = {});
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;
  ~WinePrefix();

  // False when wineboot failed; `boot_log()` says why.
  [[nodiscard]] bool ready() const { return ready_; }
  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] const std::string& boot_log() const { return boot_log_; }
  [[nodiscard]] std::chrono::milliseconds boot_time() const { return boot_time_; }

  // The whole environment of a Windows program run in this prefix: UTF-8 on
  // the Unix side (Wine decodes file names and arguments with the locale's
  // charset), code page 1252 as the ANSI code page, no Wine debug output, the
  // build's loader and server for every program started in it, and the
  // prefix's display if it has one.
  [[nodiscard]] std::vector<std::string> environment() const;

  // `args` (a Windows program and its arguments) as run by the build's loader.
  [[nodiscard]] std::vector<std::string> command(std::vector<std::string> args) const;

  // Sets a string value in the prefix's registry (HKCU or HKLM paths).
  [[nodiscard]] bool set_registry_value(const std::string& key, const std::string& name,
                                        const std::string& value) const;

 private:
  const WindowsBuild& build_;
  std::string path_;
  std::string display_;
  bool ready_ = false;
  std::string boot_log_;
  std::chrono::milliseconds boot_time_{0};
};

// `unix_path` as Windows programs in a prefix see it: on drive Z:, with backslashes.
std::string windows_path(const std::string& unix_path);

#endif  // KESTRABIN_TESTS_SUPPORT_WINE_PREFIX_H_
