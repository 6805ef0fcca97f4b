#include <cstdio>

#include "notice.h"
#include "outcome.h"
#include "swf/swf_patch.h"
#include "write_signals.h"

namespace {

// Exactly one argument, present and non-empty; anything of that form is a path.
bool names_one_file(int argc, const char* const* argv) {
  return argc == 2 && argv != nullptr && argv[1] != nullptr && argv[1][0] != '\0';
}

Outcome run(int argc, const char* const* argv) {
  if (!names_one_file(argc, argv)) {
    return Outcome::Usage;
  }
  return patch_swf_version(argv[1]);
}

}  // namespace

int main(int argc, char** argv) {
  ignore_write_signals();
  const Outcome outcome = run(argc, argv);
  // The success line has no newline, so push it out before the notice appears.
  std::fflush(stdout);
  show_notice(notice_text(outcome), kNoticeCaption);
  return exit_status(outcome);
}
