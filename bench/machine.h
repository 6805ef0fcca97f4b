#ifndef KESTRABIN_BENCH_MACHINE_H_
#define KESTRABIN_BENCH_MACHINE_H_

#include <string>

// The 1, 5 and 15 minute load averages, as "0.33 0.62 1.12".
std::string load_average();

// The machine section: CPU, kernel, C library, load before and now, and
// whether the timings mean anything (`quick`: they do not).
void print_machine(const std::string& load_before, bool quick);

#endif  // KESTRABIN_BENCH_MACHINE_H_
