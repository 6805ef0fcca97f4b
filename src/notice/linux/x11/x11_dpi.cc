#include "notice/linux/x11/x11_dpi.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr double kDefaultDpi = 96.0;
// Outside this range a value is a mistake (a monitor reporting its size in
// centimetres, say), not a screen anyone reads from.
constexpr double kLowestDpi = 48.0;
constexpr double kHighestDpi = 480.0;
constexpr double kMillimetresPerInch = 25.4;

bool plausible(double dpi) { return dpi >= kLowestDpi && dpi <= kHighestDpi; }

const char* skip_blanks(const char* p) {
  while (*p == ' ' || *p == '\t') {
    ++p;
  }
  return p;
}

// The value of "Xft.dpi: N" in the resource text the desktop stored on the
// root window (one "name:\tvalue" a line); 0 when absent or unreadable.
double resource_dpi(const char* resources) {
  constexpr const char* kName = "Xft.dpi";
  const std::size_t name_length = std::strlen(kName);
  for (const char* line = resources; line != nullptr && *line != '\0';) {
    if (std::strncmp(line, kName, name_length) == 0) {
      const char* value = skip_blanks(line + name_length);
      if (*value == ':') {
        char* end = nullptr;
        const double dpi = std::strtod(skip_blanks(value + 1), &end);
        return end != value + 1 && plausible(dpi) ? dpi : 0.0;
      }
    }
    line = std::strchr(line, '\n');
    if (line != nullptr) {
      ++line;
    }
  }
  return 0.0;
}

double measured_dpi(const MonitorArea& monitor) {
  if (monitor.height_mm <= 0) {
    return 0.0;
  }
  const double dpi = monitor.place.height * kMillimetresPerInch / monitor.height_mm;
  return plausible(dpi) ? dpi : 0.0;
}

}  // namespace

double dialog_dpi(Display* display, const MonitorArea& monitor) {
  if (const double dpi = resource_dpi(XResourceManagerString(display)); dpi > 0.0) {
    return dpi;
  }
  if (const double dpi = measured_dpi(monitor); dpi > 0.0) {
    return dpi;
  }
  return kDefaultDpi;
}
