#include "x11_dialog.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "notice_interrupts.h"

namespace {

// Set by the Xlib handlers, which may not unwind; the event loop reads it.
bool g_x_failed = false;
// The one request whose error is expected and harmless (see take_focus).
unsigned long g_tolerated_request = 0;

int note_x_error(Display* /*display*/, XErrorEvent* error) {
  if (g_tolerated_request == 0 || error->serial != g_tolerated_request) {
    g_x_failed = true;
  }
  return 0;
}

int note_io_error(Display* /*display*/) {
  g_x_failed = true;
  return 0;
}

// Replaces Xlib's exit() after a lost connection; returning keeps us alive.
void keep_process(Display* /*display*/, void* /*data*/) { g_x_failed = true; }

constexpr int kPadding = 16;
constexpr int kLineGap = 3;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMinTextWidth = 200;
constexpr std::size_t kMaxLines = 16;

struct TextLine {
  const char* start;
  int length;
};

struct Layout {
  std::array<TextLine, kMaxLines> lines{};
  int x = 0;  // the window's origin, centred on the screen
  int y = 0;
  std::size_t line_count = 0;
  int line_height = 0;
  int ascent = 0;
  int width = 0;
  int height = 0;
  XRectangle button{};
};

struct Dialog {
  Display* display = nullptr;
  Window window = 0;
  GC gc = nullptr;
  XFontStruct* font = nullptr;
  unsigned long background = 0;
  unsigned long foreground = 0;
  unsigned long button_face = 0;
  unsigned long button_edge = 0;
  Atom wm_protocols = 0;
  Atom wm_delete = 0;
  Layout layout;
  bool button_held = false;
};

// Fonts from the usual X font packages, then the one every server has.
XFontStruct* load_font(Display* display) {
  constexpr std::array kFontNames{
      "-*-dejavu sans-medium-r-normal--*-100-*-*-p-*-iso8859-1",
      "-*-helvetica-medium-r-normal--*-120-*-*-p-*-iso8859-1",
      "-*-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1",
      "fixed",
  };
  for (const char* name : kFontNames) {
    if (XFontStruct* font = XLoadQueryFont(display, name)) {
      return font;
    }
  }
  return nullptr;
}

unsigned long rgb_pixel(Display* display, unsigned short red, unsigned short green,
                        unsigned short blue, unsigned long fallback) {
  XColor color{};
  color.red = red;
  color.green = green;
  color.blue = blue;
  color.flags = DoRed | DoGreen | DoBlue;
  const Colormap colormap = DefaultColormap(display, DefaultScreen(display));
  return XAllocColor(display, colormap, &color) != 0 ? color.pixel : fallback;
}

// Lays `text` out in `font`, centred on a screen of the given size (known
// from the connection, so it costs no round trip).
Layout lay_out(const char* text, XFontStruct* font, int screen_width, int screen_height) {
  Layout layout;
  layout.ascent = font->ascent;
  layout.line_height = font->ascent + font->descent + kLineGap;
  int text_width = kMinTextWidth;
  const char* start = text;
  while (layout.line_count < kMaxLines) {
    const char* end = std::strchr(start, '\n');
    const int length =
        end != nullptr ? static_cast<int>(end - start) : static_cast<int>(std::strlen(start));
    layout.lines[layout.line_count++] = TextLine{start, length};
    text_width = std::max(text_width, XTextWidth(font, start, length));
    if (end == nullptr) {
      break;
    }
    start = end + 1;
  }
  const int text_height = static_cast<int>(layout.line_count) * layout.line_height;
  layout.width = text_width + 2 * kPadding;
  layout.height = kPadding + text_height + kPadding + kButtonHeight + kPadding;
  layout.button = XRectangle{static_cast<short>((layout.width - kButtonWidth) / 2),
                             static_cast<short>(layout.height - kPadding - kButtonHeight),
                             kButtonWidth, kButtonHeight};
  layout.x = (screen_width - layout.width) / 2;
  layout.y = (screen_height - layout.height) / 2;
  return layout;
}

void set_window_properties(const Dialog& dialog, const char* caption) {
  Display* display = dialog.display;
  const Window window = dialog.window;
  XStoreName(display, window, caption);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(caption),
                  static_cast<int>(std::strlen(caption)));

  const Atom dialog_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog_type), 1);

  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);

  std::array<char, 10> res_name{"kestrabin"};
  std::array<char, 10> res_class{"Kestrabin"};
  XClassHint class_hint{res_name.data(), res_class.data()};
  XSetClassHint(display, window, &class_hint);

  XWMHints wm_hints{};
  wm_hints.flags = InputHint | StateHint;
  wm_hints.input = True;
  wm_hints.initial_state = NormalState;
  XSetWMHints(display, window, &wm_hints);

  // A fixed size at a given place: centred, and not resizable.
  XSizeHints size_hints{};
  size_hints.flags = PPosition | PSize | PMinSize | PMaxSize | PWinGravity;
  size_hints.x = dialog.layout.x;
  size_hints.y = dialog.layout.y;
  size_hints.width = size_hints.min_width = size_hints.max_width = dialog.layout.width;
  size_hints.height = size_hints.min_height = size_hints.max_height = dialog.layout.height;
  size_hints.win_gravity = CenterGravity;
  XSetWMNormalHints(display, window, &size_hints);

  Atom protocols = dialog.wm_delete;
  XSetWMProtocols(display, window, &protocols, 1);
}

bool create_window(Dialog& dialog, const char* text, const char* caption) {
  Display* display = dialog.display;
  const int screen = DefaultScreen(display);
  dialog.font = load_font(display);
  if (dialog.font == nullptr) {
    return false;
  }
  dialog.layout =
      lay_out(text, dialog.font, DisplayWidth(display, screen), DisplayHeight(display, screen));
  dialog.foreground = rgb_pixel(display, 0x2000, 0x2000, 0x2000, BlackPixel(display, screen));
  dialog.background = rgb_pixel(display, 0xf0f0, 0xf0f0, 0xf0f0, WhitePixel(display, screen));
  dialog.button_face = rgb_pixel(display, 0xfcfc, 0xfcfc, 0xfcfc, WhitePixel(display, screen));
  dialog.button_edge = rgb_pixel(display, 0x8080, 0x8080, 0x8080, BlackPixel(display, screen));
  dialog.wm_protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  dialog.wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);

  XSetWindowAttributes attributes{};
  attributes.background_pixel = dialog.background;
  attributes.event_mask =
      ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
  dialog.window = XCreateWindow(
      display, DefaultRootWindow(display), dialog.layout.x, dialog.layout.y,
      static_cast<unsigned>(dialog.layout.width), static_cast<unsigned>(dialog.layout.height), 0,
      CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  set_window_properties(dialog, caption);

  dialog.gc = XCreateGC(display, dialog.window, 0, nullptr);
  XSetFont(display, dialog.gc, dialog.font->fid);
  XMapRaised(display, dialog.window);
  return true;
}

void draw(const Dialog& dialog) {
  Display* display = dialog.display;
  const Layout& layout = dialog.layout;
  XSetForeground(display, dialog.gc, dialog.foreground);
  for (std::size_t i = 0; i < layout.line_count; ++i) {
    const int baseline = kPadding + layout.ascent + static_cast<int>(i) * layout.line_height;
    XDrawString(display, dialog.window, dialog.gc, kPadding, baseline, layout.lines[i].start,
                layout.lines[i].length);
  }

  const XRectangle& button = layout.button;
  XSetForeground(display, dialog.gc, dialog.button_held ? dialog.button_edge : dialog.button_face);
  XFillRectangle(display, dialog.window, dialog.gc, button.x, button.y, button.width,
                 button.height);
  XSetForeground(display, dialog.gc, dialog.button_edge);
  XDrawRectangle(display, dialog.window, dialog.gc, button.x, button.y, button.width - 1U,
                 button.height - 1U);
  constexpr const char* kLabel = "OK";
  const int label_width = XTextWidth(dialog.font, kLabel, 2);
  const int label_height = dialog.font->ascent + dialog.font->descent;
  XSetForeground(display, dialog.gc, dialog.foreground);
  XDrawString(display, dialog.window, dialog.gc, button.x + (button.width - label_width) / 2,
              button.y + (button.height - label_height) / 2 + dialog.font->ascent, kLabel, 2);
}

// Without a window manager nobody else gives us the keyboard. The window may
// be unmapped again before the request arrives, and that BadMatch is no fault.
void take_focus(const Dialog& dialog) {
  g_tolerated_request = NextRequest(dialog.display);
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
    case KeyPress:
      return is_dismiss_key(event.xkey);
    case ButtonPress:
      if (event.xbutton.button == Button1 && on_button(dialog, event.xbutton.x, event.xbutton.y)) {
        dialog.button_held = true;
        draw(dialog);
      }
      return false;
    case ButtonRelease:
      if (event.xbutton.button == Button1 && dialog.button_held) {
        dialog.button_held = false;
        draw(dialog);
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
DialogResult run_event_loop(Dialog& dialog) {
  Display* display = dialog.display;
  const NoticeInterrupts interrupts;
  pollfd connection{ConnectionNumber(display), POLLIN, 0};
  for (;;) {
    while (!g_x_failed && XPending(display) > 0) {
      XEvent event{};
      XNextEvent(display, &event);
      if (handle_event(dialog, event)) {
        return DialogResult::Dismissed;
      }
    }
    if (g_x_failed) {
      return DialogResult::Failed;
    }
    if (ppoll(&connection, 1, nullptr, interrupts.wait_mask()) < 0) {
      return DialogResult::Failed;
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
  XCloseDisplay(display);
}

}  // namespace

DialogResult show_x11_dialog(const char* text, const char* caption) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    return DialogResult::NoDisplay;
  }
  g_x_failed = false;
  g_tolerated_request = 0;
  XSetErrorHandler(note_x_error);
  XSetIOErrorHandler(note_io_error);
  // Writing to a server that has gone away raises no SIGPIPE: the whole run
  // ignores it (ignore_write_signals).
  XSetIOErrorExitHandler(display, keep_process, nullptr);

  Dialog dialog;
  dialog.display = display;
  DialogResult result = DialogResult::Failed;
  if (create_window(dialog, text, caption)) {
    result = run_event_loop(dialog);
  }
  // Once the connection is lost Xlib drops further requests, so closing is
  // safe either way and frees what the display holds.
  close_dialog(dialog);
  return result;
}
