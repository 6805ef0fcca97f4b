#ifndef KESTRABIN_NOTICE_LINUX_X11_X11_DPI_H_
#define KESTRABIN_NOTICE_LINUX_X11_X11_DPI_H_

#include <X11/Xlib.h>

#include "notice/linux/x11/x11_monitor.h"

// The resolution to size and letter the dialog by, in dots per inch: the
// desktop's Xft.dpi resource when it set one (this is how scaling is chosen
// on most desktops), else the monitor's own, else 96.
double dialog_dpi(Display* display, const MonitorArea& monitor);

#endif  // KESTRABIN_NOTICE_LINUX_X11_X11_DPI_H_
