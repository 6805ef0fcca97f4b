#include "notice.h"
#include "terminal_notice.h"
#include "x11_dialog.h"

// A dialog when there is a display, the controlling terminal otherwise. A
// display that opened but failed mid-way is not retried on the terminal: the
// user may already have seen the dialog.
bool show_notice(const char* text, const char* caption) {
  switch (show_x11_dialog(text, caption)) {
    case DialogResult::Dismissed:
      return true;
    case DialogResult::Failed:
      return false;
    case DialogResult::NoDisplay:
      break;
  }
  return show_terminal_notice(text, caption);
}
