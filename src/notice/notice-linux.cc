#include <array>

#include "notice.h"
#include "notice/linux/desktop_dialog.h"
#include "notice/linux/notice_interrupts.h"
#include "notice/linux/notice_result.h"
#include "notice/linux/terminal_notice.h"
#include "notice/linux/x11/x11_dialog.h"

namespace {

using NoticeWay = NoticeResult (*)(const char* text, const char* caption,
                                   NoticeInterrupts& interrupts);

// The desktop's own dialog tool first (screen readers see it, and it works
// under Wayland), then our own X dialog, then the controlling terminal.
constexpr std::array<NoticeWay, 3> kNoticeWays{show_desktop_dialog, show_x11_dialog,
                                               show_terminal_notice};

}  // namespace

// Each way is tried only while the ones before it showed nothing: a way that
// showed the notice and then failed, or was interrupted, is not followed by
// the next, since the user may already have seen it. A hang-up, Ctrl-C or kill
// in any phase, between two ways included, ends the notice and not the run.
bool show_notice(const char* text, const char* caption) {
  NoticeInterrupts interrupts;
  for (const NoticeWay show : kNoticeWays) {
    const NoticeResult result = show(text, caption, interrupts);
    if (result != NoticeResult::NotShown) {
      return result == NoticeResult::Dismissed;
    }
    if (interrupts.pending()) {
      return false;
    }
  }
  return false;
}
