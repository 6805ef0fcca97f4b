# The Windows notice is USER32's MessageBoxA; the C runtime is the system's
# msvcrt.dll, and everything from the compiler is linked in.
target_sources(kestrabin PRIVATE src/notice/notice-win32.cc)
target_link_libraries(kestrabin PRIVATE user32)
target_link_options(kestrabin PRIVATE -static -s)

# Each build by its Windows name (the zip's suffix), and its architecture in
# the manifest's words.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KESTRABIN_WINDOWS_NAME win64)
  set(KESTRABIN_MANIFEST_ARCH amd64)
else()
  set(KESTRABIN_WINDOWS_NAME win32)
  set(KESTRABIN_MANIFEST_ARCH x86)
endif()
set(kestrabin_manifest_dir ${CMAKE_BINARY_DIR}/manifest)
configure_file(src/kestrabin.manifest.in ${kestrabin_manifest_dir}/kestrabin.manifest @ONLY)

# The icon, the version shown in Explorer and the manifest, compiled by windres.
enable_language(RC)
target_sources(kestrabin PRIVATE src/resources-win32.rc)
set_property(SOURCE src/resources-win32.rc APPEND PROPERTY
  INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/data/icons ${kestrabin_manifest_dir}
  ${KESTRABIN_GENERATED})
set_property(SOURCE src/resources-win32.rc APPEND PROPERTY
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/data/icons/kestrabin.ico
  ${kestrabin_manifest_dir}/kestrabin.manifest ${KESTRABIN_GENERATED}/version.h)
