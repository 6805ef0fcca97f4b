#include "swf/swf_patch.h"

#include <array>
#include <cstdio>
#include <optional>

#include "swf/update_stream.h"

namespace {

// The first four bytes of the file: three signature bytes and the version.
struct SwfHeaderPrefix {
  std::array<unsigned char, 4> bytes;
};

constexpr long kVersionOffset = 3;

// The stream's buffer. The header is all that is ever read, so a small one
// keeps the reads to a few bytes whatever block size the file system suggests.
// Below 128 bytes the C library writes straight through instead of buffering,
// which would move the write of the version byte from the close into fwrite.
std::array<char, 128> g_stream_buffer;

// "FWS" is an uncompressed movie, "CWS" a zlib-compressed one; in both the
// version byte comes before anything compressed, so one write serves both.
bool has_swf_signature(const SwfHeaderPrefix& header) {
  const unsigned char first = header.bytes[0];
  return (first == 'F' || first == 'C') && header.bytes[1] == 'W' && header.bytes[2] == 'S';
}

void use_small_buffer(std::FILE* stream) {
  std::setvbuf(stream, g_stream_buffer.data(), _IOFBF, g_stream_buffer.size());
}

// The platform's text for errno, with no prefix, on standard error.
void report_system_error() { std::perror(nullptr); }

void report(const char* diagnostic) { std::fputs(diagnostic, stderr); }

// How a read or write that did not move its one item failed: with the
// stream's error indicator set, the system's text and the error outcome;
// otherwise the fixed diagnostic and the short outcome. The text comes first,
// then the close.
struct ItemFailure {
  Outcome error;
  Outcome short_count;
  const char* diagnostic;
};

constexpr ItemFailure kReadFailure{Outcome::ReadError, Outcome::ShortRead, "fread fail\n"};
constexpr ItemFailure kWriteFailure{Outcome::WriteError, Outcome::ShortWrite, "fwrite fail\n"};

Outcome item_failure(std::FILE* stream, const ItemFailure& failure) {
  const bool stream_error = std::ferror(stream) != 0;
  if (stream_error) {
    report_system_error();
  } else {
    report(failure.diagnostic);
  }
  std::fclose(stream);
  return stream_error ? failure.error : failure.short_count;
}

// Reads the header and checks its signature. Nothing when it passes; else
// the outcome, with its text written and the stream closed.
std::optional<Outcome> header_failure(std::FILE* stream, SwfHeaderPrefix& header) {
  if (std::fread(header.bytes.data(), header.bytes.size(), 1, stream) != 1) {
    return item_failure(stream, kReadFailure);
  }
  if (!has_swf_signature(header)) {
    std::fclose(stream);
    report("not swf file\n");
    return Outcome::NotSwf;
  }
  return std::nullopt;
}

}  // namespace

Outcome patch_swf_version(const char* path) {
  std::FILE* stream = open_for_check(path);
  if (stream == nullptr) {
    report_system_error();
    return Outcome::OpenFailed;
  }
  use_small_buffer(stream);

  SwfHeaderPrefix header{};
  if (const auto failure = header_failure(stream, header)) {
    return *failure;
  }

  // Only a file that will be patched is opened for writing.
  stream = reopen_for_update(stream, path);
  if (stream == nullptr) {
    report_system_error();
    return Outcome::OpenFailed;
  }
  use_small_buffer(stream);
  // Checked again where the byte is written: the file may have been
  // truncated or rewritten since the first look, and is then left alone.
  if (const auto failure = header_failure(stream, header)) {
    return *failure;
  }

  // Besides placing the write, the seek is what makes switching from reading
  // to writing on one update stream valid.
  if (std::fseek(stream, kVersionOffset, SEEK_SET) != 0) {
    report_system_error();
    std::fclose(stream);
    return Outcome::SeekFailed;
  }

  if (std::fwrite(&kTargetVersion, 1, 1, stream) != 1) {
    return item_failure(stream, kWriteFailure);
  }

  // Closing flushes the byte; a failure here means it may not have landed.
  if (std::fclose(stream) != 0) {
    report_system_error();
    return Outcome::CloseFailed;
  }

  const int original_version = header.bytes[kVersionOffset];  // 0 to 255, never negative
  std::printf("%s (original swf version=%d) update version 9", path, original_version);
  return Outcome::Patched;
}
