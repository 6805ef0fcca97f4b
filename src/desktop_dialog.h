#ifndef KESTRABIN_DESKTOP_DIALOG_H_
#define KESTRABIN_DESKTOP_DIALOG_H_

enum class DesktopDialogResult {
  NotShown,     // no display, no dialog tool, or each one failed before showing anything
  Dismissed,    // the tool showed the notice and it was closed
  Interrupted,  // a hang-up, Ctrl-C or kill ended the wait, and the tool with it
};

// Shows the notice with the desktop's own dialog tool (kdialog on KDE, then
// zenity), found on PATH, when the session has a display: screen readers see
// such a dialog, and it works under Wayland as well as X. Blocks until it is
// dismissed. Nothing the tool writes reaches our console.
DesktopDialogResult show_desktop_dialog(const char* text, const char* caption);

#endif  // KESTRABIN_DESKTOP_DIALOG_H_
