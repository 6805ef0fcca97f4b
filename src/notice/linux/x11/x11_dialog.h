#ifndef KESTRABIN_NOTICE_LINUX_X11_X11_DIALOG_H_
#define KESTRABIN_NOTICE_LINUX_X11_X11_DIALOG_H_

#include "notice/linux/notice_result.h"

class NoticeInterrupts;

// Shows a small modal dialog titled `caption` with `text` (lines split at
// '\n') and one OK button, centred on the default screen, and blocks until it
// is dismissed (OK, a dismissing key, or the window closed). NotShown when no
// X display could be opened; X errors and a lost connection end the dialog
// (Ended), never the process, and so do `interrupts`, in any phase.
NoticeResult show_x11_dialog(const char* text, const char* caption, NoticeInterrupts& interrupts);

#endif  // KESTRABIN_NOTICE_LINUX_X11_X11_DIALOG_H_
