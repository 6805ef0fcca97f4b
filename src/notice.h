#ifndef KESTRABIN_NOTICE_H_
#define KESTRABIN_NOTICE_H_

// Shows one modal notice carrying `caption` and `text` with a single way to
// acknowledge it, and returns once the user has done so. Returns false when
// the notice could not be shown or ended abnormally; callers may ignore that.
// Each platform has its own implementation file, chosen by the build.
bool show_notice(const char* text, const char* caption);

#endif  // KESTRABIN_NOTICE_H_
