#include "stats.h"

#include <algorithm>
#include <cmath>

double quantile(std::vector<double> samples, double q) {
  if (samples.empty()) {
    return 0;
  }
  std::sort(samples.begin(), samples.end());
  const double position = q * static_cast<double>(samples.size() - 1);
  const auto below = static_cast<std::size_t>(std::floor(position));
  const std::size_t above = std::min(below + 1, samples.size() - 1);
  const double fraction = position - static_cast<double>(below);
  return samples[below] + (samples[above] - samples[below]) * fraction;
}

std::vector<double> paired_ratios(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> out;
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(a[i] / b[i]);
  }
  return out;
}
