#include <windows.h>

#include "notice.h"

bool show_notice(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_OK) != 0;
}
