#ifndef KESTRABIN_BENCH_STATS_H_
#define KESTRABIN_BENCH_STATS_H_

#include <vector>

// Quantile q (0 to 1) of the samples, linearly interpolated; 0 when empty.
double quantile(std::vector<double> samples, double q);

inline double median(const std::vector<double>& samples) { return quantile(samples, 0.5); }

// Element-wise a[i] / b[i]: the ratio within each round of an interleaved run.
std::vector<double> paired_ratios(const std::vector<double>& a, const std::vector<double>& b);

#endif  // KESTRABIN_BENCH_STATS_H_
