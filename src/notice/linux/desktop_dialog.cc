#include "notice/linux/desktop_dialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

#include "notice/linux/display_reach.h"
#include "notice/linux/notice_interrupts.h"
#include "notice/linux/subprocess.h"

namespace {

// One run of a dialog tool: its path and arguments, and room for the
// arguments that have to be put together.
struct Command {
  std::array<char, PATH_MAX> path{};
  std::array<char, 256> title{};
  std::array<char, 2048> text{};
  std::array<const char*, 8> argv{};
};

struct DialogTool {
  const char* name;
  // Its exit status when the user closes the window instead of pressing OK.
  int closed_status;
  bool (*fill_arguments)(const char* text, const char* caption, Command& command);
};

// One display variable and how to find out whether what it names answers.
struct DisplayCheck {
  const char* variable;
  DisplayReach (*reach)(const NoticeInterrupts& interrupts);
};

constexpr std::array kDisplayChecks{DisplayCheck{"WAYLAND_DISPLAY", reach_wayland_display},
                                    DisplayCheck{"DISPLAY", reach_x_display}};

bool has_display() {
  return std::any_of(kDisplayChecks.begin(), kDisplayChecks.end(), [](const DisplayCheck& check) {
    return named_display(check.variable) != nullptr;
  });
}

// Whether `found` holds for any entry of a colon-separated list such as PATH
// (none when the list is null), trying them in order.
template <typename Predicate>
bool any_entry(const char* list, Predicate found) {
  while (list != nullptr) {
    const char* end = std::strchr(list, ':');
    const std::string_view entry =
        end != nullptr ? std::string_view(list, static_cast<std::size_t>(end - list)) : list;
    if (found(entry)) {
      return true;
    }
    list = end != nullptr ? end + 1 : nullptr;
  }
  return false;
}

// XDG_CURRENT_DESKTOP is a list such as "KDE" or "ubuntu:GNOME".
bool desktop_is(std::string_view name) {
  return any_entry(std::getenv("XDG_CURRENT_DESKTOP"),
                   [name](std::string_view desktop) { return desktop == name; });
}

bool is_executable_file(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
}

// Looks `name` up in PATH as the shell would, except that relative entries
// (and empty ones, which mean ".") are skipped: they name whatever folder the
// run started in, which is no place to take a program from.
bool find_on_path(const char* name, std::array<char, PATH_MAX>& found) {
  const char* list = std::getenv("PATH");
  if (list == nullptr) {
    list = "/bin:/usr/bin";  // what the C library's execvp assumes
  }
  return any_entry(list, [name, &found](std::string_view directory) {
    const int written = std::snprintf(found.data(), found.size(), "%.*s/%s",
                                      static_cast<int>(directory.size()), directory.data(), name);
    return directory.starts_with('/') && written > 0 &&
           static_cast<std::size_t>(written) < found.size() && is_executable_file(found.data());
  });
}

// False when `value` does not fit: the notice is then left to a way that
// shows it whole.
template <std::size_t N>
bool join(std::array<char, N>& buffer, const char* option, const char* value) {
  const int written = std::snprintf(buffer.data(), buffer.size(), "%s%s", option, value);
  return written > 0 && static_cast<std::size_t>(written) < buffer.size();
}

// GTK's information dialog. --no-markup shows "&" and "<" as typed;
// --no-wrap keeps each line of the text on one line; --ok-label names the
// one button OK in every locale.
bool zenity_arguments(const char* text, const char* caption, Command& command) {
  if (!join(command.title, "--title=", caption) || !join(command.text, "--text=", text)) {
    return false;
  }
  command.argv = {"zenity",      command.title.data(), "--info",        command.text.data(),
                  "--no-markup", "--no-wrap",          "--ok-label=OK", nullptr};
  return true;
}

// KDE's message box. It takes the text as rich text only when its first line
// looks like HTML, which none of ours does; a lone "&" shows as typed.
bool kdialog_arguments(const char* text, const char* caption, Command& command) {
  command.argv = {"kdialog", "--title", caption, "--ok-label", "OK", "--msgbox", text, nullptr};
  return true;
}

constexpr DialogTool kZenity{"zenity", 1, zenity_arguments};
constexpr DialogTool kKdialog{"kdialog", 2, kdialog_arguments};

// The desktop's own tool first; zenity serves any desktop.
std::span<const DialogTool> tools_for_this_desktop() {
  static constexpr std::array kKdeTools{kKdialog, kZenity};
  static constexpr std::array kOtherTools{kZenity};
  if (desktop_is("KDE")) {
    return kKdeTools;
  }
  return kOtherTools;
}

// Whether the tool said it could not reach the display, on standard error,
// which is read for that alone: GTK exits then with 1, as for a closed
// window, and Qt aborts.
bool could_not_open_display(const SubprocessResult& run) {
  const char* said = run.error_head.data();
  return std::strstr(said, "cannot open display") != nullptr ||
         std::strstr(said, "could not connect to display") != nullptr;
}

// How the tool's run ended, for the notice. OK ends it with 0 and closing the
// window with the tool's own status (zenity 1, kdialog 2). A tool that could
// not be executed, or said it could not reach the display, showed nothing.
// Any other end (another status, or a signal: a force-quit, the OOM killer, a
// crash) may have come after its window appeared, and no second notice may
// follow it.
NoticeResult result_of(const SubprocessResult& run, const DialogTool& tool) {
  if (run.end == SubprocessEnd::NotStarted || could_not_open_display(run)) {
    return NoticeResult::NotShown;
  }
  const bool acknowledged =
      run.end == SubprocessEnd::Exited && (run.status == 0 || run.status == tool.closed_status);
  return acknowledged ? NoticeResult::Dismissed : NoticeResult::Ended;
}

// Checks each display the session names before a tool may wait on it for
// ever; one that does not answer is unset, so that neither the tool nor the
// rest of the notice uses it. Answers when any display is left.
DisplayReach keep_displays_that_answer(const NoticeInterrupts& interrupts) {
  bool any = false;
  for (const DisplayCheck& check : kDisplayChecks) {
    if (named_display(check.variable) == nullptr) {
      continue;
    }
    const DisplayReach reach = check.reach(interrupts);
    if (reach == DisplayReach::Interrupted) {
      return reach;
    }
    any = any || reach == DisplayReach::Answers;
    if (reach != DisplayReach::Answers) {
      unsetenv(check.variable);
    }
  }
  return any ? DisplayReach::Answers : DisplayReach::NoAnswer;
}

}  // namespace

NoticeResult show_desktop_dialog(const char* text, const char* caption,
                                 NoticeInterrupts& interrupts) {
  if (!has_display()) {
    return NoticeResult::NotShown;
  }
  bool displays_checked = false;
  for (const DialogTool& tool : tools_for_this_desktop()) {
    Command command;
    if (!find_on_path(tool.name, command.path) || !tool.fill_arguments(text, caption, command)) {
      continue;
    }
    // Only once there is a tool to start: our own dialog checks X itself.
    if (!displays_checked) {
      displays_checked = true;
      interrupts.hold();
      const DisplayReach reach = keep_displays_that_answer(interrupts);
      if (reach != DisplayReach::Answers) {
        return reach == DisplayReach::Interrupted ? NoticeResult::Ended : NoticeResult::NotShown;
      }
    }
    const SubprocessResult run =
        run_subprocess(command.path.data(), command.argv.data(), interrupts);
    if (run.end == SubprocessEnd::Interrupted) {
      return NoticeResult::Ended;
    }
    const NoticeResult result = result_of(run, tool);
    if (result != NoticeResult::NotShown) {
      return result;
    }
  }
  return NoticeResult::NotShown;
}
