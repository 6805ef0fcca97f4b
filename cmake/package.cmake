# The packages: a Debian package from the Linux build, a zip from the Windows
# one. `cpack` in either build tree makes its platform's package.
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

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kestrabin-${PROJECT_VERSION}-win32)
  set(KESTRABIN_PACKAGE ${CPACK_OUTPUT_FILE_PREFIX}/${CPACK_PACKAGE_FILE_NAME}.zip)
else()
  set(CPACK_GENERATOR DEB)
  # The Windows program is linked stripped; the Linux one is stripped here.
  set(CPACK_STRIP_FILES ON)
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE kestrabin_deb_arch
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${kestrabin_deb_arch})
  set(CPACK_DEBIAN_FILE_NAME kestrabin_${PROJECT_VERSION}_${kestrabin_deb_arch}.deb)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The program is static: it depends on nothing, not even the C library.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Everything a plain install has, plus the files only a Debian package wants.
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${CMAKE_BINARY_DIR};kestrabin;Unspecified;/" "${CMAKE_BINARY_DIR};kestrabin;debian;/")
  set(KESTRABIN_PACKAGE ${CPACK_OUTPUT_FILE_PREFIX}/${CPACK_DEBIAN_FILE_NAME})
endif()

include(CPack)

if(KESTRABIN_TESTS)
  enable_testing()
  add_subdirectory(tests/install)
endif()
