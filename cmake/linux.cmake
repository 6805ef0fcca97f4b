# The Linux notice: the desktop's dialog tool, an Xlib dialog, or the
# controlling terminal. Compiled once, for the program and for the tests'
# copies of it alike.
# Every source of the Linux notice's folders, found by folder.
file(GLOB_RECURSE kestrabin_linux_notice CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/notice/linux/*.cc)
add_library(kestrabin_notice OBJECT src/notice/notice-linux.cc ${kestrabin_linux_notice})
target_link_libraries(kestrabin_notice PRIVATE kestrabin_core kestrabin_program_code)
target_link_libraries(kestrabin PRIVATE kestrabin_notice)

# The window icon's pixels are data (data/icons/kestrabin-window.argb, drawn
# by make-icons.py as 32-bit little-endian words); configuring turns them into
# the array x11_icon.cc includes, in the build tree.
set(kestrabin_icon_pixels ${CMAKE_CURRENT_SOURCE_DIR}/data/icons/kestrabin-window.argb)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kestrabin_icon_pixels})
file(READ ${kestrabin_icon_pixels} kestrabin_icon_hex HEX)
string(LENGTH "${kestrabin_icon_hex}" kestrabin_icon_digits)
math(EXPR KESTRABIN_ICON_WORDS "${kestrabin_icon_digits} / 8")
string(REGEX REPLACE "(..)(..)(..)(..)" "0x\\4\\3\\2\\1, " KESTRABIN_ICON_VALUES
       "${kestrabin_icon_hex}")
file(CONFIGURE OUTPUT ${KESTRABIN_GENERATED}/x11_icon_pixels.h @ONLY CONTENT [[
// Made by configuring from data/icons/kestrabin-window.argb.
#ifndef KESTRABIN_X11_ICON_PIXELS_H_
#define KESTRABIN_X11_ICON_PIXELS_H_

#include <array>
#include <cstdint>

// The window icon as _NET_WM_ICON takes it: for each size its width and
// height, then its pixels row by row as 0xAARRGGBB, not premultiplied.
inline constexpr std::array<std::uint32_t, @KESTRABIN_ICON_WORDS@> kIconPixels{
    @KESTRABIN_ICON_VALUES@};

#endif  // KESTRABIN_X11_ICON_PIXELS_H_
]])
target_include_directories(kestrabin_notice PRIVATE ${KESTRABIN_GENERATED})

# Xlib and RandR as shared libraries: for a dynamic build, and for the tests'
# copies of the program, which tools such as valgrind need dynamic.
if(NOT CMAKE_CROSSCOMPILING OR NOT KESTRABIN_STATIC)
  find_package(X11 REQUIRED)
  add_library(kestrabin_x_shared INTERFACE)
  target_link_libraries(kestrabin_x_shared INTERFACE X11::Xrandr X11::X11)
endif()
if(KESTRABIN_STATIC)
  # Static archives of Xlib and XCB: the program starts without any shared
  # library, so it runs where no X library is installed, and it loads fastest.
  # RandR (for the monitors) needs Xext and Xrender, and comes before them.
  foreach(lib Xrandr Xrender Xext X11 xcb Xau Xdmcp)
    find_library(KESTRABIN_${lib}_ARCHIVE NAMES lib${lib}.a REQUIRED)
    list(APPEND kestrabin_x_libraries ${KESTRABIN_${lib}_ARCHIVE})
  endforeach()
  target_link_options(kestrabin PRIVATE -static)
else()
  set(kestrabin_x_libraries kestrabin_x_shared)
endif()
find_path(KESTRABIN_X11_INCLUDE X11/Xlib.h REQUIRED)
target_include_directories(kestrabin_notice SYSTEM PRIVATE ${KESTRABIN_X11_INCLUDE})
target_link_libraries(kestrabin PRIVATE ${kestrabin_x_libraries})

# A run of the static program without a display executes a few hundred
# functions spread through some 1.2 MB of Xlib and C library code; lld
# gathers them (the list, data/startup-order.txt, comes from
# scripts/startup-order.sh) so that starting faults in far fewer pages. A name
# the program no longer has makes lld warn, and the lint test startup-order
# compares the list with a fresh one. A dynamic build has its libraries' code
# elsewhere, so the list is for the static build only.
include(CheckLinkerFlag)
check_linker_flag(CXX "-fuse-ld=lld" KESTRABIN_HAVE_LLD)
if(NOT KESTRABIN_STATIC)
  # nothing to order
elseif(KESTRABIN_HAVE_LLD)
  set(kestrabin_startup_order ${CMAKE_CURRENT_SOURCE_DIR}/data/startup-order.txt)
  target_link_options(kestrabin PRIVATE -fuse-ld=lld
                      LINKER:--symbol-ordering-file=${kestrabin_startup_order})
  if(CMAKE_CROSSCOMPILING)
    # The list is taken on x86-64, whose C library has functions of its own.
    target_link_options(kestrabin PRIVATE LINKER:--no-warn-symbol-ordering)
  endif()
  set_property(TARGET kestrabin APPEND PROPERTY LINK_DEPENDS ${kestrabin_startup_order})
else()
  message(STATUS "lld not found: linking without the start-up ordering (starts slower)")
endif()
