#include "notice/linux/x11/x11_dialog.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "notice/linux/display_reach.h"
#include "notice/linux/notice_interrupts.h"
#include "notice/linux/x11/x11_connection.h"
#include "notice/linux/x11/x11_dpi.h"
#include "notice/linux/x11/x11_icon.h"
#include "notice/linux/x11/x11_layout.h"
#include "notice/linux/x11/x11_monitor.h"
#include "notice/linux/x11/x11_quiet_console.h"

namespace {

// Pixel values of the dialog's colours.
struct Palette {
  unsigned long background;
  unsigned long text;
  unsigned long button_face;
  unsigned long button_held;
  unsigned long button_edge;
  unsigned long focus_ring;
};

struct Dialog {
  Display* display = nullptr;
  Window window = 0;
  GC gc = nullptr;
  XFontStruct* font = nullptr;
  Palette palette{};
  Atom wm_protocols = 0;
  Atom wm_delete = 0;
  DialogLayout layout;
  bool button_held = false;
  bool focused = false;
};

// The pixel for a colour given as 0xRRGGBB, or `fallback` (black or white)
// when the colormap has no room for it.
unsigned long rgb_pixel(Display* display, unsigned rgb, unsigned long fallback) {
  // X colours have 16 bits a channel: 0xff is 0xffff.
  const auto channel = [rgb](unsigned shift) {
    return static_cast<unsigned short>(((rgb >> shift) & 0xffU) * 0x101U);
  };
  XColor color{};
  color.red = channel(16);
  color.green = channel(8);
  color.blue = channel(0);
  color.flags = DoRed | DoGreen | DoBlue;
  const Colormap colormap = DefaultColormap(display, DefaultScreen(display));
  return XAllocColor(display, colormap, &color) != 0 ? color.pixel : fallback;
}

Palette allocate_palette(Display* display) {
  const int screen = DefaultScreen(display);
  const unsigned long black = BlackPixel(display, screen);
  const unsigned long white = WhitePixel(display, screen);
  return Palette{
      .background = rgb_pixel(display, 0xf0f0f0, white),
      .text = rgb_pixel(display, 0x202020, black),
      .button_face = rgb_pixel(display, 0xfcfcfc, white),
      .button_held = rgb_pixel(display, 0xd8d8d8, white),
      .button_edge = rgb_pixel(display, 0x808080, black),
      .focus_ring = rgb_pixel(display, 0x3070c0, black),
  };
}

void set_names(Display* display, Window window, const char* caption) {
  XStoreName(display, window, caption);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(caption),
                  static_cast<int>(std::strlen(caption)));

  std::array<char, 10> res_name{"kestrabin"};
  std::array<char, 10> res_class{"Kestrabin"};
  XClassHint class_hint{res_name.data(), res_class.data()};
  XSetClassHint(display, window, &class_hint);

  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

// A dialog that can be moved and closed, but neither resized, maximized nor
// minimized: window managers read the last two from the Motif hints.
void set_window_kind(Display* display, Window window) {
  const Atom dialog_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog_type), 1);

  constexpr long kFunctionsAndDecorations = 1 | 2;
  constexpr long kMove = 4;
  constexpr long kClose = 32;
  constexpr long kBorder = 2;
  constexpr long kTitle = 8;
  constexpr long kMenu = 16;
  const std::array<long, 5> motif_hints{kFunctionsAndDecorations, kMove | kClose,
                                        kBorder | kTitle | kMenu, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, window, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif_hints.data()),
                  static_cast<int>(motif_hints.size()));

  XWMHints wm_hints{};
  wm_hints.flags = InputHint | StateHint;
  wm_hints.input = True;
  wm_hints.initial_state = NormalState;
  XSetWMHints(display, window, &wm_hints);
}

// A fixed size at a given place: centred on its monitor, and not resizable.
void set_size_hints(const Dialog& dialog) {
  XSizeHints size_hints{};
  size_hints.flags = PPosition | PSize | PMinSize | PMaxSize | PWinGravity;
  const RootRect& window = dialog.layout.window;
  size_hints.x = window.x;
  size_hints.y = window.y;
  size_hints.width = size_hints.min_width = size_hints.max_width = window.width;
  size_hints.height = size_hints.min_height = size_hints.max_height = window.height;
  size_hints.win_gravity = CenterGravity;
  XSetWMNormalHints(dialog.display, dialog.window, &size_hints);
}

void set_window_properties(Dialog& dialog, const char* caption) {
  set_names(dialog.display, dialog.window, caption);
  set_window_kind(dialog.display, dialog.window);
  set_size_hints(dialog);
  set_window_icon(dialog.display, dialog.window);
  XSetWMProtocols(dialog.display, dialog.window, &dialog.wm_delete, 1);
}

bool create_window(Dialog& dialog, const char* text, const char* caption) {
  Display* display = dialog.display;
  const MonitorArea monitor = dialog_monitor(display);
  dialog.font = lay_out_dialog(display, text, monitor, dialog_dpi(display, monitor), dialog.layout);
  if (dialog.font == nullptr) {
    return false;
  }
  dialog.palette = allocate_palette(display);
  dialog.wm_protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  dialog.wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);

  XSetWindowAttributes attributes{};
  attributes.background_pixel = dialog.palette.background;
  attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                          StructureNotifyMask | FocusChangeMask;
  const RootRect& place = dialog.layout.window;
  dialog.window = XCreateWindow(display, DefaultRootWindow(display), place.x, place.y,
                                static_cast<unsigned>(place.width),
                                static_cast<unsigned>(place.height), 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  set_window_properties(dialog, caption);

  dialog.gc = XCreateGC(display, dialog.window, 0, nullptr);
  XSetFont(display, dialog.gc, dialog.font->fid);
  XMapRaised(display, dialog.window);
  return true;
}

void fill(const Dialog& dialog, unsigned long pixel, const XRectangle& area, int inset) {
  const int width = area.width - 2 * inset;
  const int height = area.height - 2 * inset;
  if (width <= 0 || height <= 0) {
    return;
  }
  XSetForeground(dialog.display, dialog.gc, pixel);
  XFillRectangle(dialog.display, dialog.window, dialog.gc, area.x + inset, area.y + inset,
                 static_cast<unsigned>(width), static_cast<unsigned>(height));
}

// The edge, then, while the window has the keyboard, a ring inside it that
// shows where Return and Space go.
void draw_button(const Dialog& dialog) {
  const DialogLayout& layout = dialog.layout;
  const XRectangle& button = layout.button;
  const Palette& palette = dialog.palette;
  const unsigned long face = dialog.button_held ? palette.button_held : palette.button_face;
  fill(dialog, palette.button_edge, button, 0);
  fill(dialog, face, button, layout.stroke);
  if (dialog.focused) {
    fill(dialog, palette.focus_ring, button, 2 * layout.stroke);
    fill(dialog, face, button, 3 * layout.stroke);
  }
  const int length = static_cast<int>(kOkLabel.size());
  const int label_width = XTextWidth(dialog.font, kOkLabel.data(), length);
  XSetForeground(dialog.display, dialog.gc, palette.text);
  XDrawString(dialog.display, dialog.window, dialog.gc, button.x + (button.width - label_width) / 2,
              button.y + (button.height - text_height(dialog.font)) / 2 + dialog.font->ascent,
              kOkLabel.data(), length);
}

void draw(const Dialog& dialog) {
  const DialogLayout& layout = dialog.layout;
  XSetForeground(dialog.display, dialog.gc, dialog.palette.text);
  for (std::size_t i = 0; i < layout.line_count; ++i) {
    const int baseline = layout.padding + layout.ascent + static_cast<int>(i) * layout.line_height;
    XDrawString(dialog.display, dialog.window, dialog.gc, layout.padding, baseline,
                layout.lines[i].start, layout.lines[i].length);
  }
  draw_button(dialog);
}

// Without a window manager nobody else gives us the keyboard. The window may
// be unmapped again before the request arrives, and that BadMatch is no fault.
void take_focus(const Dialog& dialog) {
  tolerate_error_of(NextRequest(dialog.display));
  XSetInputFocus(dialog.display, dialog.window, RevertToParent, CurrentTime);
}

bool on_button(const Dialog& dialog, int x, int y) {
  const XRectangle& button = dialog.layout.button;
  return x >= button.x && x < button.x + button.width && y >= button.y &&
         y < button.y + button.height;
}

bool is_dismiss_key(XKeyEvent& key) {
  const KeySym keysym = XLookupKeysym(&key, 0);
  return keysym == XK_Return || keysym == XK_KP_Enter || keysym == XK_space || keysym == XK_Escape;
}

void set_focused(Dialog& dialog, const XFocusChangeEvent& change) {
  // Focus that merely follows the pointer elsewhere changes nothing for us.
  if (change.detail == NotifyPointer) {
    return;
  }
  dialog.focused = change.type == FocusIn;
  draw_button(dialog);
}

// Handles one event; returns true when it dismisses the dialog.
bool handle_event(Dialog& dialog, XEvent& event) {
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) {
        draw(dialog);
      }
      return false;
    case MapNotify:
      take_focus(dialog);
      return false;
    case FocusIn:
    case FocusOut:
      set_focused(dialog, event.xfocus);
      return false;
    case KeyPress:
      return is_dismiss_key(event.xkey);
    case ButtonPress:
      if (event.xbutton.button == Button1 && on_button(dialog, event.xbutton.x, event.xbutton.y)) {
        dialog.button_held = true;
        draw_button(dialog);
      }
      return false;
    case ButtonRelease:
      if (event.xbutton.button == Button1 && dialog.button_held) {
        dialog.button_held = false;
        draw_button(dialog);
        return on_button(dialog, event.xbutton.x, event.xbutton.y);
      }
      return false;
    case ClientMessage:
      return event.xclient.message_type == dialog.wm_protocols &&
             static_cast<Atom>(event.xclient.data.l[0]) == dialog.wm_delete;
    case DestroyNotify:
      return event.xdestroywindow.window == dialog.window;
    default:
      return false;
  }
}

// Waits on the connection itself so that a server that goes away is seen at
// once, as end of file on the socket, rather than on the next request. A
// hang-up, Ctrl-C or kill ends the dialog, not the run.
NoticeResult run_event_loop(Dialog& dialog, const NoticeInterrupts& interrupts) {
  Display* display = dialog.display;
  pollfd connection{ConnectionNumber(display), POLLIN, 0};
  for (;;) {
    while (!display_failed() && XPending(display) > 0) {
      XEvent event{};
      XNextEvent(display, &event);
      if (handle_event(dialog, event)) {
        return NoticeResult::Dismissed;
      }
    }
    if (display_failed()) {
      return NoticeResult::Ended;
    }
    if (ppoll(&connection, 1, nullptr, interrupts.wait_mask()) < 0) {
      return NoticeResult::Ended;
    }
  }
}

void close_dialog(Dialog& dialog) {
  Display* display = dialog.display;
  if (dialog.gc != nullptr) {
    XFreeGC(display, dialog.gc);
  }
  if (dialog.window != 0) {
    XDestroyWindow(display, dialog.window);
  }
  if (dialog.font != nullptr) {
    XFreeFont(display, dialog.font);
  }
  close_display(display);
}

}  // namespace

NoticeResult show_x11_dialog(const char* text, const char* caption, NoticeInterrupts& interrupts) {
  // Xlib finds no display without DISPLAY either; asking first spares a run
  // with no display the console's quieting and the connection's deadline.
  if (named_display("DISPLAY") == nullptr) {
    return NoticeResult::NotShown;
  }
  interrupts.hold();
  const QuietConsole console;
  if (!console.quiet()) {
    return NoticeResult::NotShown;
  }
  Display* display = open_display(interrupts);
  if (display == nullptr) {
    return set_up_interrupted() ? NoticeResult::Ended : NoticeResult::NotShown;
  }
  Dialog dialog;
  dialog.display = display;
  NoticeResult result = NoticeResult::Ended;
  if (create_window(dialog, text, caption)) {
    result = run_event_loop(dialog, interrupts);
  }
  close_dialog(dialog);
  return result;
}
