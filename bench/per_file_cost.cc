#include "contender.h"
#include "sections.h"
#include "stats.h"

namespace {

void print_time_row(const Contender& c, double floor_us, double kestrabin_us) {
  const double mid = median(c.us);
  print_table_row({c.name, std::to_string(c.us.size()), fixed(mid, 1),
                   fixed(quantile(c.us, 0.1), 1), fixed(quantile(c.us, 0.9), 1),
                   fixed(mid / floor_us, 3), fixed(mid / kestrabin_us, 2)});
}

}  // namespace

void per_file_cost(const Options& o, Targets& targets) {
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
  print_heading("1. Per-file cost, process start included");
  print_paragraph(
      "Spawn to reaped, 4-byte FWS file, page cache warm; contenders interleaved, each "
      "round in a new order. Times in microseconds.");
  print_table_head({"Contender", "patches", "median", "p10", "p90", "/ floor", "/ kestrabin"});
  for (const Contender* c : {&kestrabin, &floor, &dd, &script}) {
    print_time_row(*c, floor_us, k_us);
  }
  const std::vector<double> paired = paired_ratios(kestrabin.us, floor.us);
  end_table();
  print_paragraph("kestrabin / floor within each round: median " + fixed(median(paired), 3) +
                  ", p25 " + fixed(quantile(paired, 0.25), 3) + ", p75 " +
                  fixed(quantile(paired, 0.75), 3) +
                  ". The pipeline, run by `bash -c`: `printf '\\x09' | dd of=FILE bs=1 seek=3 "
                  "count=1 conv=notrunc`; the script: bench/whole_file.py under /usr/bin/python3.");
  targets.add("kestrabin at most 1.10 x the floor", fixed(k_us / floor_us, 3) + " x",
              k_us / floor_us <= 1.10);
  const double dd_ratio = median(dd.us) / k_us;
  targets.add("kestrabin at least 1.5 x faster than `printf \\| dd`", fixed(dd_ratio, 2) + " x",
              dd_ratio >= 1.5);
}
