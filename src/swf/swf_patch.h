#ifndef KESTRABIN_SWF_SWF_PATCH_H_
#define KESTRABIN_SWF_SWF_PATCH_H_

#include "outcome.h"

// The version value written into byte 3 of every file that is patched.
inline constexpr unsigned char kTargetVersion = 9;

// Opens the file at `path` for update, checks that it starts with "FWS" or
// "CWS" and overwrites its version byte with kTargetVersion, leaving every
// other byte and the length as they were. Writes the run's console text and
// has closed the file before it returns. Never returns Outcome::Usage.
Outcome patch_swf_version(const char* path);

#endif  // KESTRABIN_SWF_SWF_PATCH_H_
