#include "desktop_dialog.h"
#include "notice.h"
#include "terminal_notice.h"
#include "x11_dialog.h"

// The desktop's own dialog tool first (screen readers see it, and it works
// under Wayland), then our own X dialog, then the controlling terminal. A way
// that showed something and then failed, or was interrupted, is not followed
// by the next: the user may already have seen the notice.
bool show_notice(const char* text, const char* caption) {
  switch (show_desktop_dialog(text, caption)) {
    case DesktopDialogResult::Dismissed:
      return true;
    case DesktopDialogResult::Interrupted:
      return false;
    case DesktopDialogResult::NotShown:
      break;
  }
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
