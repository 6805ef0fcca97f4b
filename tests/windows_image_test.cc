// The Windows program as a file: what Windows needs to load it and what
// Explorer shows for it, read with the cross binutils and file(1).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <sstream>
#include <string>

#include "child_process.h"
#include "outcome.h"
#include "scratch_dir.h"

namespace {

const std::string kExe = KESTRABIN_WINDOWS_EXE;
const std::string kIcon = KESTRABIN_ICON;

class WindowsImage : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(file_exists(kExe)) << kExe << " is missing: build the win32 preset first";
  }

  static std::string tool(const std::vector<std::string>& argv) {
    const ChildResult run = run_child(argv);
    EXPECT_EQ(run.exit_code, 0) << argv[0] << ": " << run.err;
    return run.out;
  }

  // The resources as windres writes them back as a script.
  static std::string resource_script() {
    return tool({"/usr/bin/i686-w64-mingw32-windres", "-i", kExe, "-O", "rc"});
  }
};

TEST_F(WindowsImage, IsA32BitConsoleProgram) {
  const std::string type = tool({"/usr/bin/file", "-b", kExe});
  EXPECT_EQ(type.rfind("PE32 executable (console) Intel 80386", 0), 0U) << type;
}

// Nothing from the compiler beside the .exe: only the system's DLLs.
TEST_F(WindowsImage, ImportsOnlySystemDlls) {
  std::istringstream dump(tool({"/usr/bin/i686-w64-mingw32-objdump", "-p", kExe}));
  std::set<std::string> dlls;
  std::set<std::string> user32;
  std::string current;
  for (std::string line; std::getline(dump, line);) {
    if (const auto at = line.find("DLL Name: "); at != std::string::npos) {
      current = line.substr(at + 10);
      dlls.insert(current);
    } else if (line.empty()) {
      current.clear();  // a DLL's list of names ends with a blank line
    } else if (current == "USER32.dll") {
      std::istringstream fields(line);
      std::string vma;
      std::string hint;
      std::string name;
      if (fields >> vma >> hint >> name && vma != "vma:") {
        user32.insert(name);
      }
    }
  }
  EXPECT_EQ(dlls, (std::set<std::string>{"KERNEL32.dll", "USER32.dll", "msvcrt.dll"}));
  EXPECT_EQ(user32, std::set<std::string>{"MessageBoxA"});
}

TEST_F(WindowsImage, FitsIn64KiB) {
  struct stat st {};
  ASSERT_EQ(stat(kExe.c_str(), &st), 0);
  EXPECT_LE(st.st_size, 64 * 1024);
}

// Explorer shows the project's icon, every size of it.
TEST_F(WindowsImage, CarriesTheIcon) {
  const std::string ico = read_file(kIcon);
  ASSERT_GE(ico.size(), 6U);
  const auto images = static_cast<unsigned char>(ico[4]) | static_cast<unsigned char>(ico[5]) << 8U;

  const std::string script = resource_script();
  std::size_t icons = 0;
  for (auto at = script.find("RT_ICON */"); at != std::string::npos;
       at = script.find("RT_ICON */", at + 1)) {
    ++icons;
  }
  EXPECT_EQ(icons, static_cast<std::size_t>(images));
  EXPECT_NE(script.find("1 14 /* RT_GROUP_ICON */"), std::string::npos) << "no icon group 1";
}

// The version in Explorer is the one the usage text gives.
TEST_F(WindowsImage, CarriesTheUsageTextsVersion) {
  const std::string usage = notice_text(Outcome::Usage);
  const auto from = usage.find("version ") + 8;
  const std::string version = usage.substr(from, usage.find('\n', from) - from);
  ASSERT_EQ(version.size(), 13U) << version;  // yyyymmdd.hhmm
  // Each binary field holds 16 bits: year, month and day, time, 0.
  const std::string fields = std::to_string(std::stoi(version.substr(0, 4))) + ", " +
                             std::to_string(std::stoi(version.substr(4, 4))) + ", " +
                             std::to_string(std::stoi(version.substr(9, 4))) + ", 0";

  const std::string script = resource_script();
  EXPECT_NE(script.find("FILEVERSION " + fields), std::string::npos) << script;
  EXPECT_NE(script.find("PRODUCTVERSION " + fields), std::string::npos);
  EXPECT_NE(script.find("VALUE \"ProductName\", \"Kestrabin\""), std::string::npos);
  EXPECT_NE(script.find("VALUE \"ProductVersion\", \"" + version + "\""), std::string::npos);
  EXPECT_NE(script.find("VALUE \"FileVersion\", \"" + version + "\""), std::string::npos);
}

}  // namespace
