# The texts that name the version and are not made from it: the newest entry
# of the Debian changelog and the Windows readme's title. Fails when one names
# another version than project() does.
#   cmake -DVERSION=... -DSOURCE_DIR=... -P check_version.cmake
string(REPLACE "." "\\." version "${VERSION}")
function(expect_first_line file pattern)
  file(READ ${SOURCE_DIR}/${file} text LIMIT 200)
  string(REGEX MATCH "^[^\r\n]*" line "${text}")
  if(NOT line MATCHES "${pattern}")
    message(FATAL_ERROR "${file} begins \"${line}\", not with version ${VERSION}")
  endif()
endfunction()
expect_first_line(packaging/linux/changelog "^kestrabin \\(${version}\\) ")
expect_first_line(packaging/windows/README.txt "^Kestrabin ${version} for Windows$")
message(STATUS "the changelog and the Windows readme name version ${VERSION}")
