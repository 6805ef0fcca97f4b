// Linked with -Wl,--wrap=fwrite into a test-only copy of the program, never
// into the shipped one. A one-byte write into a buffered stream makes no
// system call, so the kernel cannot fail it; this stand-in can. It fails
// writes to files (never to the standard streams) as KESTRABIN_FWRITE_FAULT
// says: "error" sets the stream's error indicator and errno, "short" only
// reports nothing written.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The linker names these two for --wrap=fwrite.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" std::size_t __real_fwrite(const void* data, std::size_t size, std::size_t count,
                                     std::FILE* stream);

// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" std::size_t __wrap_fwrite(const void* data, std::size_t size, std::size_t count,
                                     std::FILE* stream) {
  const char* fault = std::getenv("KESTRABIN_FWRITE_FAULT");
  if (fault == nullptr || stream == stdout || stream == stderr) {
    return __real_fwrite(data, size, count, stream);
  }
  if (std::strcmp(fault, "error") == 0) {
    stream->_flags |= _IO_ERR_SEEN;  // what glibc sets when a write fails
    errno = EIO;
    return 0;
  }
  if (std::strcmp(fault, "short") == 0) {
    return 0;
  }
  return __real_fwrite(data, size, count, stream);
}
