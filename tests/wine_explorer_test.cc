// The zip's Explorer scripts under Wine, as a user runs them from the unzipped
// folder: the context-menu entry they add for the current user, the command
// line it holds run as Explorer runs it, a second run, a moved folder, and the
// removal. No display: each run's notice fails at once and it ends with its status.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "windows_build.h"
#include "wine_prefix.h"

namespace {

using namespace std::chrono_literals;

const WindowsBuild& kBuild = windows_build_under_test();
const std::string kScripts = KESTRABIN_WINDOWS_SCRIPTS;
const std::string kKey = R"(HKCU\Software\Classes\SystemFileAssociations\.swf\shell\Kestrabin)";

std::unique_ptr<WinePrefix> g_prefix;

class WineEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (file_exists(kBuild.exe)) {
      g_prefix = std::make_unique<WinePrefix>(kBuild);
    }
  }
  void TearDown() override { g_prefix.reset(); }
};

[[maybe_unused]] testing::Environment* const kWineEnvironment =
    testing::AddGlobalTestEnvironment(new WineEnvironment);

// `text` in double quotes, as a Windows command line quotes a path.
std::string quoted(const std::string& text) {
  std::string out(1, '"');
  out.append(text).push_back('"');
  return out;
}

// The unzipped folder, its name with a blank, as a user might call it.
class ExplorerScripts : public testing::Test {
 protected:
  void SetUp() override {
    if (!file_exists(kBuild.exe)) {
      GTEST_SKIP() << kBuild.exe << " is not built: the " << kBuild.name << " preset makes it";
    }
    ASSERT_TRUE(g_prefix != nullptr && g_prefix->ready()) << "wineboot failed:\n"
                                                          << g_prefix->boot_log();
    unzip_into(folder_);
  }
  void TearDown() override {
    if (g_prefix != nullptr) {
      [[maybe_unused]] const ChildResult removed = wine({"reg", "delete", kKey, "/f"});
    }
  }

  static void unzip_into(const std::string& folder) {
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(kBuild.exe, folder + "/kestrabin.exe");
    for (const char* script : {"add-to-explorer.cmd", "remove-from-explorer.cmd"}) {
      std::filesystem::copy_file(kScripts + "/" + script, folder + "/" + script);
    }
  }

  [[nodiscard]] ChildResult wine(const std::vector<std::string>& args) const {
    ChildOptions options;
    options.environment = g_prefix->environment();
    options.working_directory = dir_.path();
    return run_child(g_prefix->command(args), options, 60s);
  }

  // Runs one of the scripts in `folder` as a double-click does: through cmd.
  [[nodiscard]] ChildResult run_script(const std::string& folder, const std::string& script) const {
    return wine({"cmd", "/c", windows_path(folder + "/" + script)});
  }

  // What `reg query` prints of one value of the entry (/ve: its default); empty
  // when the value is not there.
  [[nodiscard]] std::string value_of(const std::string& subkey, const std::string& name) const {
    std::vector<std::string> args{"reg", "query", kKey + subkey};
    if (name.empty()) {
      args.emplace_back("/ve");
    } else {
      args.insert(args.end(), {"/v", name});
    }
    const ChildResult run = wine(args);
    if (run.exit_code != 0) {
      return "";
    }
    // "    NAME    REG_SZ    DATA\r\n": the data after the type.
    const auto type = run.out.find("REG_SZ");
    if (type == std::string::npos) {
      return "";
    }
    const auto data = run.out.find_first_not_of(' ', type + 6);
    return run.out.substr(data, run.out.find("\r\n", data) - data);
  }

  [[nodiscard]] bool entry_exists() const { return wine({"reg", "query", kKey}).exit_code == 0; }

  // The command line Explorer makes of the entry for `file`: %1 replaced.
  [[nodiscard]] std::string command_for(const std::string& file) const {
    std::string line = value_of(R"(\command)", "");
    const auto at = line.find("%1");
    return at == std::string::npos ? "" : line.replace(at, 2, windows_path(file));
  }

  ScratchDir dir_;
  std::string folder_ = dir_ / "Kestrabin Tools";
};

TEST_F(ExplorerScripts, AddMakesTheEntryForTheCurrentUser) {
  const ChildResult added = run_script(folder_, "add-to-explorer.cmd");

  ASSERT_EQ(added.exit_code, 0) << added.out << added.err;
  EXPECT_EQ(value_of("", ""), "Set SWF Version to 9");
  EXPECT_EQ(value_of("", "MultiSelectModel"), "Single");
  const std::string exe = windows_path(folder_ + "/kestrabin.exe");
  EXPECT_EQ(value_of(R"(\command)", ""), quoted(exe) + " " + quoted("%1"));
  EXPECT_EQ(value_of("", "Icon"), quoted(exe) + ",0");
}

// The command line as Explorer starts it, whole and as the registry holds it
// (cmd takes it from a variable, so nothing quotes it again on the way), on a
// name with blanks and letters outside ASCII: the file is patched.
TEST_F(ExplorerScripts, TheEntrysCommandPatchesTheFile) {
  ASSERT_EQ(run_script(folder_, "add-to-explorer.cmd").exit_code, 0);
  const std::string movie = dir_ / "mon film été ムービー.swf";
  write_file(movie, "FWS\x05");
  const std::string command = command_for(movie);
  ASSERT_NE(command, "");

  ChildOptions options;
  options.environment = g_prefix->environment();
  options.environment.push_back("KESTRABIN_COMMAND=" + command);
  const ChildResult run =
      run_child(g_prefix->command({"cmd", "/c", "%KESTRABIN_COMMAND%"}), options, 60s);

  EXPECT_EQ(run.exit_code, status::kPatched) << run.out << run.err;
  EXPECT_EQ(read_file(movie), "FWS\x09");
}

// Run again it changes nothing; after the folder has moved it points there.
TEST_F(ExplorerScripts, RunAgainRepairsAMovedFolder) {
  ASSERT_EQ(run_script(folder_, "add-to-explorer.cmd").exit_code, 0);
  const std::string first = value_of(R"(\command)", "");
  ASSERT_EQ(run_script(folder_, "add-to-explorer.cmd").exit_code, 0);
  EXPECT_EQ(value_of(R"(\command)", ""), first);

  const std::string moved = dir_ / "Moved Tools";
  std::filesystem::rename(folder_, moved);
  ASSERT_EQ(run_script(moved, "add-to-explorer.cmd").exit_code, 0);

  EXPECT_EQ(value_of(R"(\command)", ""),
            quoted(windows_path(moved + "/kestrabin.exe")) + " " + quoted("%1"));
}

// Remove takes the whole entry away, and a second run finds nothing to do.
TEST_F(ExplorerScripts, RemoveLeavesNothing) {
  ASSERT_EQ(run_script(folder_, "add-to-explorer.cmd").exit_code, 0);
  ASSERT_TRUE(entry_exists());

  EXPECT_EQ(run_script(folder_, "remove-from-explorer.cmd").exit_code, 0);
  EXPECT_FALSE(entry_exists());
  EXPECT_EQ(run_script(folder_, "remove-from-explorer.cmd").exit_code, 0);
  EXPECT_FALSE(entry_exists());
}

}  // namespace
