#ifndef KESTRABIN_NOTICE_LINUX_X11_X11_LAYOUT_H_
#define KESTRABIN_NOTICE_LINUX_X11_X11_LAYOUT_H_

#include <X11/Xlib.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "notice/linux/x11/x11_monitor.h"

// The label of the dialog's one button.
inline constexpr std::string_view kOkLabel = "OK";

// The height of a line of text in `font`, without any gap between lines.
int text_height(const XFontStruct* font);

struct TextLine {
  const char* start;
  int length;
};

// Where everything in the dialog goes, in pixels of the window, and where the
// window goes on the root window.
struct DialogLayout {
  static constexpr std::size_t kMaxLines = 16;

  std::array<TextLine, kMaxLines> lines{};
  std::size_t line_count = 0;
  int padding = 0;
  int line_height = 0;
  int ascent = 0;
  RootRect window;
  XRectangle button{};
  int stroke = 1;  // the width of the button's edge and focus ring
};

// Loads a font sized for `dpi` and lays `text` (lines split at '\n') out
// with it, centred on `monitor`. A dialog too large for the monitor is set
// in a smaller size, and in the end cut to the monitor with OK still on it.
// Returns the font the layout was measured with (the caller frees it), or
// nullptr when the server has no font at all.
XFontStruct* lay_out_dialog(Display* display, const char* text, const MonitorArea& monitor,
                            double dpi, DialogLayout& layout);

#endif  // KESTRABIN_NOTICE_LINUX_X11_X11_LAYOUT_H_
