// A test-only X client that does to another client's window what a window
// manager or a misbehaving client would. Usage: window_action ACTION WINDOW-ID
//   close    sends WM_DELETE_WINDOW, as a window manager's close button does
//   destroy  unmaps, maps and destroys the window, which X lets any client do;
//            the Expose queued ahead of the DestroyNotify makes its owner draw
//            into a window that no longer exists
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "x_close_request.h"

namespace {

void destroy(Display* display, Window window) {
  XUnmapWindow(display, window);
  XMapWindow(display, window);
  XDestroyWindow(display, window);
}

}  // namespace

int main(int argc, char** argv) {
  const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
  const bool destroy_it = argc == 3 && std::strcmp(argv[1], "destroy") == 0;
  if (!close && !destroy_it) {
    std::fputs("usage: window_action close|destroy WINDOW-ID\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("cannot open display\n", stderr);
    return 1;
  }
  const Window window = std::strtoul(argv[2], nullptr, 0);
  if (close) {
    send_close_request(display, window);
  } else {
    destroy(display, window);
  }
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
