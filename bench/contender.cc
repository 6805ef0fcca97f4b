#include "contender.h"

#include <utility>

#include "failures.h"
#include "round_order.h"
#include "swf_file.h"

namespace {

// One timed run; the patch is checked afterwards and the version put back.
void run_patch(Contender& c) {
  const TimedRun run = run_timed(c.command);
  const FileState after = file_state(c.file);
  if (!exited_cleanly(run.status) || after.version != 9 || after.size != c.size) {
    if (c.ok) {
      record_failure(c.name + ": run failed or did not patch (wait status " +
                     std::to_string(run.status) + ", version " + std::to_string(after.version) +
                     ")");
    }
    c.ok = false;
  }
  c.us.push_back(static_cast<double>(run.elapsed_ns) / 1000.0);
  set_version(c.file, 5);
}

}  // namespace

std::vector<std::string> base_env() { return {"PATH=/usr/bin:/bin", "LC_ALL=C"}; }

Contender make_contender(const std::string& name, const std::string& file, long long size,
                         std::vector<std::string> argv) {
  create_swf(file, size);
  return Contender{name, file, size, Command{std::move(argv), base_env()}, {}, true};
}

void interleave(const std::vector<Contender*>& contenders, const std::vector<int>& every,
                int rounds) {
  for (Contender* c : contenders) {  // warm the page cache, then forget it
    run_patch(*c);
    c->us.clear();
  }
  RoundOrder order(contenders.size());
  for (int round = 0; round < rounds; ++round) {
    for (const std::size_t i : order.next()) {
      if (round % every[i] == 0) {
        run_patch(*contenders.at(i));
      }
    }
  }
}
