# Read by cpack once per generator (CPACK_PROJECT_CONFIG_FILE). The lintian
# override is for Debian's tools only: the RPM holds just a plain install.
if(CPACK_GENERATOR STREQUAL "RPM")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_KESTRABIN_PLAIN_INSTALL}")
endif()
