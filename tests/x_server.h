#ifndef KESTRABIN_TESTS_X_SERVER_H_
#define KESTRABIN_TESTS_X_SERVER_H_

#include <sys/types.h>

#include <string>
#include <vector>

// A private Xvfb server on a free display number, for the life of the object.
class XServer {
 public:
  XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  ~XServer();

  bool running() const { return pid_ > 0; }
  const std::string& display() const { return display_; }

  // The environment of a child that talks to this server and nothing else.
  std::vector<std::string> environment() const;

  // Ends the server at once, as a crash or a lost session would.
  void kill_now();

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Runs an X client tool (xdotool, xprop, ...) against `server`; its standard output.
std::string x_tool(const XServer& server, const std::vector<std::string>& argv);

// The first top-level window titled exactly "Kestrabin", polled for up to 5 s;
// empty when none appears.
std::string wait_for_window(const XServer& server, const std::string& title);

#endif  // KESTRABIN_TESTS_X_SERVER_H_
