# Runs clang-tidy over every Linux source and test file the build compiles,
# as compile_commands.json lists them. cmake -DBUILD_DIR=... -DSOURCE_DIR=... -P
file(READ ${BUILD_DIR}/compile_commands.json commands)
string(JSON count LENGTH "${commands}")
math(EXPR last "${count} - 1")
set(files)
foreach(i RANGE ${last})
  string(JSON file GET "${commands}" ${i} file)
  if(file MATCHES "^${SOURCE_DIR}/(src|tests)/")
    list(APPEND files ${file})
  endif()
endforeach()
list(REMOVE_DUPLICATES files)
find_program(CLANG_TIDY NAMES clang-tidy clang-tidy-14 REQUIRED)
# Two at a time: the test headers make each file slow.
list(JOIN files "\n" file_list)
file(WRITE ${BUILD_DIR}/clang-tidy-files.txt "${file_list}\n")
execute_process(COMMAND xargs -P 2 -n 4 ${CLANG_TIDY} -p ${BUILD_DIR} --quiet
                INPUT_FILE ${BUILD_DIR}/clang-tidy-files.txt RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "clang-tidy found problems")
endif()
