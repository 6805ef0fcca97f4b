#include <sys/stat.h>

#include "sections.h"

namespace {

long long file_size(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

}  // namespace

void sizes(const Options& o, Targets& targets) {
  print_heading("5. Sizes");
  print_table_head({"File", "bytes"});
  print_table_row(
      {"Linux `kestrabin` (static, Xlib included)", std::to_string(file_size(o.kestrabin))});
  print_table_row({"floor (static)", std::to_string(file_size(o.floor))});
  const long long exe = file_size(o.exe);
  if (exe < 0) {
    print_table_row({"`kestrabin.exe`", "not built"});
    end_table();
    targets.add("kestrabin.exe at most 64 KiB", "not built", false);
    return;
  }
  print_table_row({"`kestrabin.exe` (32-bit Windows)", std::to_string(exe)});
  end_table();
  targets.add(
      "kestrabin.exe at most 64 KiB",
      std::to_string(exe) + " bytes (" + fixed(static_cast<double>(exe) / 1024, 1) + " KiB)",
      exe <= 64LL * 1024);
}
