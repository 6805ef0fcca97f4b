#ifndef KESTRABIN_BENCH_ROUND_ORDER_H_
#define KESTRABIN_BENCH_ROUND_ORDER_H_

#include <cstddef>
#include <random>
#include <vector>

// The order to run contenders in, round after round. A run is slower right
// after a heavy one, and rotating one order keeps every contender behind the
// same neighbour; each round is shuffled afresh instead, so that each follows
// every other about equally often. The seed is fixed so that runs compare.
class RoundOrder {
 public:
  explicit RoundOrder(std::size_t count);

  // Indices 0 to count - 1 in the next round's order.
  const std::vector<std::size_t>& next();

 private:
  std::vector<std::size_t> order_;
  // A predictable sequence is the point: the same orders in every run.
  // NOLINTNEXTLINE(cert-msc32-c,cert-msc51-cpp)
  std::mt19937 shuffler_{20261210};
};

#endif  // KESTRABIN_BENCH_ROUND_ORDER_H_
