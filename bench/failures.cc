#include "failures.h"

#include <cstdio>

namespace {

std::size_t g_failures = 0;

}  // namespace

void record_failure(const std::string& what) {
  ++g_failures;
  std::fprintf(stderr, "bench: %s\n", what.c_str());
}

std::size_t failure_count() { return g_failures; }
