#ifndef KESTRABIN_NOTICE_LINUX_X11_X11_CONNECTION_H_
#define KESTRABIN_NOTICE_LINUX_X11_X11_CONNECTION_H_

#include <X11/Xlib.h>

#include <ctime>

class NoticeInterrupts;

// How long a display may take to set up a connection before it counts as none.
inline constexpr std::time_t kSetUpSeconds = 3;

// Opens the display that DISPLAY names with Xlib's error handlers replaced,
// so that nothing the server or the connection does ends the process: X
// errors and a lost connection are only noted (see display_failed). A server
// that refuses us, breaks the connection while it is being set up, or has not
// finished setting it up within a few seconds gives nullptr, like no server
// at all; so does one of `interrupts` during the set-up (see
// set_up_interrupted). The deadline is a timer of its own: an alarm the run
// inherited keeps running. Once a set-up has been given up, Xlib may have
// been left in the middle of a call: it is never called again in this run,
// and every later call gives nullptr at once.
Display* open_display(const NoticeInterrupts& interrupts);

// True when the last open_display gave up because a hang-up, Ctrl-C or kill came.
bool set_up_interrupted();

// Closes a display from open_display; also right after the connection broke.
void close_display(Display* display);

// True once an X error (other than a tolerated one) or a lost connection has
// come on the display since it was opened.
bool display_failed();

// The error, if any, that the request with this serial number draws is no fault.
void tolerate_error_of(unsigned long serial);

#endif  // KESTRABIN_NOTICE_LINUX_X11_X11_CONNECTION_H_
