# The Windows notice is USER32's MessageBoxA; the C runtime is the system's
# msvcrt.dll, and everything from the compiler is linked in.
target_sources(kestrabin PRIVATE src/notice-win32.cc)
target_link_libraries(kestrabin PRIVATE user32)
target_link_options(kestrabin PRIVATE -static -s)
