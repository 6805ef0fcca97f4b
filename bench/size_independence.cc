#include "contender.h"
#include "failures.h"
#include "sections.h"
#include "stats.h"
#include "swf_file.h"
#include "syscall_trace.h"

namespace {

constexpr long long kBigFileBytes = 4LL << 30;

struct TracedPatch {
  FileTraffic traffic;
  FileState before;  // blocks before and after show whether anything past
  FileState after;   // the header was written
};

// Traces one more run of `c` on its file, made sparse again first.
TracedPatch traced_patch(const Contender& c) {
  TracedPatch traced;
  make_swf(c.file, c.size);
  traced.before = file_state(c.file);
  ChildOptions options;
  options.environment = c.command.env;
  traced.traffic = trace_file_traffic(c.command.argv, c.file, options);
  traced.after = file_state(c.file);
  if (!traced.traffic.traced || traced.after.version != 9 ||
      traced.after.size != traced.before.size) {
    record_failure(c.name + ": traced run failed or did not patch");
  }
  return traced;
}

void print_traffic_row(const Contender& c, const TracedPatch& p) {
  const FileTraffic& t = p.traffic;
  print_table_row({c.name + " (" + std::to_string(c.us.size()) + " runs)", fixed(median(c.us), 1),
                   std::to_string(t.bytes_read), std::to_string(t.bytes_written),
                   std::to_string(t.read_calls) + " / " + std::to_string(t.write_calls),
                   std::to_string(t.maps),
                   std::to_string(p.before.blocks) + " -> " + std::to_string(p.after.blocks)});
}

void add_big_file_targets(Targets& targets, double ratio, const TracedPatch& p) {
  const FileTraffic& t = p.traffic;
  targets.add("4 GiB sparse at most 1.05 x the 4-byte file", fixed(ratio, 3) + " x", ratio <= 1.05);
  targets.add("at most 8 KiB read from the 4 GiB file", std::to_string(t.bytes_read) + " bytes",
              t.bytes_read <= 8192 && t.maps == 0);
  const bool blocks_kept = p.after.blocks == p.before.blocks;
  targets.add("nothing written but the one byte",
              std::to_string(t.bytes_written) +
                  " byte(s), blocks unchanged: " + (blocks_kept ? "yes" : "no"),
              t.bytes_written == 1 && blocks_kept);
}

}  // namespace

void size_independence(const Options& o, Targets& targets) {
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

  print_heading("2. Size independence");
  print_paragraph(
      "Interleaved as in 1; bytes counted from strace of one more run each, on the "
      "file's descriptor only (read, pread64, readv, preadv; write, pwrite64, writev, "
      "pwritev; mmap of it). Blocks are st_blocks (512 bytes) before -> after.");
  print_table_head(
      {"Run", "median us", "bytes read", "bytes written", "read / write calls", "mmaps", "blocks"});
  for (const Contender* c : {&small, &big, &floor_small, &floor_big, &script_small, &script_big}) {
    const TracedPatch traced = traced_patch(*c);
    print_traffic_row(*c, traced);
    if (c == &big) {
      add_big_file_targets(targets, median(big.us) / median(small.us), traced);
    }
  }
  end_table();
  print_paragraph("The script is run on " + mib +
                  " rather than 4 GiB: on 4 GiB it would hold the file twice in memory (8 GiB) "
                  "and write 4 GiB of zeros back to disk each run.");
}
