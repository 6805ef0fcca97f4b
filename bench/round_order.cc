#include "round_order.h"

#include <algorithm>
#include <numeric>

RoundOrder::RoundOrder(std::size_t count) : order_(count) {
  std::iota(order_.begin(), order_.end(), 0);
}

const std::vector<std::size_t>& RoundOrder::next() {
  std::shuffle(order_.begin(), order_.end(), shuffler_);
  return order_;
}
