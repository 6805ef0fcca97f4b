#include "program_copies.h"

#include <cstdio>
#include <filesystem>

// The freshly linked files sit in the page cache as the linker wrote them,
// which makes every start of them slower; timing copies, as an install
// makes, measures what users run. Both programs are treated alike.
bool install_copies(Options& options) {
  const std::filesystem::path bin = std::filesystem::path(options.scratch) / "bin";
  std::error_code error;
  std::filesystem::create_directories(bin, error);
  for (std::string* program : {&options.kestrabin, &options.floor}) {
    const std::filesystem::path copy = bin / std::filesystem::path(*program).filename();
    std::filesystem::copy_file(*program, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) {
      std::fprintf(stderr, "bench: cannot copy %s: %s\n", program->c_str(),
                   error.message().c_str());
      return false;
    }
    *program = copy.string();
  }
  return true;
}
