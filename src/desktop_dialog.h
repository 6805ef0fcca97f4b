#ifndef KESTRABIN_DESKTOP_DIALOG_H_
#define KESTRABIN_DESKTOP_DIALOG_H_

#include "notice_result.h"

// Shows the notice with the desktop's own dialog tool (kdialog on KDE, then
// zenity), found on PATH, when the session has a display: screen readers see
// such a dialog, and it works under Wayland as well as X. Blocks until it is
// dismissed. Nothing the tool writes reaches our console. NotShown when there
// is no display or no tool, or each failed before showing anything; Ended
// when a hang-up, Ctrl-C or kill ended the wait, and the tool with it.
NoticeResult show_desktop_dialog(const char* text, const char* caption);

#endif  // KESTRABIN_DESKTOP_DIALOG_H_
