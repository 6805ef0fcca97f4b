#include "notice/linux/x11/x11_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Sizes at 96 dpi, the resolution desktops call 100 %.
constexpr double kReferenceDpi = 96.0;
constexpr double kPointsPerInch = 72.0;
constexpr double kTextPoints = 10.0;
constexpr int kPadding = 16;
constexpr int kLineGap = 3;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kButtonMargin = 6;  // around the label, inside the button
constexpr int kMinTextWidth = 200;
// Below this size the server's outline rasteriser drops thin stems (i, l):
// a small screen gets tighter spacing instead.
constexpr int kSmallestPixelSize = 11;
constexpr int kFitAttempts = 8;

int scaled(int size, double scale) {
  return std::max(1, static_cast<int>(std::lround(size * scale)));
}

// Scalable outline fonts first, each asked for at the pixel size: a sans
// (gsfonts-x11), then the serif that xfonts-scalable brings; then bitmap
// Helvetica, and the fixed font the server scales itself, which every server has.
XFontStruct* load_font(Display* display, int pixel_size) {
  struct FontName {
    const char* before_size;
    const char* after_size;
  };
  constexpr std::array kNames{
      FontName{"-urw-nimbus sans l-regular-r-normal--", "-*-*-*-p-*-iso8859-1"},
      FontName{"-bitstream-bitstream charter-medium-r-normal--", "-*-*-*-p-*-iso8859-1"},
      FontName{"-*-helvetica-medium-r-normal--", "-*-*-*-p-*-iso8859-1"},
      FontName{"-misc-fixed-medium-r-*--", "-*-*-*-c-*-iso8859-1"},
  };
  for (const FontName& font_name : kNames) {
    std::array<char, 96> name{};
    std::snprintf(name.data(), name.size(), "%s%d%s", font_name.before_size, pixel_size,
                  font_name.after_size);
    if (XFontStruct* font = XLoadQueryFont(display, name.data())) {
      return font;
    }
  }
  return XLoadQueryFont(display, "fixed");
}

void split_lines(const char* text, DialogLayout& layout) {
  layout.line_count = 0;
  const char* start = text;
  while (layout.line_count < DialogLayout::kMaxLines) {
    const char* end = std::strchr(start, '\n');
    const int length =
        end != nullptr ? static_cast<int>(end - start) : static_cast<int>(std::strlen(start));
    layout.lines[layout.line_count++] = TextLine{start, length};
    if (end == nullptr) {
      break;
    }
    start = end + 1;
  }
}

// OK sits centred at the bottom, also when the window was cut to the monitor.
void place_button(DialogLayout& layout) {
  layout.button.x =
      static_cast<short>(std::max(0, (layout.window.width - layout.button.width) / 2));
  layout.button.y =
      static_cast<short>(std::max(0, layout.window.height - layout.padding - layout.button.height));
}

// The layout of `layout.lines` in `font`, everything else scaled by `scale`.
void measure(XFontStruct* font, double scale, DialogLayout& layout) {
  layout.padding = scaled(kPadding, scale);
  layout.stroke = scaled(1, scale);
  layout.ascent = font->ascent;
  layout.line_height = text_height(font) + scaled(kLineGap, scale);
  int text_width = scaled(kMinTextWidth, scale);
  for (std::size_t i = 0; i < layout.line_count; ++i) {
    text_width =
        std::max(text_width, XTextWidth(font, layout.lines[i].start, layout.lines[i].length));
  }
  const int label_width = XTextWidth(font, kOkLabel.data(), static_cast<int>(kOkLabel.size()));
  const int button_width = std::max(scaled(kButtonWidth, scale), label_width + 2 * layout.padding);
  const int button_height =
      std::max(scaled(kButtonHeight, scale), text_height(font) + 2 * scaled(kButtonMargin, scale));
  layout.button.width = static_cast<unsigned short>(button_width);
  layout.button.height = static_cast<unsigned short>(button_height);
  layout.window.width = std::max(text_width, button_width) + 2 * layout.padding;
  layout.window.height = layout.padding + static_cast<int>(layout.line_count) * layout.line_height +
                         layout.padding + button_height + layout.padding;
}

// How much the layout must shrink to fit the monitor: 1 when it fits.
double fit_factor(const DialogLayout& layout, const MonitorArea& monitor) {
  return std::min({1.0, static_cast<double>(monitor.place.width) / layout.window.width,
                   static_cast<double>(monitor.place.height) / layout.window.height});
}

}  // namespace

int text_height(const XFontStruct* font) { return font->ascent + font->descent; }

XFontStruct* lay_out_dialog(Display* display, const char* text, const MonitorArea& monitor,
                            double dpi, DialogLayout& layout) {
  split_lines(text, layout);
  double scale = dpi / kReferenceDpi;
  int pixel_size = static_cast<int>(std::lround(kTextPoints * dpi / kPointsPerInch));
  XFontStruct* font = nullptr;
  int loaded_size = 0;
  for (int attempt = 1;; ++attempt) {
    if (pixel_size != loaded_size) {
      if (font != nullptr) {
        XFreeFont(display, font);
      }
      font = load_font(display, pixel_size);
      loaded_size = pixel_size;
    }
    if (font == nullptr) {
      return nullptr;
    }
    measure(font, scale, layout);
    // Text does not shrink exactly in step with its size: measure again.
    const double fit = fit_factor(layout, monitor);
    if (fit >= 1.0 || attempt == kFitAttempts) {
      break;
    }
    scale *= fit;
    pixel_size = std::max(kSmallestPixelSize, static_cast<int>(pixel_size * fit));
  }
  RootRect& window = layout.window;
  const RootRect& area = monitor.place;
  window.width = std::min(window.width, area.width);
  window.height = std::min(window.height, area.height);
  place_button(layout);
  window.x = area.x + (area.width - window.width) / 2;
  window.y = area.y + (area.height - window.height) / 2;
  return font;
}
