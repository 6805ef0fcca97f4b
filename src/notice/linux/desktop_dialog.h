#ifndef KESTRABIN_NOTICE_LINUX_DESKTOP_DIALOG_H_
#define KESTRABIN_NOTICE_LINUX_DESKTOP_DIALOG_H_

#include "notice/linux/notice_result.h"

class NoticeInterrupts;

// Shows the notice with the desktop's own dialog tool (kdialog on KDE, then
// zenity), found on PATH, when the session has a display that answers:
// screen readers see such a dialog, and it works under Wayland as well as X.
// Blocks until it is dismissed. Nothing the tool writes reaches our console.
// A display that does not answer is taken out of the environment, for the
// tool and the rest of the notice alike. NotShown when no display answers or
// there is no tool, or each failed before showing anything; Ended when the
// tool ended in a way that may have followed its window (a signal, an
// unknown status), or `interrupts` ended the wait, and the tool with it.
NoticeResult show_desktop_dialog(const char* text, const char* caption,
                                 NoticeInterrupts& interrupts);

#endif  // KESTRABIN_NOTICE_LINUX_DESKTOP_DIALOG_H_
