# The Linux notice: an Xlib dialog, or the controlling terminal without one.
target_sources(kestrabin PRIVATE src/notice-linux.cc src/x11_dialog.cc src/terminal_notice.cc)

if(KESTRABIN_STATIC)
  # Static archives of Xlib and XCB: the program starts without any shared
  # library, so it runs where no X library is installed, and it loads fastest.
  foreach(lib X11 xcb Xau Xdmcp)
    find_library(KESTRABIN_${lib}_ARCHIVE NAMES lib${lib}.a REQUIRED)
    list(APPEND kestrabin_x_libraries ${KESTRABIN_${lib}_ARCHIVE})
  endforeach()
  target_link_options(kestrabin PRIVATE -static)
else()
  find_package(X11 REQUIRED)
  set(kestrabin_x_libraries X11::X11)
endif()
find_path(KESTRABIN_X11_INCLUDE X11/Xlib.h REQUIRED)
target_include_directories(kestrabin SYSTEM PRIVATE ${KESTRABIN_X11_INCLUDE})
target_link_libraries(kestrabin PRIVATE ${kestrabin_x_libraries})
