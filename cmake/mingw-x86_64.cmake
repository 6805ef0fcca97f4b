# The same program for 64-bit Windows, from the same sources: what the Wine
# suites run on machines that cannot execute 32-bit x86 code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
