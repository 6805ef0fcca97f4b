// Measures what one patch costs with kestrabin beside the floor and beside
// what users would otherwise run, side by side in one run, and prints the
// results as Markdown. Exits non-zero only when a contender fails to run or
// to patch; missed timing targets are reported, never fatal.
#include <fcntl.h>
#include <gnu/libc-version.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "launch.h"
#include "notice_latency.h"
#include "stats.h"
#include "syscall_trace.h"

namespace {

constexpr const char* kNoticeText = "swf file version updated to 9";
constexpr const char* kCaption = "Kestrabin";
constexpr long long kBigFileBytes = 4LL << 30;

struct Options {
  bool quick = false;
  std::string kestrabin, floor, script, exe, scratch;
  std::string python = "/usr/bin/python3";
  std::string bash = "/bin/bash";
  std::string strace = "/usr/bin/strace";
  std::string xvfb = "/usr/bin/Xvfb";
  std::string zenity = "/usr/bin/zenity";
  std::string xmessage = "/usr/bin/xmessage";
  int rounds = 2000;       // kestrabin, floor and dd each patch once a round
  int script_every = 4;    // the Python script is slower: every 4th round
  int size_rounds = 1000;  // 4 GiB against 4 bytes
  int notice_rounds = 40;  // each notice contender
  long long script_big_bytes = 256LL << 20;
  int part = 0;  // 0 for all, else only that section (1 to 5)
};

// Failures of a contender to run or to patch; any makes the exit status 1.
std::vector<std::string> g_failures;

void fail(const std::string& what) {
  g_failures.push_back(what);
  std::fprintf(stderr, "bench: %s\n", what.c_str());
}

// A positive count, or 0 when `text` is not one.
int parse_count(const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value > 0 && value < 1000000 ? static_cast<int>(value) : 0;
}

bool parse_options(int argc, char** argv, Options& options) {
  std::map<std::string, std::string*> paths{
      {"--kestrabin", &options.kestrabin}, {"--floor", &options.floor},
      {"--script", &options.script},       {"--exe", &options.exe},
      {"--scratch", &options.scratch},     {"--python", &options.python},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") {
      options.quick = true;
    } else if (paths.contains(arg) && i + 1 < argc) {
      *paths[arg] = argv[++i];
    } else if (arg == "--part" && i + 1 < argc) {
      options.part = parse_count(argv[++i]);
    } else if (arg == "--rounds" && i + 1 < argc) {
      options.rounds = parse_count(argv[++i]);
    } else {
      std::fprintf(stderr, "bench: unknown argument %s\n", arg.c_str());
      return false;
    }
  }
  if (options.quick) {
    options.rounds = 8;
    options.script_every = 2;
    options.size_rounds = 4;
    options.notice_rounds = 2;
    options.script_big_bytes = 1LL << 20;
  }
  return options.rounds > 0 && !options.kestrabin.empty() && !options.floor.empty() &&
         !options.script.empty() && !options.scratch.empty();
}

// --- files -----------------------------------------------------------------

// An FWS header with version 5, then zeros (as a hole) up to `size` bytes.
bool make_swf(const std::string& path, long long size) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    return false;
  }
  const bool made = pwrite(fd, "FWS\x05", 4, 0) == 4 && ftruncate(fd, size) == 0;
  close(fd);
  return made;
}

void set_version(const std::string& path, unsigned char version) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd >= 0) {
    (void)pwrite(fd, &version, 1, 3);
    close(fd);
  }
}

struct FileState {
  long long size = -1;
  long long blocks = -1;
  int version = -1;
};

FileState file_state(const std::string& path) {
  FileState state;
  struct stat st {};
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fstat(fd, &st) != 0) {
    return state;
  }
  unsigned char version = 0;
  if (pread(fd, &version, 1, 3) == 1) {
    state.version = version;
  }
  close(fd);
  state.size = st.st_size;
  state.blocks = st.st_blocks;
  return state;
}

// --- contenders --------------------------------------------------------------

struct Contender {
  std::string name;
  std::string file;
  long long size;
  Command command;
  std::vector<double> us;  // one sample a run, microseconds
  bool ok = true;
};

std::vector<std::string> base_env() { return {"PATH=/usr/bin:/bin", "LC_ALL=C"}; }

// One timed run; the patch is checked afterwards and the version put back.
void run_patch(Contender& c) {
  const TimedRun run = run_timed(c.command);
  const FileState after = file_state(c.file);
  if (!exited_cleanly(run.status) || after.version != 9 || after.size != c.size) {
    if (c.ok) {
      fail(c.name + ": run failed or did not patch (wait status " + std::to_string(run.status) +
           ", version " + std::to_string(after.version) + ")");
    }
    c.ok = false;
  }
  c.us.push_back(static_cast<double>(run.elapsed_ns) / 1000.0);
  set_version(c.file, 5);
}

// Runs the contenders in rounds, rotating the order each round so that no
// one always follows the slowest. `every[i]` > 1 runs contender i only in
// every so many rounds.
void interleave(std::vector<Contender*> contenders, const std::vector<int>& every, int rounds) {
  for (Contender* c : contenders) {  // warm the page cache, then forget it
    run_patch(*c);
    c->us.clear();
  }
  const std::size_t n = contenders.size();
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t i = (k + static_cast<std::size_t>(round)) % n;
      if (round % every[i] == 0) {
        run_patch(*contenders[i]);
      }
    }
  }
}

Contender make_contender(const std::string& name, const std::string& file, long long size,
                         std::vector<std::string> argv) {
  if (!make_swf(file, size)) {
    fail("cannot create " + file);
  }
  return Contender{name, file, size, Command{std::move(argv), base_env()}, {}, true};
}

// --- output ------------------------------------------------------------------

std::string fixed(double value, int decimals) {
  std::vector<char> text(64);
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

std::string verdict(bool met) { return met ? "met" : "**missed**"; }

std::string first_line_of(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) {
      const std::size_t colon = line.find(':');
      return colon == std::string::npos ? line : line.substr(colon + 2);
    }
  }
  return "?";
}

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  std::string five;
  std::string fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

void print_machine(const Options& options, const std::string& load_before) {
  utsname host{};
  uname(&host);
  std::printf("## Machine\n\n");
  std::printf("- CPU: %s, %ld online cores (shared with other work while this ran)\n",
              first_line_of("/proc/cpuinfo", "model name").c_str(), sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("- Kernel: %s %s %s; Debian %s; glibc %s\n", host.sysname, host.release, host.machine,
              first_line_of("/etc/debian_version", "").c_str(), gnu_get_libc_version());
  std::printf("- Load average (1, 5, 15 min) before: %s; after: %s\n", load_before.c_str(),
              load_average().c_str());
  std::printf("- Mode: %s\n\n", options.quick ? "quick smoke pass (timings meaningless)" : "full");
}

void print_time_row(const Contender& c, double reference_us, double kestrabin_us) {
  const double mid = median(c.us);
  std::printf("| %s | %zu | %s | %s | %s | %s | %s |\n", c.name.c_str(), c.us.size(),
              fixed(mid, 1).c_str(), fixed(quantile(c.us, 0.1), 1).c_str(),
              fixed(quantile(c.us, 0.9), 1).c_str(), fixed(mid / reference_us, 3).c_str(),
              fixed(mid / kestrabin_us, 2).c_str());
}

// --- 1. per-file cost ------------------------------------------------------------

// Markdown rows of the targets table.
using Summary = std::vector<std::string>;

void add_target(Summary& summary, const std::string& target, const std::string& measured,
                bool met) {
  summary.push_back("| " + target + " | " + measured + " | " + verdict(met) + " |");
}

void per_file_cost(const Options& o, Summary& summary) {
  const std::string dir = o.scratch + "/";
  Contender kestrabin = make_contender("kestrabin", dir + "k.swf", 4, {o.kestrabin, dir + "k.swf"});
  Contender floor =
      make_contender("floor (bench/floor.c)", dir + "f.swf", 4, {o.floor, dir + "f.swf"});
  const std::string dd_line =
      "printf '\\x09' | dd of='" + dir + "d.swf' bs=1 seek=3 count=1 conv=notrunc";
  Contender dd =
      make_contender("`printf \\| dd` (bash -c)", dir + "d.swf", 4, {o.bash, "-c", dd_line});
  Contender script = make_contender("Python whole-file script", dir + "p.swf", 4,
                                    {o.python, o.script, dir + "p.swf"});

  interleave({&kestrabin, &floor, &dd, &script}, {1, 1, 1, o.script_every}, o.rounds);

  const double floor_us = median(floor.us);
  const double k_us = median(kestrabin.us);
  std::printf("## 1. Per-file cost, process start included\n\n");
  std::printf(
      "Spawn to reaped, 4-byte FWS file, page cache warm; contenders interleaved in "
      "rotating order. Times in microseconds.\n\n");
  std::printf("| Contender | patches | median | p10 | p90 | / floor | / kestrabin |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
  for (const Contender* c : {&kestrabin, &floor, &dd, &script}) {
    print_time_row(*c, floor_us, k_us);
  }
  const std::vector<double> paired = paired_ratios(kestrabin.us, floor.us);
  std::printf(
      "\nkestrabin / floor within each round: median %s, p25 %s, p75 %s. The pipeline, run "
      "by `bash -c`: `printf '\\x09' | dd of=FILE bs=1 seek=3 count=1 conv=notrunc`; the "
      "script: bench/whole_file.py under /usr/bin/python3.\n\n",
      fixed(median(paired), 3).c_str(), fixed(quantile(paired, 0.25), 3).c_str(),
      fixed(quantile(paired, 0.75), 3).c_str());
  add_target(summary, "kestrabin at most 1.10 x the floor", fixed(k_us / floor_us, 3) + " x",
             k_us / floor_us <= 1.10);
  add_target(summary, "kestrabin at least 1.5 x faster than `printf \\| dd`",
             fixed(median(dd.us) / k_us, 2) + " x", median(dd.us) / k_us >= 1.5);
}

// --- 2. size independence --------------------------------------------------------

void print_traffic_row(const std::string& name, const std::string& time, const FileTraffic& t,
                       const FileState& before, const FileState& after) {
  std::printf("| %s | %s | %lld | %lld | %d / %d | %d | %lld -> %lld |\n", name.c_str(),
              time.c_str(), t.bytes_read, t.bytes_written, t.read_calls, t.write_calls, t.maps,
              before.blocks, after.blocks);
}

// Traces one run on `file`; the file's blocks before and after show whether
// anything past the header was written.
FileTraffic traced_patch(const Options& o, const std::string& name, const Command& command,
                         const std::string& file, FileState& before, FileState& after) {
  const FileState was = file_state(file);
  make_swf(file, was.size);  // sparse again, as before the timed runs
  before = file_state(file);
  const FileTraffic traffic =
      trace_file_traffic(o.strace, command, file, o.scratch + "/strace.log");
  after = file_state(file);
  if (!traffic.traced || after.version != 9 || after.size != before.size) {
    fail(name + ": traced run failed or did not patch");
  }
  return traffic;
}

void size_independence(const Options& o, Summary& summary) {
  const std::string dir = o.scratch + "/";
  Contender small =
      make_contender("kestrabin, 4 bytes", dir + "s4.swf", 4, {o.kestrabin, dir + "s4.swf"});
  Contender big = make_contender("kestrabin, 4 GiB sparse", dir + "big.swf", kBigFileBytes,
                                 {o.kestrabin, dir + "big.swf"});
  Contender floor_small =
      make_contender("floor, 4 bytes", dir + "fs4.swf", 4, {o.floor, dir + "fs4.swf"});
  Contender floor_big = make_contender("floor, 4 GiB sparse", dir + "fbig.swf", kBigFileBytes,
                                       {o.floor, dir + "fbig.swf"});
  interleave({&small, &big, &floor_small, &floor_big}, {1, 1, 1, 1}, o.size_rounds);

  const std::string mib = std::to_string(o.script_big_bytes >> 20) + " MiB sparse";
  Contender script_small = make_contender("Python script, 4 bytes", dir + "ps4.swf", 4,
                                          {o.python, o.script, dir + "ps4.swf"});
  Contender script_big = make_contender("Python script, " + mib, dir + "pbig.swf",
                                        o.script_big_bytes, {o.python, o.script, dir + "pbig.swf"});
  interleave({&script_small, &script_big}, {1, 1}, o.quick ? 1 : 5);

  const double ratio = median(big.us) / median(small.us);
  std::printf("## 2. Size independence\n\n");
  std::printf(
      "Interleaved as in 1; bytes counted from strace of one more run each, on the "
      "file's descriptor only (read, pread64, readv, preadv; write, pwrite64, writev, "
      "pwritev; mmap of it). Blocks are st_blocks (512 bytes) before -> after.\n\n");
  std::printf(
      "| Run | median us | bytes read | bytes written | read / write calls | mmaps | blocks |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
  for (Contender* c : {&small, &big, &floor_small, &floor_big, &script_small, &script_big}) {
    FileState before;
    FileState after;
    const FileTraffic t = traced_patch(o, c->name, c->command, c->file, before, after);
    print_traffic_row(c->name + " (" + std::to_string(c->us.size()) + " runs)",
                      fixed(median(c->us), 1), t, before, after);
    if (c == &big) {
      add_target(summary, "4 GiB sparse at most 1.05 x the 4-byte file", fixed(ratio, 3) + " x",
                 ratio <= 1.05);
      const bool within = t.bytes_read <= 8192 && t.maps == 0;
      add_target(summary, "at most 8 KiB read from the 4 GiB file",
                 std::to_string(t.bytes_read) + " bytes", within);
      const bool one_byte = t.bytes_written == 1 && after.blocks == before.blocks;
      add_target(summary, "nothing written but the one byte",
                 std::to_string(t.bytes_written) + " byte(s), blocks unchanged: " +
                     (after.blocks == before.blocks ? "yes" : "no"),
                 one_byte);
    }
  }
  std::printf(
      "\nThe script is run on %s rather than 4 GiB: on 4 GiB it would hold the file "
      "twice in memory (8 GiB) and write 4 GiB of zeros back to disk each run.\n\n",
      mib.c_str());
}

// --- 3 and 4. notice and memory ----------------------------------------------------

struct NoticeContender {
  std::string name;
  Command command;
  Dismissal dismissal;
  std::string file;  // the patched file, or empty
  std::vector<double> ms;
  long peak_rss_kib = -1;
  bool ok = true;
};

void run_notice_once(MapWatch& watch, NoticeContender& c, bool traced) {
  if (!c.file.empty()) {
    set_version(c.file, 5);
  }
  const NoticeRun run = run_notice(watch, c.command, c.dismissal, traced);
  bool good = run.mapped && run.title == kCaption;
  if (c.dismissal == Dismissal::CloseRequest) {
    good = good && exited_cleanly(run.status) && file_state(c.file).version == 9;
  }
  if (!good && c.ok) {
    fail(c.name + ": no notice titled " + kCaption + " mapped, or the run failed (title '" +
         run.title + "', wait status " + std::to_string(run.status) + ")");
  }
  c.ok = c.ok && good;
  if (traced) {
    c.peak_rss_kib = std::max(c.peak_rss_kib, run.peak_rss_kib);
  } else {
    c.ms.push_back(static_cast<double>(run.latency_ns) / 1e6);
  }
}

// Peak resident set of patch runs with no display, where the notice fails at once.
long peak_rss_without_display(const Command& command, const std::string& file) {
  long peak = -1;
  for (int i = 0; i < 3; ++i) {
    set_version(file, 5);
    const pid_t pid = start_traced(command);
    const TracedExit exit = pid < 0 ? TracedExit{} : wait_traced(pid);
    if (!exited_cleanly(exit.status)) {
      fail(command.argv[0] + ": traced run failed");
    }
    peak = std::max(peak, exit.peak_rss_kib);
  }
  return peak;
}

std::string kib(long value) { return value < 0 ? "?" : std::to_string(value) + " KiB"; }

void notice_and_memory(const Options& o, Summary& summary) {
  const std::string dir = o.scratch + "/";
  Xvfb server = start_xvfb(o.xvfb);
  MapWatch watch;
  if (server.display.empty() || !open_map_watch(watch, server.display)) {
    fail("cannot start Xvfb or connect to it");
    stop_xvfb(server);
    return;
  }
  std::vector<std::string> env = base_env();
  env.push_back("DISPLAY=" + server.display);
  // GTK without a session: no accessibility bus, no D-Bus autolaunch, no dconf.
  std::vector<std::string> gtk_env = env;
  mkdir((dir + "home").c_str(), 0700);
  mkdir((dir + "run").c_str(), 0700);
  for (const std::string& e :
       {"HOME=" + dir + "home", "XDG_RUNTIME_DIR=" + dir + "run", std::string("NO_AT_BRIDGE=1"),
        std::string("GDK_BACKEND=x11"), std::string("DBUS_SESSION_BUS_ADDRESS=disabled:"),
        std::string("GSETTINGS_BACKEND=memory")}) {
    gtk_env.push_back(e);
  }
  make_swf(dir + "n.swf", 4);
  // The program's PATH is an empty directory: it finds no desktop dialog tool
  // (zenity is a contender here), so what is timed is its own X dialog.
  std::vector<std::string> kestrabin_env = env;
  mkdir((dir + "no-tools").c_str(), 0700);
  kestrabin_env[0] = "PATH=" + dir + "no-tools";
  NoticeContender kestrabin{"kestrabin",
                            {{o.kestrabin, dir + "n.swf"}, kestrabin_env},
                            Dismissal::CloseRequest,
                            dir + "n.swf",
                            {},
                            -1,
                            true};
  NoticeContender zenity{
      "zenity --info",
      {{o.zenity, "--info", "--title", kCaption, "--text", kNoticeText}, gtk_env},
      Dismissal::Terminate,
      "",
      {},
      -1,
      true};
  NoticeContender xmessage{"xmessage",
                           {{o.xmessage, "-title", kCaption, kNoticeText}, env},
                           Dismissal::Terminate,
                           "",
                           {},
                           -1,
                           true};
  std::vector<NoticeContender*> all{&kestrabin, &zenity, &xmessage};

  for (NoticeContender* c : all) {  // warm-up, also the memory probe
    run_notice_once(watch, *c, true);
  }
  for (int round = 0; round < o.notice_rounds; ++round) {
    for (std::size_t k = 0; k < all.size(); ++k) {
      run_notice_once(watch, *all[(k + static_cast<std::size_t>(round)) % all.size()], false);
    }
  }
  close_map_watch(watch);
  stop_xvfb(server);

  // Memory of patch runs with no display, for all the per-file contenders.
  make_swf(dir + "m.swf", 4);
  const long k_rss =
      peak_rss_without_display({{o.kestrabin, dir + "m.swf"}, base_env()}, dir + "m.swf");
  const long floor_rss =
      peak_rss_without_display({{o.floor, dir + "m.swf"}, base_env()}, dir + "m.swf");
  const long script_rss =
      peak_rss_without_display({{o.python, o.script, dir + "m.swf"}, base_env()}, dir + "m.swf");

  std::printf("## 3. Peak resident memory of one run\n\n");
  std::printf(
      "VmHWM of the program's own image, read at its exit through ptrace (wait4's "
      "ru_maxrss would also count the spawning process's memory).\n\n");
  std::printf("| Run | peak RSS |\n|---|---:|\n");
  std::printf("| kestrabin, patch, no display | %s |\n", kib(k_rss).c_str());
  std::printf("| kestrabin, patch and dialog under Xvfb | %s |\n",
              kib(kestrabin.peak_rss_kib).c_str());
  std::printf("| floor | %s |\n", kib(floor_rss).c_str());
  std::printf("| Python whole-file script, 4 bytes | %s |\n", kib(script_rss).c_str());
  std::printf("| xmessage | %s |\n", kib(xmessage.peak_rss_kib).c_str());
  std::printf("| zenity --info | %s |\n\n", kib(zenity.peak_rss_kib).c_str());
  const long k_peak = std::max(k_rss, kestrabin.peak_rss_kib);
  add_target(summary, "peak RSS at most 2 MiB (either kestrabin run)", kib(k_peak),
             k_peak >= 0 && k_peak <= 2048);

  std::printf("## 4. Notice latency under Xvfb\n\n");
  std::printf(
      "Spawn to the MapNotify of the program's top-level window, seen by our own client "
      "selecting SubstructureNotify on the root; no window manager. kestrabin patches "
      "a file and is dismissed with WM_DELETE_WINDOW; the others show the same text "
      "and caption and are ended with SIGTERM. Milliseconds.\n\n");
  std::printf(
      "| Contender | runs | median | p10 | p90 | x kestrabin |\n|---|---:|---:|---:|---:|---:|\n");
  const double k_ms = median(kestrabin.ms);
  for (const NoticeContender* c : all) {
    std::printf("| %s | %zu | %s | %s | %s | %s |\n", c->name.c_str(), c->ms.size(),
                fixed(median(c->ms), 2).c_str(), fixed(quantile(c->ms, 0.1), 2).c_str(),
                fixed(quantile(c->ms, 0.9), 2).c_str(), fixed(median(c->ms) / k_ms, 1).c_str());
  }
  std::printf(
      "\nzenity ran with NO_AT_BRIDGE=1, GDK_BACKEND=x11, "
      "DBUS_SESSION_BUS_ADDRESS=disabled:, GSETTINGS_BACKEND=memory and a scratch HOME "
      "and XDG_RUNTIME_DIR (no session bus, no accessibility bus, no dconf).\n\n");
  add_target(summary, "notice mapped within 30 ms (median)", fixed(k_ms, 2) + " ms", k_ms <= 30.0);
}

// --- 5. sizes ------------------------------------------------------------------------

long long file_size(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

void sizes(const Options& o, Summary& summary) {
  std::printf("## 5. Sizes\n\n| File | bytes |\n|---|---:|\n");
  std::printf("| Linux `kestrabin` (static, Xlib included) | %lld |\n", file_size(o.kestrabin));
  std::printf("| floor (static) | %lld |\n", file_size(o.floor));
  const long long exe = file_size(o.exe);
  if (exe < 0) {
    std::printf("| `kestrabin.exe` | not built |\n\n");
    add_target(summary, "kestrabin.exe at most 64 KiB", "not built", false);
    return;
  }
  std::printf("| `kestrabin.exe` (32-bit Windows) | %lld |\n\n", exe);
  add_target(summary, "kestrabin.exe at most 64 KiB",
             std::to_string(exe) + " bytes (" + fixed(static_cast<double>(exe) / 1024, 1) + " KiB)",
             exe <= 64LL * 1024);
}

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

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_options(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: kbench --kestrabin PATH --floor PATH --script PATH --scratch DIR "
                 "[--exe PATH] [--python PATH] [--rounds N] [--part 1-5] [--quick]\n");
    return 2;
  }
  if (!install_copies(options)) {
    return 1;
  }
  const std::string load_before = load_average();
  Summary summary;
  const auto wanted = [&options](int part) { return options.part == 0 || options.part == part; };
  if (wanted(1)) {
    per_file_cost(options, summary);
  }
  if (wanted(2)) {
    size_independence(options, summary);
  }
  if (wanted(3) || wanted(4)) {
    notice_and_memory(options, summary);
  }
  if (wanted(5)) {
    sizes(options, summary);
  }
  print_machine(options, load_before);

  std::printf("## Targets\n\n| Target | measured | |\n|---|---|---|\n");
  for (const std::string& row : summary) {
    std::printf("%s\n", row.c_str());
  }
  std::printf("\n");
  if (!g_failures.empty()) {
    std::fprintf(stderr, "bench: %zu contender failure(s)\n", g_failures.size());
    return 1;
  }
  return 0;
}
