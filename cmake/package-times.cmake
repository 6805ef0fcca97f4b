# Run by cpack after staging a package's files (CPACK_PRE_BUILD_SCRIPTS): with
# SOURCE_DATE_EPOCH set, every staged file and folder gets that time, so the
# archive records neither the checkout's nor the build's time.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND find ${CPACK_TEMPORARY_INSTALL_DIRECTORY}
                          -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
