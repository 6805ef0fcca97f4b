#include "notice/linux/x11/x11_icon.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <array>

#include "x11_icon_pixels.h"

void set_window_icon(Display* display, Window window) {
  const Atom icon = XInternAtom(display, "_NET_WM_ICON", False);
  // Xlib takes 32-bit property items as longs; the icon goes in pieces so
  // that no copy of it all is needed.
  constexpr std::size_t kPiece = 512;
  std::array<long, kPiece> piece{};
  int mode = PropModeReplace;
  for (std::size_t start = 0; start < kIconPixels.size(); start += kPiece) {
    const std::size_t count = std::min(kPiece, kIconPixels.size() - start);
    std::copy_n(kIconPixels.begin() + static_cast<std::ptrdiff_t>(start), count, piece.begin());
    XChangeProperty(display, window, icon, XA_CARDINAL, 32, mode,
                    reinterpret_cast<const unsigned char*>(piece.data()), static_cast<int>(count));
    mode = PropModeAppend;
  }
}
