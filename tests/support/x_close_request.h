#ifndef KESTRABIN_TESTS_SUPPORT_X_CLOSE_REQUEST_H_
#define KESTRABIN_TESTS_SUPPORT_X_CLOSE_REQUEST_H_

#include <X11/Xlib.h>

// Sends `window` WM_DELETE_WINDOW, as a window manager's close button does,
// and flushes it: the owner sees it without waiting for our next request.
void send_close_request(Display* display, Window window);

#endif  // KESTRABIN_TESTS_SUPPORT_X_CLOSE_REQUEST_H_
