# clang-tidy over the sources, in one of two parts:
#   cmake -DPART=linux -DBUILD_DIR=... -DSOURCE_DIR=... -P clang_tidy.cmake
#     every Linux source, test and benchmark file the build compiles, as
#     compile_commands.json lists them;
#   cmake -DPART=win32 -DWIN32_BUILD_DIR=... -DSOURCE_DIR=... -P clang_tidy.cmake
#     the Windows sources, as the win32 build compiles them; without that
#     build it says SKIPPED and why.
find_program(CLANG_TIDY NAMES clang-tidy clang-tidy-14 REQUIRED)

if(PART STREQUAL "linux")
  file(READ ${BUILD_DIR}/compile_commands.json commands)
  string(JSON count LENGTH "${commands}")
  math(EXPR last "${count} - 1")
  set(files)
  foreach(i RANGE ${last})
    string(JSON file GET "${commands}" ${i} file)
    if(file MATCHES "^${SOURCE_DIR}/(src|tests|bench)/")
      list(APPEND files ${file})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES files)
  # Two at a time: the test headers make each file slow.
  list(JOIN files "\n" file_list)
  file(WRITE ${BUILD_DIR}/clang-tidy-files.txt "${file_list}\n")
  execute_process(COMMAND xargs -P 2 -n 4 ${CLANG_TIDY} -p ${BUILD_DIR} --quiet
                  INPUT_FILE ${BUILD_DIR}/clang-tidy-files.txt RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "clang-tidy found problems")
  endif()
elseif(PART STREQUAL "win32")
  # Clang parses them for the MinGW target with the cross compiler's own headers.
  if(NOT EXISTS ${WIN32_BUILD_DIR}/compile_commands.json)
    message("SKIPPED: ${WIN32_BUILD_DIR}/compile_commands.json is missing: the win32 preset makes it")
    return()
  endif()
  # Every Windows source, in whatever folder under src/, and the tests' own.
  file(GLOB_RECURSE win32_sources ${SOURCE_DIR}/src/*-win32.cc ${SOURCE_DIR}/tests/*-win32.cc)
  file(GLOB mingw_gcc LIST_DIRECTORIES true /usr/lib/gcc/i686-w64-mingw32/*-win32)
  list(GET mingw_gcc 0 mingw_gcc)
  execute_process(COMMAND ${CLANG_TIDY} -p ${WIN32_BUILD_DIR} --quiet
                  --extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc++
                  --extra-arg=-isystem${mingw_gcc}/include/c++
                  --extra-arg=-isystem${mingw_gcc}/include/c++/i686-w64-mingw32
                  --extra-arg=-isystem/usr/i686-w64-mingw32/include ${win32_sources}
                  RESULT_VARIABLE win32_status)
  if(NOT win32_status EQUAL 0)
    message(FATAL_ERROR "clang-tidy found problems in the Windows sources")
  endif()
else()
  message(FATAL_ERROR "PART must be linux or win32")
endif()
