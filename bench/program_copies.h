#ifndef KESTRABIN_BENCH_PROGRAM_COPIES_H_
#define KESTRABIN_BENCH_PROGRAM_COPIES_H_

#include "options.h"

// Copies kestrabin and the floor into the scratch directory and points the
// options at the copies; false, said on stderr, when a copy fails.
bool install_copies(Options& options);

#endif  // KESTRABIN_BENCH_PROGRAM_COPIES_H_
