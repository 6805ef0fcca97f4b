#include <algorithm>

#include "contender.h"
#include "failures.h"
#include "notice_contenders.h"
#include "peak_rss.h"
#include "sections.h"
#include "swf_file.h"

namespace {

// Peak resident set of patch runs with no display, where the notice fails at once.
long peak_rss_without_display(const Command& command, const std::string& file) {
  long peak = -1;
  for (int i = 0; i < 3; ++i) {
    set_version(file, 5);
    const pid_t pid = start_traced(command);
    const TracedExit exit = pid < 0 ? TracedExit{} : wait_traced(pid);
    if (!exited_cleanly(exit.status)) {
      record_failure(command.argv[0] + ": traced run failed");
    }
    peak = std::max(peak, exit.peak_rss_kib);
  }
  return peak;
}

// The notice contenders' own peaks, each from one traced run under Xvfb.
void trace_notices(const Options& o, NoticeContenders& notices) {
  const XServer server;
  MapWatch watch(server.display());
  if (!can_watch(server, watch)) {
    return;
  }
  notices = notice_contenders(o, server);
  for (NoticeContender* c : {&notices.own_dialog, &notices.zenity, &notices.xmessage}) {
    run_notice(watch, *c, true);
  }
}

std::string kib(long value) { return value < 0 ? "?" : std::to_string(value) + " KiB"; }

}  // namespace

void peak_memory(const Options& o, Targets& targets) {
  NoticeContenders notices;
  trace_notices(o, notices);
  const std::string file = o.scratch + "/m.swf";
  create_swf(file, 4);
  const long k_rss = peak_rss_without_display({{o.kestrabin, file}, base_env()}, file);
  const long floor_rss = peak_rss_without_display({{o.floor, file}, base_env()}, file);
  const long script_rss = peak_rss_without_display({{o.python, o.script, file}, base_env()}, file);

  print_heading("3. Peak resident memory of one run");
  print_paragraph(
      "VmHWM of the program's own image, read at its exit through ptrace (wait4's "
      "ru_maxrss would also count the spawning process's memory).");
  print_table_head({"Run", "peak RSS"});
  print_table_row({"kestrabin, patch, no display", kib(k_rss)});
  print_table_row({"kestrabin, patch and dialog under Xvfb", kib(notices.own_dialog.peak_rss_kib)});
  print_table_row({"floor", kib(floor_rss)});
  print_table_row({"Python whole-file script, 4 bytes", kib(script_rss)});
  print_table_row({"xmessage", kib(notices.xmessage.peak_rss_kib)});
  print_table_row({"zenity --info", kib(notices.zenity.peak_rss_kib)});
  end_table();
  const long k_peak = std::max(k_rss, notices.own_dialog.peak_rss_kib);
  targets.add("peak RSS at most 2 MiB (either kestrabin run)", kib(k_peak),
              k_peak >= 0 && k_peak <= 2048);
}
