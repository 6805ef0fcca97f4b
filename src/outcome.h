#ifndef KESTRABIN_OUTCOME_H_
#define KESTRABIN_OUTCOME_H_

// How one run ends. The order is the order in which the checks run, and each
// value has a fixed exit status and notice text.
enum class Outcome {
  Patched,
  Usage,
  OpenFailed,
  ReadError,
  ShortRead,
  NotSwf,
  SeekFailed,
  WriteError,
  ShortWrite,
  CloseFailed,
};

// The caption of every notice the program shows.
inline constexpr const char* kNoticeCaption = "Kestrabin";

// The process exit status for `outcome`: 0 for Patched, -1 to -9 otherwise.
int exit_status(Outcome outcome);

// The notice text for `outcome`, without a trailing newline.
const char* notice_text(Outcome outcome);

#endif  // KESTRABIN_OUTCOME_H_
