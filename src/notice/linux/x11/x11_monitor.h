#ifndef KESTRABIN_NOTICE_LINUX_X11_X11_MONITOR_H_
#define KESTRABIN_NOTICE_LINUX_X11_X11_MONITOR_H_

#include <X11/Xlib.h>

// A rectangle on the root window, in pixels.
struct RootRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A monitor's place on the root window, and its physical height in
// millimetres (0 when unknown), from which its resolution follows.
struct MonitorArea {
  RootRect place;
  int height_mm = 0;
};

// Where the dialog belongs: the monitor with the pointer, else the primary
// one (RandR 1.5 monitors, which also name the parts of one large screen), else
// the whole screen. Always within the screen.
MonitorArea dialog_monitor(Display* display);

#endif  // KESTRABIN_NOTICE_LINUX_X11_X11_MONITOR_H_
