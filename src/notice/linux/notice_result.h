#ifndef KESTRABIN_NOTICE_LINUX_NOTICE_RESULT_H_
#define KESTRABIN_NOTICE_LINUX_NOTICE_RESULT_H_

// How one way of showing the notice ended. The Linux notice tries its ways in
// turn, and only a way that showed nothing lets the next one try: once the
// user may have seen the notice, a second one would be one too many.
enum class NoticeResult {
  NotShown,   // nothing was shown: no display, no dialog tool, no terminal
  Dismissed,  // the user acknowledged it
  Ended,      // it was shown and then ended otherwise: an X error, a lost
              // connection, a hang-up, Ctrl-C or a kill
};

#endif  // KESTRABIN_NOTICE_LINUX_NOTICE_RESULT_H_
