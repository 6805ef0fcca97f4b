// Every failure of the file services, made to happen from outside the
// program: status, exact console text, the order of text and close as the
// system calls show it, and the file's bytes afterwards.
#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "syscall_trace.h"

namespace {

using namespace std::string_literals;

const std::string kProgram = KESTRABIN_BINARY;
const std::string kFwriteFaultProgram = KESTRABIN_FWRITE_FAULT_BINARY;

const std::string kMovie = "FWS\x05\x20\x00\x00\x00"s + "a body that must not change";
// Longer than any buffer the stream might use: the byte must still wait in
// the buffer for the close rather than go out from fwrite.
const std::string kLongMovie = "FWS\x05\x10\x27\x00\x00"s + std::string(10000 - 8, 'x');

enum class Order {
  TextThenClose,  // the diagnostic is written while the file is still open
  CloseThenText,  // the file is closed before anything is written
};

void expect_order(const TracedRun& traced, const std::string& path, int stream, Order order) {
  const std::size_t close = last_call_on(traced, path, "close");
  const std::size_t text = first_write_to(traced, stream);
  ASSERT_NE(close, std::string::npos) << "the file was never closed";
  ASSERT_NE(text, std::string::npos) << "nothing was written to descriptor " << stream;
  if (order == Order::TextThenClose) {
    EXPECT_LT(text, close) << "the file was closed before its diagnostic was written";
  } else {
    EXPECT_LT(close, text) << "text was written before the file was closed";
  }
}

struct KernelFault : cases::Named {
  const std::string* movie;  // the file's bytes before the run
  const char* syscall;       // the call on the file's descriptor that fails
  int occurrence;            // which of those calls, counted from 1
  const char* error;         // the errno it fails with, as strace names it
  int status;                // eight-bit exit status
  const char* err;           // standard error, exactly
  bool byte_landed;          // byte 3 reads 9 afterwards
  Order order;
};

class KernelFaultOutcome : public MovieCaseTest<KernelFault> {};

// The shipped binary is static, so the fault comes from the kernel: a dry run
// finds which call of its kind touches the file, and strace fails that one.
TEST_P(KernelFaultOutcome, ShippedBinary) {
  const KernelFault& c = GetParam();
  const std::string& movie = *c.movie;
  write_file(path_, movie);
  const std::string inject =
      fault_on(run_traced({kProgram, path_}), path_, c.syscall, c.occurrence, c.error);
  ASSERT_NE(inject, "") << "the run makes no such call on the file";
  write_file(path_, movie);

  const TracedRun traced = run_traced({kProgram, path_}, inject);

  const std::size_t hit = nth_call_on(traced, path_, c.syscall, c.occurrence);
  ASSERT_NE(hit, std::string::npos);
  ASSERT_TRUE(traced.calls[hit].injected) << "the fault missed its call";
  ASSERT_TRUE(traced.run.exited) << "signal " << traced.run.signal;
  EXPECT_EQ(traced.run.exit_code, c.status);
  EXPECT_EQ(traced.run.err, c.err);
  EXPECT_EQ(read_file(path_), c.byte_landed ? patched(movie) : movie);
  if (c.status == status::kPatched) {
    EXPECT_EQ(traced.run.out, success_line(path_, 5));
    expect_order(traced, path_, 1, c.order);
  } else {
    EXPECT_EQ(traced.run.out, "");
    expect_order(traced, path_, 2, c.order);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, KernelFaultOutcome,
    testing::Values(
        KernelFault{"ReadError", &kMovie, "read", 1, "EIO", status::kReadError,
                    "Input/output error\n", false, Order::TextThenClose},
        KernelFault{"SeekFailed", &kMovie, "lseek", 1, "ESPIPE", status::kSeekFailed,
                    "Illegal seek\n", false, Order::TextThenClose},
        // The header is read again on the descriptor that would write: a
        // read error there is one, and nothing is written.
        KernelFault{"RereadForUpdateFails", &kMovie, "read", 2, "EIO", status::kReadError,
                    "Input/output error\n", false, Order::TextThenClose},
        // The stream refills its buffer after the seek; losing that read is
        // recovered without harm to the file.
        KernelFault{"RefillAfterSeekFails", &kMovie, "read", 3, "EIO", status::kPatched, "", true,
                    Order::CloseThenText},
        // The byte goes out when the stream is flushed at close.
        KernelFault{"CloseFailedFlushWrite", &kMovie, "write", 1, "EIO", status::kCloseFailed,
                    "Input/output error\n", false, Order::CloseThenText},
        KernelFault{"CloseFailedDiskFull", &kMovie, "write", 1, "ENOSPC", status::kCloseFailed,
                    "No space left on device\n", false, Order::CloseThenText},
        // The file is read through one descriptor and written through
        // another: losing the first one's close loses nothing.
        KernelFault{"CheckedStreamCloseFails", &kMovie, "close", 1, "EIO", status::kPatched, "",
                    true, Order::CloseThenText},
        KernelFault{"CloseFailedClose", &kMovie, "close", 2, "EIO", status::kCloseFailed,
                    "Input/output error\n", true, Order::CloseThenText},
        KernelFault{"CloseFailedFlushWriteLongFile", &kLongMovie, "write", 1, "EIO",
                    status::kCloseFailed, "Input/output error\n", false, Order::CloseThenText}),
    CaseName());

// A buffered one-byte write cannot fail in the kernel, so these run a
// test-only copy of the program linked with a failing fwrite.
struct WriteFault : cases::Named {
  const char* fault;  // what the stand-in fwrite does; empty: the real one
  int status;
  const char* err;
};

class WriteFaultOutcome : public MovieCaseTest<WriteFault> {};

TEST_P(WriteFaultOutcome, TestOnlyCopyOfTheProgram) {
  const WriteFault& c = GetParam();
  write_file(path_, kMovie);
  ChildOptions options;
  options.environment.push_back("KESTRABIN_FWRITE_FAULT="s + c.fault);

  const TracedRun traced = run_traced({kFwriteFaultProgram, path_}, {}, options);

  ASSERT_TRUE(traced.run.exited) << "signal " << traced.run.signal;
  EXPECT_EQ(traced.run.exit_code, c.status);
  EXPECT_EQ(traced.run.err, c.err);
  if (c.status == status::kPatched) {
    EXPECT_EQ(read_file(path_), patched(kMovie));
    EXPECT_EQ(traced.run.out, success_line(path_, 5));
    expect_order(traced, path_, 1, Order::CloseThenText);
  } else {
    // The byte never entered the stream, so closing writes nothing.
    EXPECT_EQ(read_file(path_), kMovie);
    EXPECT_EQ(traced.run.out, "");
    EXPECT_EQ(nth_call_on(traced, path_, "write", 1), std::string::npos);
    expect_order(traced, path_, 2, Order::TextThenClose);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFaultOutcome,
    testing::Values(WriteFault{"WriteError", "error", status::kWriteError, "Input/output error\n"},
                    WriteFault{"ShortWrite", "short", status::kShortWrite, "fwrite fail\n"},
                    // Without a fault the copy behaves as the program does.
                    WriteFault{"NoFault", "", 0, ""}),
    CaseName());

}  // namespace
