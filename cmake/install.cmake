# The licence is LICENSE at the root of the tree; the packages carry it as
# their systems expect: with Windows line ends beside the Windows program,
# in Debian's machine-readable form in the Linux packages.

# Where `cmake --install` and the packages put things.
if(WIN32)
  # A folder to unzip anywhere: the program, its readme and its licence side
  # by side, and the scripts that add it to Explorer's menus and take it away.
  string(REPLACE "\n" "\r\n" kestrabin_license_crlf "${KESTRABIN_LICENSE_TEXT}")
  set(KESTRABIN_LICENSE_TXT ${KESTRABIN_GENERATED}/LICENSE.txt)
  file(WRITE ${KESTRABIN_LICENSE_TXT} "${kestrabin_license_crlf}")
  install(TARGETS kestrabin RUNTIME DESTINATION .)
  install(FILES packaging/windows/README.txt ${KESTRABIN_LICENSE_TXT}
          packaging/windows/add-to-explorer.cmd packaging/windows/remove-from-explorer.cmd
          packaging/windows/send-to.js DESTINATION .)
  return()
endif()

# Debian's copyright file: the copyright, then the licence's text, each line
# indented by one blank and an empty one written " .".
string(FIND "${KESTRABIN_LICENSE_TEXT}" "Permission is hereby granted" kestrabin_body_at)
string(SUBSTRING "${KESTRABIN_LICENSE_TEXT}" ${kestrabin_body_at} -1 kestrabin_body)
string(STRIP "${kestrabin_body}" kestrabin_body)
string(REPLACE "\n\n" "\n.\n" kestrabin_body "${kestrabin_body}")
string(REPLACE "\n" "\n " KESTRABIN_LICENSE_BODY " ${kestrabin_body}")
configure_file(packaging/linux/copyright.in ${KESTRABIN_GENERATED}/copyright @ONLY)

include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS kestrabin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/linux/kestrabin.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The launcher claims no file type, so a file manager reaches the program for a
# movie through these context-menu actions: KDE's service menus and Nemo's.
install(FILES packaging/linux/kestrabin-servicemenu.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus RENAME kestrabin.desktop)
install(FILES packaging/linux/kestrabin.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions)
install(FILES data/icons/kestrabin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(KESTRABIN_ICON_SIZES 16 24 32 48 64 128 256)
foreach(size IN LISTS KESTRABIN_ICON_SIZES)
  install(FILES data/icons/kestrabin-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME kestrabin.png)
endforeach()

# Manual pages and changelogs go in compressed, without a time stamp in the
# gzip header, so that two builds of the package are byte for byte the same.
function(kestrabin_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source} VERBATIM)
endfunction()
set(kestrabin_gz ${CMAKE_CURRENT_BINARY_DIR}/gz)
file(MAKE_DIRECTORY ${kestrabin_gz})
# The manual page carries the project's version and its date.
configure_file(packaging/linux/kestrabin.1.in ${KESTRABIN_GENERATED}/kestrabin.1 @ONLY)
kestrabin_gzip(${KESTRABIN_GENERATED}/kestrabin.1 ${kestrabin_gz}/kestrabin.1.gz)
kestrabin_gzip(${CMAKE_CURRENT_SOURCE_DIR}/packaging/linux/changelog ${kestrabin_gz}/changelog.gz)
add_custom_target(kestrabin_docs ALL
  DEPENDS ${kestrabin_gz}/kestrabin.1.gz ${kestrabin_gz}/changelog.gz)

install(FILES ${kestrabin_gz}/kestrabin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KESTRABIN_GENERATED}/copyright ${kestrabin_gz}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Only the Debian package carries this (see package.cmake).
install(FILES packaging/linux/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kestrabin
        COMPONENT debian EXCLUDE_FROM_ALL)

# A stripped install (cpack, or `cmake --install --strip`) also drops the
# compiler's notes, which nothing at run time reads.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kestrabin\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")

# File managers find the handlers of a type through the applications folder's
# cache; rebuilding it drops the SWF claim an older launcher made there. A
# staged install (DESTDIR, as cpack makes) leaves that to dpkg's triggers.
install(CODE [[
  find_program(KESTRABIN_UPDATE_DESKTOP_DATABASE update-desktop-database)
  if("$ENV{DESTDIR}" STREQUAL "" AND KESTRABIN_UPDATE_DESKTOP_DATABASE)
    message(STATUS "Updating: ${CMAKE_INSTALL_PREFIX}/share/applications/mimeinfo.cache")
    execute_process(COMMAND "${KESTRABIN_UPDATE_DESKTOP_DATABASE}"
                            "${CMAKE_INSTALL_PREFIX}/share/applications")
  endif()
]])
