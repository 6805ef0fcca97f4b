# Checks the Windows zip: one folder holding the built program, the readme,
# the licence and the Explorer scripts, all texts with Windows line ends.
# cmake -DZIP=... -DPROGRAM=... -DREADME=... -DLICENSE=... -DSCRATCH=... -P check-zip.cmake
cmake_minimum_required(VERSION 3.25)

string(REGEX REPLACE "\\.zip$" "" folder "${ZIP}")
get_filename_component(folder "${folder}" NAME)

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing
                COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" entries "${listing}")
list(FILTER entries EXCLUDE REGEX "(^$|/$)")
list(SORT entries)
set(expected "${folder}/LICENSE.txt" "${folder}/README.txt" "${folder}/add-to-explorer.cmd"
    "${folder}/kestrabin.exe" "${folder}/remove-from-explorer.cmd" "${folder}/send-to.js")
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

# The licence is the project's, word for word, line ends apart.
file(READ ${LICENSE} license)
file(READ ${unpacked}/LICENSE.txt zipped_license)
string(REPLACE "\r\n" "\n" zipped_license "${zipped_license}")
if(NOT zipped_license STREQUAL license)
  message(FATAL_ERROR "the zipped LICENSE.txt is not ${LICENSE}")
endif()

# Notepad before Windows 10 shows a file with bare line feeds on one line:
# every file in the zip but the program is a text. Read as hex bytes,
# ";"-separated, since file(READ) as text drops carriage returns.
set(texts ${entries})
list(FILTER texts EXCLUDE REGEX "/kestrabin\\.exe$")
foreach(text IN LISTS texts)
  file(READ ${SCRATCH}/${text} content HEX)
  string(REGEX REPLACE "(..)" ";\\1" bytes "${content}")
  string(REPLACE ";0d;0a" ";crlf" line_ends "${bytes}")
  list(FILTER line_ends INCLUDE REGEX "^crlf$")
  list(FILTER bytes INCLUDE REGEX "^0a$")
  list(LENGTH bytes feeds)
  list(LENGTH line_ends crlfs)
  if(feeds EQUAL 0 OR NOT feeds EQUAL crlfs)
    message(FATAL_ERROR "${text}: ${feeds} line feeds, only ${crlfs} of them after a carriage return")
  endif()
endforeach()
message(STATUS "ok: ${ZIP}: ${entries}")
