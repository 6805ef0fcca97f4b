#ifndef KESTRABIN_TESTS_SUPPORT_X_SERVER_H_
#define KESTRABIN_TESTS_SUPPORT_X_SERVER_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "scratch_dir.h"

struct XServerOptions {
  std::string screen = "1024x768x24";  // WIDTHxHEIGHTxDEPTH
  int dpi = 0;                         // the resolution the server reports; 0: its default
  // When set, the server admits only clients with this file's cookies.
  std::string auth_file;
};

// A private Xvfb server on a free display number, for the life of the object.
class XServer {
 public:
  explicit XServer(const XServerOptions& options = {});
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  ~XServer();

  [[nodiscard]] bool running() const { return pid_ > 0; }
  [[nodiscard]] const std::string& display() const { return display_; }

  // The environment of a child that talks to this server and nothing else.
  [[nodiscard]] std::vector<std::string> environment() const;

  // The same for the program, whose PATH is an empty directory: it finds no
  // desktop dialog tool (zenity, kdialog), which it would use first, and so
  // shows its own dialog. It needs PATH for nothing else.
  [[nodiscard]] std::vector<std::string> program_environment() const;

  // Ends the server at once, as a crash or a lost session would.
  void kill_now();

 private:
  pid_t pid_ = -1;
  std::string display_;
  ScratchDir empty_path_;
};

// The path of the unix socket that the server listens on for `display` (":N").
std::string x_socket_path(const std::string& display);

// Runs an X client tool (xdotool, xprop, ...) against `server`; its standard output.
std::string x_tool(const XServer& server, const std::vector<std::string>& argv);

// The first top-level window titled exactly `title`, polled for up to 5 s;
// empty when none appears.
std::string wait_for_window(const XServer& server, const std::string& title);

#endif  // KESTRABIN_TESTS_SUPPORT_X_SERVER_H_
