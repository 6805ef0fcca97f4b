#ifndef KESTRABIN_BENCH_SECTIONS_H_
#define KESTRABIN_BENCH_SECTIONS_H_

#include "options.h"
#include "report.h"

// The report's sections, each measured and printed on its own (one file
// each); the targets each one checks go to `targets`.
void per_file_cost(const Options& o, Targets& targets);      // 1
void size_independence(const Options& o, Targets& targets);  // 2
void peak_memory(const Options& o, Targets& targets);        // 3
void notice_latency(const Options& o, Targets& targets);     // 4
void sizes(const Options& o, Targets& targets);              // 5

#endif  // KESTRABIN_BENCH_SECTIONS_H_
