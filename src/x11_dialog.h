#ifndef KESTRABIN_X11_DIALOG_H_
#define KESTRABIN_X11_DIALOG_H_

enum class DialogResult {
  NoDisplay,  // no X display could be opened; nothing was shown
  Dismissed,  // the user pressed OK, a dismissing key, or closed the window
  Failed,     // the dialog ended on an X error or a lost connection
};

// Shows a small modal dialog titled `caption` with `text` (lines split at
// '\n') and one OK button, centred on the default screen, and blocks until it
// is dismissed. X errors and a lost connection end the dialog, never the
// process.
DialogResult show_x11_dialog(const char* text, const char* caption);

#endif  // KESTRABIN_X11_DIALOG_H_
