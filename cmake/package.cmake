# The packages: a Debian package and an RPM from the Linux build, a zip from
# the Windows one. `cpack` in a build tree makes its platform's default package
# (the .deb on Linux); `cpack -G RPM` the RPM. scripts/release.sh makes them all.
include(${CMAKE_CURRENT_LIST_DIR}/install.cmake)

set(CPACK_PACKAGE_NAME kestrabin)
set(CPACK_PACKAGE_VENDOR "the Kestrabin developers")
set(CPACK_PACKAGE_CONTACT "Kestrabin developers <kestrabin-support@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set the version byte of SWF movies to 9, in place")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrabin overwrites the version byte of a SWF movie (FWS or CWS) with 9 and
changes nothing else in the file. Drop a movie onto its icon, or run it with
the file's path; a notice and the exit status say what happened.")
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
# Every staged file and folder gets the commit's time when SOURCE_DATE_EPOCH
# is set, so that the archives do not record when the tree was checked out.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-times.cmake)
# Per generator: which install components each package holds.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-generator.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kestrabin-${PROJECT_VERSION}-${KESTRABIN_WINDOWS_NAME})
  set(KESTRABIN_PACKAGE ${CPACK_OUTPUT_FILE_PREFIX}/${CPACK_PACKAGE_FILE_NAME}.zip)
else()
  set(CPACK_GENERATOR DEB)
  # The Windows program is linked stripped; the Linux one is stripped here.
  set(CPACK_STRIP_FILES ON)
  # Debian's name for the target's architecture; a cross build cannot ask dpkg.
  if(CMAKE_CROSSCOMPILING)
    set(kestrabin_deb_arches aarch64 arm64 x86_64 amd64 i686 i386)
    list(FIND kestrabin_deb_arches ${CMAKE_SYSTEM_PROCESSOR} kestrabin_arch_index)
    if(kestrabin_arch_index LESS 0)
      message(FATAL_ERROR "no Debian architecture known for ${CMAKE_SYSTEM_PROCESSOR}")
    endif()
    math(EXPR kestrabin_arch_index "${kestrabin_arch_index} + 1")
    list(GET kestrabin_deb_arches ${kestrabin_arch_index} kestrabin_deb_arch)
  else()
    execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE kestrabin_deb_arch
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${kestrabin_deb_arch})
  set(CPACK_DEBIAN_FILE_NAME kestrabin_${PROJECT_VERSION}_${kestrabin_deb_arch}.deb)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The program is static: it depends on nothing, not even the C library.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The desktop's dialog is the notice screen readers see; a weak relation,
  # so a minimal system may still leave it out.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog")
  # Everything a plain install has, plus the files only a Debian package wants
  # (package-generator.cmake leaves those out of the RPM).
  set(CPACK_KESTRABIN_PLAIN_INSTALL "${CMAKE_BINARY_DIR};kestrabin;Unspecified;/")
  set(CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_KESTRABIN_PLAIN_INSTALL}
      "${CMAKE_BINARY_DIR};kestrabin;debian;/")
  set(KESTRABIN_PACKAGE ${CPACK_OUTPUT_FILE_PREFIX}/${CPACK_DEBIAN_FILE_NAME})

  # The RPM: the same files as a plain install, under /usr.
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_RPM_PACKAGE_RELEASE 1)
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_PACKAGE_GROUP "Applications/File")
  set(CPACK_RPM_PACKAGE_SUMMARY "Set the version byte of SWF movies to 9, in place")
  set(CPACK_RPM_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  # Not relocatable: the launcher and the actions find the program on PATH.
  set(CPACK_RPM_PACKAGE_RELOCATABLE OFF)
  # The folders the system or the icon theme own; the package owns only its own.
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
      /usr/share/applications /usr/share/icons /usr/share/icons/hicolor
      /usr/share/icons/hicolor/scalable /usr/share/icons/hicolor/scalable/apps
      /usr/share/man /usr/share/man/man1)
  foreach(size IN LISTS KESTRABIN_ICON_SIZES)
    list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
         /usr/share/icons/hicolor/${size}x${size} /usr/share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  # Two builds of the same commit give the same RPM: no host name, the
  # commit's time as the build time and as every file's latest time, and no
  # build-id links (rpm would add /usr/lib/.build-id to the package).
  set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _build_id_links none
# CPack names no weak relations but Suggests; rpmbuild takes this preamble tag too.
Recommends: (zenity or kdialog)")

  # The RPM changelog, written from the Debian one: the same entries, each
  # headed "* Day Mon DD YYYY Name <mail> - version-release".
  file(READ packaging/linux/changelog kestrabin_changes)
  string(REPLACE ";" "%semicolon%" kestrabin_changes "${kestrabin_changes}")
  string(REPLACE "\n" ";" kestrabin_changes "${kestrabin_changes}")
  set(kestrabin_rpm_changelog "")
  set(kestrabin_items "")
  foreach(line IN LISTS kestrabin_changes)
    if(line MATCHES "^kestrabin \\(([^)]+)\\)")
      set(kestrabin_entry_version ${CMAKE_MATCH_1})
    elseif(line MATCHES "^  \\* (.*)")
      string(APPEND kestrabin_items "- ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^    (.*)")
      string(APPEND kestrabin_items "  ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^ -- (.+)  ([A-Z][a-z][a-z]), ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ")
      string(APPEND kestrabin_rpm_changelog "* ${CMAKE_MATCH_2} ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} "
             "${CMAKE_MATCH_5} ${CMAKE_MATCH_1} - ${kestrabin_entry_version}-"
             "${CPACK_RPM_PACKAGE_RELEASE}\n${kestrabin_items}\n")
      set(kestrabin_items "")
    endif()
  endforeach()
  string(REPLACE "%semicolon%" ";" kestrabin_rpm_changelog "${kestrabin_rpm_changelog}")
  file(WRITE ${CMAKE_BINARY_DIR}/rpm-changelog "${kestrabin_rpm_changelog}")
  set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_BINARY_DIR}/rpm-changelog)
endif()

include(CPack)
