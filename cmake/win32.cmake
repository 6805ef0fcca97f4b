# The Windows notice is USER32's MessageBoxA; the C runtime is the system's
# msvcrt.dll, and everything from the compiler is linked in.
target_sources(kestrabin PRIVATE src/notice-win32.cc)
target_link_libraries(kestrabin PRIVATE user32)
target_link_options(kestrabin PRIVATE -static -s)

# The icon, the version shown in Explorer and the manifest, compiled by windres.
enable_language(RC)
target_sources(kestrabin PRIVATE src/resources-win32.rc)
set_property(SOURCE src/resources-win32.rc APPEND PROPERTY
  INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/data/icons ${CMAKE_SOURCE_DIR}/src)
set_property(SOURCE src/resources-win32.rc APPEND PROPERTY
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/data/icons/kestrabin.ico
  ${CMAKE_SOURCE_DIR}/src/kestrabin.manifest)
