#ifndef KESTRABIN_BENCH_NOTICE_CONTENDERS_H_
#define KESTRABIN_BENCH_NOTICE_CONTENDERS_H_

#include "notice_run.h"
#include "options.h"
#include "x_server.h"

// What shows the notice under one X server: kestrabin both ways, and the
// tools that show the same caption and text.
struct NoticeContenders {
  NoticeContender own_dialog;      // kestrabin with no dialog tool on PATH: its own X dialog
  NoticeContender desktop_dialog;  // kestrabin finding zenity on PATH, as on a desktop
  NoticeContender zenity;
  NoticeContender xmessage;
};

// Their files and scratch directories go under the options' scratch directory.
NoticeContenders notice_contenders(const Options& o, const XServer& server);

#endif  // KESTRABIN_BENCH_NOTICE_CONTENDERS_H_
