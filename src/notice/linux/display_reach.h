#ifndef KESTRABIN_NOTICE_LINUX_DISPLAY_REACH_H_
#define KESTRABIN_NOTICE_LINUX_DISPLAY_REACH_H_

class NoticeInterrupts;

// The display that the environment variable `variable` (DISPLAY,
// WAYLAND_DISPLAY) names, or nullptr when it is unset or empty.
const char* named_display(const char* variable);

// Whether a display the session names answers, found out within a few
// seconds: a dialog tool started on one that never answers (a stopped server,
// a dead forwarded connection, an authorization file that blocks) would wait
// for it for ever.
enum class DisplayReach {
  Answers,
  NoAnswer,     // none named, refused, broken, or silent until the deadline
  Interrupted,  // a hang-up, Ctrl-C or kill came first
};

// The X server that DISPLAY names: its connection set up, with the
// authorization any X client of this session would use.
DisplayReach reach_x_display(const NoticeInterrupts& interrupts);

// The Wayland compositor that WAYLAND_DISPLAY names (in XDG_RUNTIME_DIR, or
// an absolute path): one round trip.
DisplayReach reach_wayland_display(const NoticeInterrupts& interrupts);

#endif  // KESTRABIN_NOTICE_LINUX_DISPLAY_REACH_H_
