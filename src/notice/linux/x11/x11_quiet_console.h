#ifndef KESTRABIN_NOTICE_LINUX_X11_X11_QUIET_CONSOLE_H_
#define KESTRABIN_NOTICE_LINUX_X11_X11_QUIET_CONSOLE_H_

#include <array>

// Keeps Xlib and xcb off the console while a dialog lives: they print to
// standard error on their own (xcb writes a refusing server's reason straight
// to descriptor 2), and a run may start with descriptors 0 to 2 closed, where
// the X socket would otherwise land. While an object lives, descriptor 2 is
// /dev/null and none of 0 to 2 is free; afterwards each is as it was.
class QuietConsole {
 public:
  QuietConsole();
  QuietConsole(const QuietConsole&) = delete;
  QuietConsole& operator=(const QuietConsole&) = delete;
  ~QuietConsole();

  // False when /dev/null could not be opened: nothing was changed, and Xlib
  // could not be kept quiet.
  [[nodiscard]] bool quiet() const { return quiet_; }

 private:
  static constexpr int kStandardCount = 3;

  std::array<bool, kStandardCount> filled_{};  // closed before, on /dev/null now
  int saved_error_ = -1;                       // the run's descriptor 2, moved aside
  bool quiet_ = false;
};

#endif  // KESTRABIN_NOTICE_LINUX_X11_X11_QUIET_CONSOLE_H_
