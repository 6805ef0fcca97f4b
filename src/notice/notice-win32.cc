#include <windows.h>

#include "notice.h"

// With MB_OK every way of dismissing the box (OK, Return, Escape, the close
// box) returns IDOK; a failure returns 0, and Wine returns -1.
bool show_notice(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_OK) == IDOK;
}
