// The tree a plain `cmake --install` lays out: the program, its desktop entry,
// its icons and its manual, each where a desktop and man(1) look for them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "outcome.h"
#include "scratch_dir.h"
#include "swf_cases.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kRoot = KESTRABIN_INSTALL_ROOT;
constexpr std::array kIconSizes{16, 24, 32, 48, 64, 128, 256};

std::string installed(const std::string& path) { return std::string(kRoot) + "/" + path; }
std::string manual() { return installed("share/man/man1/kestrabin.1.gz"); }
std::string desktop_entry() { return installed("share/applications/kestrabin.desktop"); }

std::map<std::string, unsigned> expected_tree() {
  std::map<std::string, unsigned> tree{
      {"bin/kestrabin", 0755},
      {"share/applications/kestrabin.desktop", 0644},
      {"share/applications/mimeinfo.cache", 0644},
      {"share/doc/kestrabin/changelog.gz", 0644},
      {"share/doc/kestrabin/copyright", 0644},
      {"share/icons/hicolor/scalable/apps/kestrabin.svg", 0644},
      {"share/kio/servicemenus/kestrabin.desktop", 0644},
      {"share/man/man1/kestrabin.1.gz", 0644},
      {"share/nemo/actions/kestrabin.nemo_action", 0644},
  };
  for (const int size : kIconSizes) {
    const std::string dir = std::to_string(size) + "x" + std::to_string(size);
    tree["share/icons/hicolor/" + dir + "/apps/kestrabin.png"] = 0644;
  }
  return tree;
}

std::map<std::string, unsigned> installed_tree() {
  std::map<std::string, unsigned> tree;
  for (const auto& entry : fs::recursive_directory_iterator(kRoot)) {
    if (!entry.is_directory()) {
      struct stat st {};
      lstat(entry.path().c_str(), &st);
      tree[fs::relative(entry.path(), kRoot).string()] = st.st_mode & 07777U;
    }
  }
  return tree;
}

TEST(InstallTree, HoldsExactlyTheProgramEntryActionsIconsAndManual) {
  ASSERT_TRUE(fs::is_directory(kRoot)) << "no install tree at " << kRoot;
  EXPECT_EQ(installed_tree(), expected_tree());
}

std::string icon_path(const std::string& dir, const std::string& name) {
  return installed("share/icons/hicolor/" + dir + "/apps/" + name);
}

unsigned big_endian32(const std::string& bytes, std::size_t at) {
  unsigned value = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    value = (value << 8U) | static_cast<unsigned char>(bytes.at(i));
  }
  return value;
}

// A desktop picks the file by its directory, so each must be drawn at that size.
TEST(InstallTree, EachIconIsDrawnAtTheSizeOfItsDirectory) {
  for (const int size : kIconSizes) {
    const std::string dir = std::to_string(size) + "x" + std::to_string(size);
    const std::string png = read_file(icon_path(dir, "kestrabin.png"));
    ASSERT_GE(png.size(), 24U) << dir;
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n") << dir;
    EXPECT_EQ(png.substr(12, 4), "IHDR") << dir;
    EXPECT_EQ(big_endian32(png, 16), static_cast<unsigned>(size)) << dir << " width";
    EXPECT_EQ(big_endian32(png, 20), static_cast<unsigned>(size)) << dir << " height";
  }
  const std::string svg = read_file(icon_path("scalable", "kestrabin.svg"));
  EXPECT_NE(svg.find("<svg"), std::string::npos);
}

TEST(InstallTree, InstalledProgramPatchesAFile) {
  ScratchDir dir;
  write_file(dir / "movie.swf", "FWS\x07rest");
  const ChildResult run = run_child({installed("bin/kestrabin"), dir / "movie.swf"});
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(read_file(dir / "movie.swf"), "FWS\x09rest");
}

// The value of `key` in `group` of a key file (a desktop entry, a service
// menu, a Nemo action); empty when absent.
std::string key_file_value(const std::string& path, const std::string& group,
                           const std::string& key) {
  std::istringstream lines(read_file(path));
  bool in_group = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with('[')) {
      in_group = line == "[" + group + "]";
    } else if (in_group && line.starts_with(key + "=")) {
      return line.substr(key.size() + 1);
    }
  }
  return {};
}

std::string desktop_key(const std::string& key) {
  return key_file_value(desktop_entry(), "Desktop Entry", key);
}

// The program named at the start of an Exec line.
std::string exec_program(const std::string& exec) { return exec.substr(0, exec.find(' ')); }

TEST(DesktopEntry, PassesDesktopFileValidate) {
  const ChildResult run = run_child({"/usr/bin/desktop-file-validate", desktop_entry()});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out + run.err, "");
}

// A renamed program or icon would leave the entry pointing at nothing.
TEST(DesktopEntry, NamesTheInstalledProgramAndIcon) {
  const std::string exec = desktop_key("Exec");
  const std::string program = exec_program(exec);
  EXPECT_EQ(desktop_key("TryExec"), program);
  EXPECT_TRUE(file_exists(installed("bin/" + program))) << "Exec=" << exec;
  const std::string icon = desktop_key("Icon");
  EXPECT_TRUE(file_exists(icon_path("scalable", icon + ".svg"))) << "Icon=" << icon;
  EXPECT_TRUE(file_exists(icon_path("48x48", icon + ".png"))) << "Icon=" << icon;
}

struct ContextMenu : cases::Named {
  const char* file;   // under share/
  const char* group;  // holds the types and the selection limit
  const char* types_key;
  const char* action_group;  // holds the Exec line
  const char* limit_key;     // limits the action to one selected file
  const char* limit_value;
};

// Each file manager's action must name the installed program, show on both
// names of the SWF type, and only for one file: several at once would reach a
// single run, which patches none of them.
TEST(ContextMenu, OffersTheInstalledProgramForOneSwfMovie) {
  for (const ContextMenu& menu : {
           ContextMenu{"KDE service menu", "kio/servicemenus/kestrabin.desktop", "Desktop Entry",
                       "MimeType", "Desktop Action setSwfVersion9", "X-KDE-MaxNumberOfUrls", "1"},
           ContextMenu{"Nemo action", "nemo/actions/kestrabin.nemo_action", "Nemo Action",
                       "Mimetypes", "Nemo Action", "Selection", "s"},
       }) {
    const std::string path = installed(std::string("share/") + menu.file);
    const std::string types = key_file_value(path, menu.group, menu.types_key);
    for (const char* type :
         {"application/x-shockwave-flash", "application/vnd.adobe.flash.movie"}) {
      EXPECT_NE((";" + types).find(std::string(";") + type + ";"), std::string::npos)
          << menu.name << ": " << menu.types_key << "=" << types;
    }
    const std::string exec = key_file_value(path, menu.action_group, "Exec");
    EXPECT_TRUE(file_exists(installed("bin/" + exec_program(exec))))
        << menu.name << ": Exec=" << exec;
    EXPECT_EQ(key_file_value(path, menu.group, menu.limit_key), menu.limit_value) << menu.name;
  }
}

ChildResult shell(const std::string& script, const std::vector<std::string>& args) {
  std::vector<std::string> argv{"/bin/sh", "-c", script, "sh"};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildOptions options;
  options.environment.emplace_back("MANWIDTH=80");
  return run_child(argv, options);
}

struct Renderer : cases::Named {
  const char* script;  // $1 is the installed, compressed page
};

// Both of man-db's reader and groff's strictest warnings see the page as
// clean; groff reports nothing but the warnings with -z.
TEST(Manual, RendersWithoutWarnings) {
  for (const Renderer& r : {
           Renderer{"man", "man --warnings -E UTF-8 -l \"$1\" >/dev/null"},
           Renderer{"groff", "gzip -dc \"$1\" | groff -ww -man -z"},
       }) {
    const ChildResult run = shell(r.script, {manual()});
    EXPECT_EQ(run.exit_code, 0) << r.name;
    EXPECT_EQ(run.out + run.err, "") << r.name;
  }
}

std::string trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(' ');
  const auto last = line.find_last_not_of(' ');
  return first == std::string::npos ? "" : line.substr(first, last - first + 1);
}

// The manual as plain text on long lines, so no entry is broken in two.
std::vector<std::string> manual_lines() {
  const ChildResult run =
      shell("gzip -dc \"$1\" | groff -man -Tascii -P-cbou -rLL=200n", {manual()});
  std::istringstream text(run.out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) {
    lines.push_back(trimmed(line));
  }
  return lines;
}

std::vector<std::string> values_after(const std::vector<std::string>& lines,
                                      const std::string& label) {
  std::vector<std::string> values;
  for (const std::string& line : lines) {
    if (line.rfind(label, 0) == 0) {
      values.push_back(line.substr(label.size()));
    }
  }
  return values;
}

// The manual's list of outcomes follows the program's own table, in its order.
TEST(Manual, ListsEveryOutcomeWithTheProgramsNoticeAndStatus) {
  const std::vector<std::string> lines = manual_lines();
  const std::vector<std::string> notices = values_after(lines, "Notice: ");
  const std::vector<std::string> statuses = values_after(lines, "Status: ");
  constexpr std::size_t kOutcomes = static_cast<std::size_t>(Outcome::CloseFailed) + 1;
  ASSERT_EQ(notices.size(), kOutcomes);
  ASSERT_EQ(statuses.size(), kOutcomes);
  for (std::size_t i = 0; i < kOutcomes; ++i) {
    const auto outcome = static_cast<Outcome>(i);
    const int status = exit_status(outcome);
    if (outcome != Outcome::Usage) {
      EXPECT_EQ(notices[i], notice_text(outcome)) << "outcome " << i;
    }
    const std::string shown = status == 0
                                  ? "0"
                                  : std::to_string(status) + " (" +
                                        std::to_string(static_cast<unsigned>(status) & 0xffU) + ")";
    EXPECT_EQ(statuses[i], shown) << "outcome " << i;
  }
}

TEST(Manual, QuotesTheUsageTextLineByLine) {
  const std::vector<std::string> lines = manual_lines();
  std::istringstream usage(notice_text(Outcome::Usage));
  std::string first;
  std::getline(usage, first);
  auto at = std::find(lines.begin(), lines.end(), first);
  ASSERT_NE(at, lines.end()) << "no line \"" << first << "\"";
  for (std::string line; std::getline(usage, line);) {
    ++at;
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*at, trimmed(line));
  }
}

}  // namespace
