#ifndef KESTRABIN_NOTICE_LINUX_X11_X11_ICON_H_
#define KESTRABIN_NOTICE_LINUX_X11_X11_ICON_H_

#include <X11/Xlib.h>

// Gives `window` the program's icon (_NET_WM_ICON), which window managers and
// task bars show; the pixels come from data/icons.
void set_window_icon(Display* display, Window window);

#endif  // KESTRABIN_NOTICE_LINUX_X11_X11_ICON_H_
