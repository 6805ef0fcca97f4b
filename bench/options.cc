#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

// A count from 1 to `most`, or 0 when `text` is not one.
int parse_count(const char* text, long most) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value > 0 && value <= most ? static_cast<int>(value) : 0;
}

// Few runs of each contender: enough to see each one run and patch.
void make_quick(Options& options) {
  options.rounds = 8;
  options.script_every = 2;
  options.size_rounds = 4;
  options.notice_rounds = 2;
  options.script_big_bytes = 1LL << 20;
}

bool read_argument(const std::string& arg, const char* value, Options& options) {
  const std::map<std::string, std::string*> paths{
      {"--kestrabin", &options.kestrabin}, {"--floor", &options.floor},
      {"--script", &options.script},       {"--exe", &options.exe},
      {"--scratch", &options.scratch},     {"--python", &options.python},
  };
  if (const auto path = paths.find(arg); path != paths.end()) {
    *path->second = value;
    return true;
  }
  if (arg == "--section") {
    options.section = parse_count(value, kSections);
    return options.section > 0;
  }
  if (arg == "--rounds") {
    options.rounds = parse_count(value, 999999);
    return options.rounds > 0;
  }
  return false;
}

}  // namespace

bool parse_options(int argc, char** argv, Options& options) {
  bool quick = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") {
      quick = true;
    } else if (i + 1 >= argc || !read_argument(arg, argv[i + 1], options)) {
      std::fprintf(stderr, "bench: cannot use argument %s\n", arg.c_str());
      return false;
    } else {
      ++i;
    }
  }
  if (quick) {
    options.quick = true;
    make_quick(options);
  }
  return !options.kestrabin.empty() && !options.floor.empty() && !options.script.empty() &&
         !options.scratch.empty();
}

void print_usage() {
  std::fprintf(stderr,
               "usage: kbench --kestrabin PATH --floor PATH --script PATH --scratch DIR "
               "[--exe PATH] [--python PATH] [--rounds N] [--section 1-5] [--quick]\n");
}
