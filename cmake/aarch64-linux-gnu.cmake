# Cross-building the arm64 Linux program with Debian's cross compiler. The
# static X archives come from the :arm64 -dev packages, installed side by side
# with the build machine's own (multiarch); the headers in /usr/include serve both.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# find_library then looks in /usr/lib/aarch64-linux-gnu, and never in the
# build machine's multiarch directory.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# A cross gcc asks for lld as aarch64-linux-gnu-ld.lld, which Debian does not
# ship; a folder holding just ld.lld, searched first (-B), lets the
# -fuse-ld=lld of cmake/linux.cmake find the one lld that links every target.
find_program(KESTRABIN_LLD ld.lld)
if(KESTRABIN_LLD)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/lld)
  file(CREATE_LINK ${KESTRABIN_LLD} ${CMAKE_BINARY_DIR}/lld/ld.lld SYMBOLIC)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-B${CMAKE_BINARY_DIR}/lld/")
endif()
