#ifndef KESTRABIN_BENCH_FAILURES_H_
#define KESTRABIN_BENCH_FAILURES_H_

#include <cstddef>
#include <string>

// A contender that failed to run or to patch: said on stderr at once, and
// the benchmark's exit status becomes 1. Missed timing targets are not failures.
void record_failure(const std::string& what);

std::size_t failure_count();

#endif  // KESTRABIN_BENCH_FAILURES_H_
