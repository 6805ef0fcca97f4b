#ifndef KESTRABIN_BENCH_OPTIONS_H_
#define KESTRABIN_BENCH_OPTIONS_H_

#include <string>

struct Options {
  bool quick = false;  // CI's smoke pass: a few runs of each, timings meaningless
  std::string kestrabin, floor, script, exe, scratch;
  std::string python = "/usr/bin/python3";
  std::string bash = "/bin/bash";
  std::string zenity = "/usr/bin/zenity";
  std::string xmessage = "/usr/bin/xmessage";
  int rounds = 2000;       // kestrabin, floor and dd each patch once a round
  int script_every = 4;    // the Python script is slower: every 4th round
  int size_rounds = 1000;  // 4 GiB against 4 bytes
  int notice_rounds = 40;  // each notice contender
  long long script_big_bytes = 256LL << 20;
  int section = 0;  // 0 for all, else only that section (1 to 5)
};

constexpr int kSections = 5;

// False, after saying why on stderr, when the arguments are not understood
// or a required path is missing.
bool parse_options(int argc, char** argv, Options& options);

void print_usage();

#endif  // KESTRABIN_BENCH_OPTIONS_H_
