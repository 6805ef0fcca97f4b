// Destroys another client's window, which X lets any client do. The window is
// unmapped and mapped again first, so an Expose is queued ahead of the
// DestroyNotify and its owner draws into a window that no longer exists.
// Usage: destroy_window WINDOW-ID
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: destroy_window WINDOW-ID\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("cannot open display\n", stderr);
    return 1;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  XUnmapWindow(display, window);
  XMapWindow(display, window);
  XDestroyWindow(display, window);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
