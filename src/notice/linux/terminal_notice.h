#ifndef KESTRABIN_NOTICE_LINUX_TERMINAL_NOTICE_H_
#define KESTRABIN_NOTICE_LINUX_TERMINAL_NOTICE_H_

#include "notice/linux/notice_result.h"

class NoticeInterrupts;

// Writes the notice to the controlling terminal and waits there for Enter or
// end of file. Standard input and output are left alone: they may be files.
// NotShown when the process has no controlling terminal; Ended when it could
// not be written whole or `interrupts` ended the wait.
NoticeResult show_terminal_notice(const char* text, const char* caption,
                                  NoticeInterrupts& interrupts);

#endif  // KESTRABIN_NOTICE_LINUX_TERMINAL_NOTICE_H_
