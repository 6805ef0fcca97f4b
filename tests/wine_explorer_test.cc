// The zip's Explorer scripts under Wine, as a user runs them from the unzipped
// folder: the context-menu entry and the Send To shortcut they add for the
// current user, each handing a movie to the program as Explorer does, a second
// run, a moved folder, and the removal. No display: each run's notice fails at
// once and it ends with its status.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "scratch_dir.h"
#include "shell_execute.h"
#include "swf_cases.h"
#include "windows_build.h"
#include "wine_prefix.h"

namespace {

using namespace std::chrono_literals;

const WindowsBuild& kBuild = windows_build_under_test();
const std::string kScripts = KESTRABIN_WINDOWS_SCRIPTS;
// The verb, and the entry's key that names it.
const std::string kVerb = "Kestrabin";
const std::string kKey = R"(HKCU\Software\Classes\SystemFileAssociations\.swf\shell\)" + kVerb;
// Wine's shell reads neither the current user's classes (its HKEY_CLASSES_ROOT
// is the machine's alone) nor SystemFileAssociations: ShellExecuteEx with the
// verb finds nothing there (ERROR_BAD_EXE_FORMAT, Wine 8.0). To have the shell
// itself invoke the verb, a test copies the entry as the script wrote it under
// a class of the machine's that .swf files belong to in the test's prefix.
const std::string kMachineClasses = R"(HKLM\Software\Classes\)";
const std::string kTestClass = "KestrabinTestMovie";
const std::string kMachineSwf = kMachineClasses + ".swf";
const std::string kMachineClass = kMachineClasses + kTestClass;

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
    for (const std::string& program : {kBuild.exe, kBuild.shell_execute}) {
      if (!file_exists(program)) {
        GTEST_SKIP() << program << " is not built: the " << kBuild.name << " preset makes it";
      }
    }
    ASSERT_TRUE(g_prefix != nullptr && g_prefix->ready()) << "wineboot failed:\n"
                                                          << g_prefix->boot_log();
    unzip_into(folder_);
  }
  void TearDown() override {
    if (g_prefix != nullptr) {
      for (const std::string& key : {kKey, kMachineSwf, kMachineClass}) {
        [[maybe_unused]] const ChildResult removed = wine({"reg", "delete", key, "/f"});
      }
      std::filesystem::remove(send_to_shortcut().unix);
    }
  }

  static void unzip_into(const std::string& folder) {
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(kBuild.exe, folder + "/kestrabin.exe");
    for (const char* script : {"add-to-explorer.cmd", "remove-from-explorer.cmd", "send-to.js"}) {
      std::filesystem::copy_file(kScripts + "/" + script, folder + "/" + script);
    }
  }

  [[nodiscard]] ChildResult wine(const std::vector<std::string>& args) const {
    ChildOptions options;
    options.environment = g_prefix->environment();
    options.working_directory = dir_.path();
    return run_child(g_prefix->command(args), options, 60s);
  }

  // Asks the shell to do to `file` (a Windows path) what Explorer does: the
  // verb, or with an empty one a double-click (with `parameters` as a drop's
  // files).
  [[nodiscard]] ChildResult shell_execute(const std::string& verb, const std::string& file,
                                          const std::string& parameters = "") const {
    std::vector<std::string> args{kBuild.shell_execute, verb, file};
    if (!parameters.empty()) {
      args.push_back(parameters);
    }
    return wine(args);
  }

  // Runs one of the scripts in `folder` as a double-click does.
  [[nodiscard]] ChildResult run_script(const std::string& folder, const std::string& script) const {
    return shell_execute("", windows_path(folder + "/" + script));
  }

  // The Send To shortcut, in the user's Send To folder on drive C: its path
  // as Windows programs see it, and as we do. Asked of the suite's one prefix
  // once.
  struct Shortcut {
    std::string windows;
    std::string unix;
  };
  [[nodiscard]] const Shortcut& send_to_shortcut() const {
    static const Shortcut shortcut = [this] {
      std::string appdata = wine({"cmd", "/c", "echo %APPDATA%"}).out;
      appdata.erase(appdata.find_last_not_of("\r\n") + 1);
      Shortcut found{appdata + R"(\Microsoft\Windows\SendTo\Kestrabin.lnk)",
                     g_prefix->path() + "/drive_c"};
      // C:\users\... under the prefix's drive_c.
      std::string rest = found.windows.substr(2);
      std::replace(rest.begin(), rest.end(), '\\', '/');
      found.unix += rest;
      return found;
    }();
    return shortcut;
  }

  // Sends `movie` to Kestrabin as Send To does: the shell opens the shortcut
  // with the file. Wine starts the program without handing its process back,
  // so the file is watched until it is patched or 30 s have passed.
  [[nodiscard]] ::testing::AssertionResult send_to_patches(const std::string& movie) const {
    write_file(movie, "FWS\x05");
    const ChildResult sent =
        shell_execute("", send_to_shortcut().windows, quoted(windows_path(movie)));
    if (sent.exit_code != shell_execute_status::kNoProcess && sent.exit_code != status::kPatched) {
      return ::testing::AssertionFailure()
             << "shell_execute ended with " << sent.exit_code << ": " << sent.out << sent.err;
    }
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (read_file(movie) != "FWS\x09") {
      if (std::chrono::steady_clock::now() > deadline) {
        return ::testing::AssertionFailure() << movie << " was not patched within 30 s";
      }
      std::this_thread::sleep_for(100ms);
    }
    return ::testing::AssertionSuccess();
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
  // Letters cmd reads as its own unless the script takes care.
  std::string folder_ = dir_ / "Kestrabin & Co (x86)";
};

TEST_F(ExplorerScripts, AddMakesTheEntryForTheCurrentUser) {
  const ChildResult added = run_script(folder_, "add-to-explorer.cmd");

  ASSERT_EQ(added.exit_code, 0) << added.out << added.err;
  EXPECT_EQ(value_of("", ""), "Set SWF Version to 9");
  EXPECT_EQ(value_of("", "MultiSelectModel"), "Single");
  const std::string exe = windows_path(folder_ + "/kestrabin.exe");
  EXPECT_EQ(value_of(R"(\command)", ""), quoted(exe) + " " + quoted("%1"));
  EXPECT_EQ(value_of("", "Icon"), quoted(exe) + ",0");
  EXPECT_TRUE(file_exists(send_to_shortcut().unix)) << send_to_shortcut().unix;
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

// The shell itself invokes the verb on the file, expanding "%1" as Explorer
// does, once the entry is where Wine's shell looks (see kMachineClass).
TEST_F(ExplorerScripts, TheShellInvokesTheVerb) {
  ASSERT_EQ(run_script(folder_, "add-to-explorer.cmd").exit_code, 0);
  ASSERT_EQ(wine({"reg", "add", kMachineSwf, "/ve", "/d", kTestClass, "/f"}).exit_code, 0);
  ASSERT_EQ(wine({"reg", "copy", kKey, kMachineClass + R"(\shell\)" + kVerb, "/s", "/f"}).exit_code,
            0);
  const std::string movie = dir_ / "mon film été ムービー.swf";
  write_file(movie, "FWS\x05");

  const ChildResult run = shell_execute(kVerb, windows_path(movie));

  EXPECT_EQ(run.exit_code, status::kPatched) << run.out << run.err;
  EXPECT_EQ(read_file(movie), "FWS\x09");
}

// Send To > Kestrabin with a movie: the shortcut starts the program on it.
TEST_F(ExplorerScripts, SendToPatchesTheFile) {
  ASSERT_EQ(run_script(folder_, "add-to-explorer.cmd").exit_code, 0);

  EXPECT_TRUE(send_to_patches(dir_ / "mon film été ムービー.swf"));
}

// Run again it changes nothing; after the folder has moved both the entry and
// the shortcut point there (the old folder is gone, so only a repaired
// shortcut can patch).
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
  EXPECT_TRUE(send_to_patches(dir_ / "moved.swf"));
}

// Remove takes the entry and the shortcut away, and a second run finds
// nothing to do.
TEST_F(ExplorerScripts, RemoveLeavesNothing) {
  ASSERT_EQ(run_script(folder_, "add-to-explorer.cmd").exit_code, 0);
  ASSERT_TRUE(entry_exists());
  ASSERT_TRUE(file_exists(send_to_shortcut().unix));

  for (int run = 1; run <= 2; ++run) {
    EXPECT_EQ(run_script(folder_, "remove-from-explorer.cmd").exit_code, 0) << "run " << run;
    EXPECT_FALSE(entry_exists()) << "run " << run;
    EXPECT_FALSE(file_exists(send_to_shortcut().unix)) << "run " << run;
  }
}

}  // namespace
