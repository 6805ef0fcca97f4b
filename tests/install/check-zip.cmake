# Checks the Windows zip: one folder holding the built program and the readme,
# the readme with Windows line ends.
# cmake -DZIP=... -DPROGRAM=... -DREADME=... -DSCRATCH=... -P check-zip.cmake
cmake_minimum_required(VERSION 3.25)

string(REGEX REPLACE "\\.zip$" "" folder "${ZIP}")
get_filename_component(folder "${folder}" NAME)

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing
                COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" entries "${listing}")
list(FILTER entries EXCLUDE REGEX "(^$|/$)")
list(SORT entries)
set(expected "${folder}/README.txt" "${folder}/kestrabin.exe")
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "zip holds [${entries}], expected [${expected}]")
endif()

file(REMOVE_RECURSE ${SCRATCH})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${SCRATCH})
set(unpacked ${SCRATCH}/${folder})

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${PROGRAM} ${unpacked}/kestrabin.exe
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "the zipped kestrabin.exe is not the built ${PROGRAM}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${README} ${unpacked}/README.txt
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "the zipped README.txt is not ${README}")
endif()

# Notepad before Windows 10 shows a file with bare line feeds on one line.
# Read as hex bytes, ";"-separated, since file(READ) as text drops carriage returns.
file(READ ${unpacked}/README.txt readme HEX)
string(REGEX REPLACE "(..)" ";\\1" bytes "${readme}")
string(REPLACE ";0d;0a" ";crlf" line_ends "${bytes}")
list(FILTER line_ends INCLUDE REGEX "^crlf$")
list(FILTER bytes INCLUDE REGEX "^0a$")
list(LENGTH bytes feeds)
list(LENGTH line_ends crlfs)
if(feeds EQUAL 0 OR NOT feeds EQUAL crlfs)
  message(FATAL_ERROR "README.txt: ${feeds} line feeds, only ${crlfs} of them after a carriage return")
endif()
message(STATUS "ok: ${ZIP}: ${entries}")
