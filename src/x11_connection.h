#ifndef KESTRABIN_X11_CONNECTION_H_
#define KESTRABIN_X11_CONNECTION_H_

#include <X11/Xlib.h>

// Opens the display that DISPLAY names with Xlib's error handlers replaced,
// so that nothing the server or the connection does ends the process: X
// errors and a lost connection are only noted (see display_failed). A server
// that refuses us, breaks the connection while it is being set up, or has not
// finished setting it up within a few seconds gives nullptr, like no server
// at all. Once a set-up has been given up, Xlib may have been left in the
// middle of a call: nothing may call it again in this run.
Display* open_display();

// Closes a display from open_display; also right after the connection broke.
void close_display(Display* display);

// True once an X error (other than a tolerated one) or a lost connection has
// come on the display since it was opened.
bool display_failed();

// The error, if any, that the request with this serial number draws is no fault.
void tolerate_error_of(unsigned long serial);

#endif  // KESTRABIN_X11_CONNECTION_H_
