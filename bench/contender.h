#ifndef KESTRABIN_BENCH_CONTENDER_H_
#define KESTRABIN_BENCH_CONTENDER_H_

#include <string>
#include <vector>

#include "timed_spawn.h"

// One way to patch one file of its own, and its times.
struct Contender {
  std::string name;
  std::string file;
  long long size = 0;
  Command command;
  std::vector<double> us;  // one sample a run, microseconds
  bool ok = true;
};

// The environment every contender gets, the same for all.
std::vector<std::string> base_env();

// Creates the contender's file: an FWS header, version 5, `size` bytes.
Contender make_contender(const std::string& name, const std::string& file, long long size,
                         std::vector<std::string> argv);

// Runs the contenders in rounds, each in a new order (see RoundOrder).
// `every[i]` > 1 runs contender i only in every so many rounds. Each run is
// checked to have patched its file, which is then put back, outside the
// timed span.
void interleave(const std::vector<Contender*>& contenders, const std::vector<int>& every,
                int rounds);

#endif  // KESTRABIN_BENCH_CONTENDER_H_
