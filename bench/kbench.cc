// Measures what one patch costs with kestrabin beside the floor and beside
// what users would otherwise run, side by side in one run, and prints the
// results as Markdown. Exits non-zero only when a contender fails to run or
// to patch; missed timing targets are reported, never fatal.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "failures.h"
#include "machine.h"
#include "options.h"
#include "program_copies.h"
#include "report.h"
#include "sections.h"

namespace {

using Section = void (*)(const Options&, Targets&);

constexpr std::array<Section, kSections> kSectionsInOrder{per_file_cost, size_independence,
                                                          peak_memory, notice_latency, sizes};

// The runs work in the scratch directory (the shared support makes its own
// scratch directories in the current one), so every path is made absolute first.
bool enter_scratch(Options& options) {
  for (std::string* path : {&options.kestrabin, &options.floor, &options.script, &options.exe,
                            &options.scratch, &options.python}) {
    if (!path->empty()) {
      *path = std::filesystem::absolute(*path).string();
    }
  }
  if (chdir(options.scratch.c_str()) != 0) {
    std::perror(options.scratch.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_options(argc, argv, options)) {
    print_usage();
    return 2;
  }
  if (!enter_scratch(options) || !install_copies(options)) {
    return 1;
  }
  const std::string load_before = load_average();
  Targets targets;
  for (int section = 1; section <= kSections; ++section) {
    if (options.section == 0 || options.section == section) {
      kSectionsInOrder.at(static_cast<std::size_t>(section - 1))(options, targets);
    }
  }
  print_machine(load_before, options.quick);
  targets.print();
  if (failure_count() > 0) {
    std::fprintf(stderr, "bench: %zu contender failure(s)\n", failure_count());
    return 1;
  }
  return 0;
}
