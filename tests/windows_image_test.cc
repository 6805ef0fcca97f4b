// The Windows programs as files, the 32-bit one users get and the 64-bit one
// from the same sources: what Windows needs to load each, what Explorer shows
// for it and the manifest it runs under, read with the cross binutils, file(1)
// and a small reader of the image's resource directory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "child_process.h"
#include "outcome.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "windows_build.h"

namespace {

const std::string kIcon = KESTRABIN_ICON;

// What one build's image must be, and the cross tools that read it.
struct ImageCase : cases::Named {
  std::string tools;          // the MinGW target, whose objdump and windres read the image
  std::string file_type;      // how file(1) begins its description
  std::string manifest_arch;  // the manifest's processorArchitecture
};

const std::vector<ImageCase>& image_cases() {
  static const std::vector<ImageCase> cases{
      {{"win32"}, "i686-w64-mingw32", "PE32 executable (console) Intel 80386", "x86"},
      {{"win64"}, "x86_64-w64-mingw32", "PE32+ executable (console) x86-64", "amd64"},
  };
  return cases;
}

// Reads one build's image; each suite below says which build.
class WindowsImageTest : public testing::Test {
 protected:
  [[nodiscard]] virtual const ImageCase& image() const = 0;

  void SetUp() override {
    if (!file_exists(exe())) {
      GTEST_SKIP() << exe() << " is not built: the " << image().name << " preset makes it";
    }
  }

  [[nodiscard]] const std::string& exe() const { return windows_build_named(image().name).exe; }

  static std::string tool(const std::vector<std::string>& argv) {
    const ChildResult run = run_child(argv);
    EXPECT_EQ(run.exit_code, 0) << argv[0] << ": " << run.err;
    return run.out;
  }

  // One of the build's cross binutils, by its short name.
  [[nodiscard]] std::string cross_tool(const std::string& name) const {
    return "/usr/bin/" + image().tools + "-" + name;
  }

  // The resources as windres writes them back as a script.
  [[nodiscard]] std::string resource_script() const {
    return tool({cross_tool("windres"), "-i", exe(), "-O", "rc"});
  }
};

class WindowsImage : public WindowsImageTest, public testing::WithParamInterface<ImageCase> {
 protected:
  [[nodiscard]] const ImageCase& image() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Builds, WindowsImage, testing::ValuesIn(image_cases()), CaseName());

TEST_P(WindowsImage, IsAConsoleProgramOfItsArchitecture) {
  const std::string type = tool({"/usr/bin/file", "-b", exe()});
  EXPECT_EQ(type.rfind(GetParam().file_type, 0), 0U) << type;
}

// Nothing from the compiler beside the .exe: only the system's DLLs.
TEST_P(WindowsImage, ImportsOnlySystemDlls) {
  std::istringstream dump(tool({cross_tool("objdump"), "-p", exe()}));
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

TEST_P(WindowsImage, FitsIn64KiB) {
  struct stat st {};
  ASSERT_EQ(stat(exe().c_str(), &st), 0);
  EXPECT_LE(st.st_size, 64 * 1024);
}

// Explorer shows the project's icon, every size of it.
TEST_P(WindowsImage, CarriesTheIcon) {
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
TEST_P(WindowsImage, CarriesTheUsageTextsVersion) {
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

// The resource section of a PE image, read as the loader reads it: the
// resource data directory, the section holding it, then the three-level
// directory of type, id and language.
class PeResources {
 public:
  explicit PeResources(std::string image) : image_(std::move(image)) {
    constexpr std::uint32_t kPe32 = 0x10b;
    constexpr std::uint32_t kPe32Plus = 0x20b;
    const std::uint32_t pe = u32(0x3c);
    const std::uint32_t optional_header = pe + 24;
    const std::uint32_t magic = u16(optional_header);
    if (u32(pe) != 0x4550 || (magic != kPe32 && magic != kPe32Plus)) {
      return;  // not a PE image: no resources at all
    }
    // The data directories follow the optional header's fixed fields, which
    // are 16 bytes longer in PE32+ (64-bit addresses).
    const std::uint32_t directories = optional_header + (magic == kPe32Plus ? 112 : 96);
    const std::uint32_t sections = optional_header + u16(pe + 20);
    const std::uint32_t resource_rva = u32(directories + 2 * 8);
    for (std::uint32_t i = 0; i < u16(pe + 6); ++i) {
      const std::uint32_t section = sections + i * 40;
      const std::uint32_t start = u32(section + 12);
      if (resource_rva != 0 && resource_rva >= start && resource_rva - start < u32(section + 8)) {
        section_rva_ = resource_rva;
        section_offset_ = u32(section + 20) + (resource_rva - start);
      }
    }
  }

  // The ids of every resource of `type` that is named by number.
  [[nodiscard]] std::vector<std::uint32_t> ids(std::uint32_t type) const {
    std::vector<std::uint32_t> found;
    if (const auto of_type = subdirectory(0, type)) {
      for (const Entry& entry : entries(*of_type)) {
        found.push_back(entry.id);
      }
    }
    return found;
  }

  // The bytes of resource `type`/`id`, in its first language.
  [[nodiscard]] std::optional<std::string> data(std::uint32_t type, std::uint32_t id) const {
    const auto of_type = subdirectory(0, type);
    const auto of_id = of_type ? subdirectory(*of_type, id) : std::nullopt;
    if (!of_id || entries(*of_id).empty()) {
      return std::nullopt;
    }
    const std::uint32_t entry = section_offset_ + entries(*of_id).front().offset;
    const std::uint32_t offset = u32(entry) - section_rva_ + section_offset_;
    const std::uint32_t size = u32(entry + 4);
    if (offset > image_.size() || size > image_.size() - offset) {
      return std::nullopt;
    }
    return image_.substr(offset, size);
  }

 private:
  struct Entry {
    std::uint32_t id;
    std::uint32_t offset;  // from the start of the section; high bit set for a subdirectory
  };

  // Out-of-range reads give 0, which no lookup below mistakes for a resource.
  [[nodiscard]] std::uint32_t u16(std::uint32_t at) const {
    if (at + 2 > image_.size()) {
      return 0;
    }
    return static_cast<std::uint8_t>(image_[at]) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(image_[at + 1])) << 8U;
  }
  [[nodiscard]] std::uint32_t u32(std::uint32_t at) const { return u16(at) | u16(at + 2) << 16U; }

  // The entries with numeric ids of the directory at offset `directory`.
  [[nodiscard]] std::vector<Entry> entries(std::uint32_t directory) const {
    std::vector<Entry> found;
    if (section_offset_ == 0) {
      return found;
    }
    const std::uint32_t at = section_offset_ + directory;
    const std::uint32_t named = u16(at + 12);
    const std::uint32_t numbered = u16(at + 14);
    for (std::uint32_t i = named; i < named + numbered; ++i) {
      found.push_back(Entry{u32(at + 16 + i * 8), u32(at + 16 + i * 8 + 4)});
    }
    return found;
  }

  [[nodiscard]] std::optional<std::uint32_t> subdirectory(std::uint32_t directory,
                                                          std::uint32_t id) const {
    constexpr std::uint32_t kIsDirectory = 0x80000000U;
    for (const Entry& entry : entries(directory)) {
      if (entry.id == id && (entry.offset & kIsDirectory) != 0) {
        return entry.offset & ~kIsDirectory;
      }
    }
    return std::nullopt;
  }

  std::string image_;
  std::uint32_t section_rva_ = 0;
  std::uint32_t section_offset_ = 0;  // in the file; 0 when the image has no resources
};

// An element of the manifest with the default namespace in force for it.
// Enough XML for a manifest: elements, attributes in quotes, text, comments
// and the declaration; no prefixes and no entities.
struct Element {
  std::string name;
  std::string ns;
  std::map<std::string, std::string> attributes;  // xmlns is in `ns`, not here
  std::string text;                               // exactly as written, blanks included
  std::vector<Element> children;
};

// Reads `name="value"` pairs up to the end of a start tag; false when one is malformed.
bool parse_attributes(std::string_view tag, Element& element) {
  while (true) {
    const auto name_at = tag.find_first_not_of(" \t\r\n");
    if (name_at == std::string_view::npos) {
      return true;
    }
    const auto equals = tag.find('=', name_at);
    if (equals == std::string_view::npos || equals + 1 >= tag.size()) {
      return false;
    }
    const char quote = tag[equals + 1];
    const auto close = tag.find(quote, equals + 2);
    if ((quote != '"' && quote != '\'') || close == std::string_view::npos) {
      return false;
    }
    const std::string name(tag.substr(name_at, equals - name_at));
    const std::string value(tag.substr(equals + 2, close - equals - 2));
    if (name == "xmlns") {
      element.ns = value;
    } else if (!element.attributes.emplace(name, value).second) {
      return false;  // the same attribute twice
    }
    tag.remove_prefix(close + 1);
  }
}

// The root element of `xml`, or nothing when the tags do not nest properly.
std::optional<Element> parse_xml(std::string_view xml) {
  Element document;
  std::vector<Element*> open{&document};
  std::size_t at = 0;
  while (at < xml.size()) {
    const auto tag = xml.find('<', at);
    open.back()->text += xml.substr(at, tag == std::string_view::npos ? tag : tag - at);
    if (tag == std::string_view::npos) {
      break;
    }
    const bool comment = xml.substr(tag, 4) == "<!--";
    const auto end = comment ? xml.find("-->", tag) : xml.find('>', tag);
    if (end == std::string_view::npos) {
      return std::nullopt;
    }
    at = end + (comment ? 3 : 1);
    const std::string_view inside = xml.substr(tag + 1, end - tag - 1);
    if (comment || inside.starts_with('?')) {
      continue;
    }
    if (inside.starts_with('/')) {
      if (open.size() < 2 || open.back()->name != inside.substr(1)) {
        return std::nullopt;
      }
      open.pop_back();
      continue;
    }
    const bool empty = inside.ends_with('/');
    const std::string_view body = inside.substr(0, inside.size() - (empty ? 1 : 0));
    const auto name_end = std::min(body.find_first_of(" \t\r\n"), body.size());
    Element element{std::string(body.substr(0, name_end)), open.back()->ns, {}, {}, {}};
    if (element.name.empty() || !parse_attributes(body.substr(name_end), element)) {
      return std::nullopt;
    }
    open.back()->children.push_back(std::move(element));
    if (!empty) {
      open.push_back(&open.back()->children.back());
    }
  }
  if (open.size() != 1 || document.children.size() != 1) {
    return std::nullopt;
  }
  return std::move(document.children.front());
}

// The children of `parent` called `name`.
std::vector<const Element*> children(const Element& parent, std::string_view name) {
  std::vector<const Element*> found;
  for (const Element& child : parent.children) {
    if (child.name == name) {
      found.push_back(&child);
    }
  }
  return found;
}

// The elements along `path` from `root`, each the only one of its name under
// its parent; shorter than `path` where that fails.
std::vector<const Element*> walk(const Element& root, const std::vector<std::string>& path) {
  std::vector<const Element*> steps;
  const Element* at = &root;
  for (const std::string& name : path) {
    const std::vector<const Element*> found = children(*at, name);
    if (found.size() != 1) {
      break;
    }
    at = found.front();
    steps.push_back(at);
  }
  return steps;
}

constexpr std::uint32_t kRtManifest = 24;
constexpr std::string_view kAsmV1 = "urn:schemas-microsoft-com:asm.v1";
constexpr std::string_view kAsmV3 = "urn:schemas-microsoft-com:asm.v3";
// Each windowsSettings element is read only in the namespace of the year it came in.
constexpr std::string_view kWindowsSettings2005 =
    "http://schemas.microsoft.com/SMI/2005/WindowsSettings";
constexpr std::string_view kWindowsSettings2016 =
    "http://schemas.microsoft.com/SMI/2016/WindowsSettings";
constexpr std::string_view kWindowsSettings2019 =
    "http://schemas.microsoft.com/SMI/2019/WindowsSettings";

// The manifest as the loader finds it: resource type RT_MANIFEST, id 1.
class ManifestTest : public WindowsImageTest {
 protected:
  void SetUp() override {
    WindowsImageTest::SetUp();
    if (IsSkipped()) {
      return;
    }
    const PeResources resources(read_file(exe()));
    ids_ = resources.ids(kRtManifest);
    text_ = resources.data(kRtManifest, 1).value_or("");
    root_ = parse_xml(text_);
  }

  std::vector<std::uint32_t> ids_;
  std::string text_;
  std::optional<Element> root_;
};

class WindowsManifest : public ManifestTest, public testing::WithParamInterface<ImageCase> {
 protected:
  [[nodiscard]] const ImageCase& image() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Builds, WindowsManifest, testing::ValuesIn(image_cases()), CaseName());

// A second manifest, or one under another id, would not be the one Windows reads.
TEST_P(WindowsManifest, IsOneWellFormedAssembly) {
  EXPECT_EQ(ids_, std::vector<std::uint32_t>{1});
  EXPECT_TRUE(text_.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"")) << text_;
  ASSERT_TRUE(root_.has_value()) << "not well-formed:\n" << text_;
  EXPECT_EQ(root_->name, "assembly");
  EXPECT_EQ(root_->ns, kAsmV1);
  EXPECT_EQ(root_->attributes, (std::map<std::string, std::string>{{"manifestVersion", "1.0"}}));
}

// One setting: the elements leading to it, the namespace they are in, and
// the setting's own namespace, attributes and text, all exactly.
struct SettingCase : cases::Named {
  std::vector<std::string> path;
  std::string_view path_ns;
  std::string_view ns;
  std::string text;
  std::map<std::string, std::string> attributes{};
};

// A setting under application/windowsSettings, which has no attributes.
SettingCase windows_setting(const char* name, const char* element, std::string_view ns,
                            const char* text) {
  return SettingCase{{name}, {"application", "windowsSettings", element}, kAsmV3, ns, text};
}

// Run as the user, never elevated and never virtualized; a UTF-8 code page;
// sharp text on every monitor; paths past 260 characters; and the visual
// styles of Common Controls 6, for the build's own architecture.
std::vector<SettingCase> setting_cases(const std::string& architecture) {
  return {
      SettingCase{"AsInvoker",
                  {"trustInfo", "security", "requestedPrivileges", "requestedExecutionLevel"},
                  kAsmV3,
                  kAsmV3,
                  "",
                  {{"level", "asInvoker"}, {"uiAccess", "false"}}},
      windows_setting("Utf8CodePage", "activeCodePage", kWindowsSettings2019, "UTF-8"),
      windows_setting("PerMonitorV2", "dpiAwareness", kWindowsSettings2016, "PerMonitorV2"),
      windows_setting("PerMonitorBefore2016", "dpiAware", kWindowsSettings2005, "true/pm"),
      windows_setting("LongPaths", "longPathAware", kWindowsSettings2016, "true"),
      SettingCase{"CommonControls6",
                  {"dependency", "dependentAssembly", "assemblyIdentity"},
                  kAsmV1,
                  kAsmV1,
                  "",
                  {{"type", "win32"},
                   {"name", "Microsoft.Windows.Common-Controls"},
                   {"version", "6.0.0.0"},
                   {"processorArchitecture", architecture},
                   {"publicKeyToken", "6595b64144ccf1df"},
                   {"language", "*"}}},
  };
}

// Every setting of every build.
struct ManifestCase {
  ImageCase image;
  SettingCase setting;
};

void PrintTo(const ManifestCase& c, std::ostream* os) {
  *os << c.image.name << " " << c.setting.name;
}

std::vector<ManifestCase> manifest_cases() {
  std::vector<ManifestCase> found;
  for (const ImageCase& image : image_cases()) {
    for (SettingCase& setting : setting_cases(image.manifest_arch)) {
      found.push_back({image, std::move(setting)});
    }
  }
  return found;
}

class ManifestSetting : public ManifestTest, public testing::WithParamInterface<ManifestCase> {
 protected:
  [[nodiscard]] const ImageCase& image() const override { return GetParam().image; }
};

TEST_P(ManifestSetting, PresentWithExactValues) {
  const SettingCase& c = GetParam().setting;
  ASSERT_TRUE(root_.has_value()) << "not well-formed:\n" << text_;

  const std::vector<const Element*> steps = walk(*root_, c.path);

  ASSERT_EQ(steps.size(), c.path.size()) << "no single " << c.path[steps.size()];
  for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
    EXPECT_EQ(steps[i]->ns, c.path_ns) << steps[i]->name;
  }
  const Element& setting = *steps.back();
  EXPECT_EQ(setting.ns, c.ns);
  EXPECT_EQ(setting.attributes, c.attributes);
  EXPECT_EQ(setting.text, c.text);
  EXPECT_TRUE(setting.children.empty());
}

INSTANTIATE_TEST_SUITE_P(Settings, ManifestSetting, testing::ValuesIn(manifest_cases()),
                         [](const testing::TestParamInfo<ManifestCase>& param) {
                           return std::string(param.param.image.name) + "_" +
                                  param.param.setting.name;
                         });

// Vista, 7, 8, 8.1, and 10 and 11 (one id): each gives the program its own
// behaviour rather than an older one's.
TEST_P(WindowsManifest, SupportsEveryWindowsFromVista) {
  ASSERT_TRUE(root_.has_value()) << "not well-formed:\n" << text_;
  const std::vector<const Element*> steps = walk(*root_, {"compatibility", "application"});
  ASSERT_EQ(steps.size(), 2U);
  EXPECT_EQ(steps[0]->ns, "urn:schemas-microsoft-com:compatibility.v1");

  std::vector<std::string> ids;
  for (const Element* os : children(*steps[1], "supportedOS")) {
    EXPECT_EQ(os->ns, steps[0]->ns);
    EXPECT_EQ(os->attributes.size(), 1U);
    ids.push_back(os->attributes.contains("Id") ? os->attributes.at("Id") : "");
  }

  EXPECT_EQ(ids,
            (std::vector<std::string>{
                "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}));
}

}  // namespace
