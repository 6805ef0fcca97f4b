// A file under a lease held by another process, as file servers hold them:
// the run waits, as any plain open does, until the holder gives the lease up,
// and then patches the file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <string>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

const std::string kProgram = KESTRABIN_BINARY;
const std::string kMovie = "FWS\x05\x20\x00\x00\x00body"s;
// How long the holder keeps the lease after being told to give it up.
constexpr auto kHolderDelay = 300ms;

// A process that holds a lease on a file and gives it up a little after the
// kernel asks it to (the lease-break signal, SIGIO).
class LeaseHolder {
 public:
  LeaseHolder(const std::string& path, int lease) {
    const ReportingChild child =
        fork_reporting([&path, lease](int ready) { hold(path, lease, ready); });
    pid_ = child.pid;
    if (child.ready < 0) {
      return;
    }
    char answer = 0;
    holding_ = read(child.ready, &answer, 1) == 1 && answer == 'y';
    close(child.ready);
  }
  LeaseHolder(const LeaseHolder&) = delete;
  LeaseHolder& operator=(const LeaseHolder&) = delete;
  ~LeaseHolder() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool holding() const { return holding_; }

  // Waits for the holder to end; true when it was asked to give the lease up.
  bool was_broken() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  [[noreturn]] static void hold(const std::string& path, int lease, int ready) {
    sigset_t io;
    sigemptyset(&io);
    sigaddset(&io, SIGIO);
    sigprocmask(SIG_BLOCK, &io, nullptr);
    const int fd = open(path.c_str(), lease == F_RDLCK ? O_RDONLY : O_RDWR);
    const bool held = fd >= 0 && fcntl(fd, F_SETLEASE, lease) == 0;
    const char answer = held ? 'y' : 'n';
    if (write(ready, &answer, 1) != 1 || !held) {
      _exit(2);
    }
    siginfo_t info{};
    const timespec limit{10, 0};
    const bool broken = sigtimedwait(&io, &info, &limit) == SIGIO;
    usleep(static_cast<useconds_t>(std::chrono::microseconds(kHolderDelay).count()));
    fcntl(fd, F_SETLEASE, F_UNLCK);
    _exit(broken ? 0 : 1);
  }

  pid_t pid_ = -1;
  bool holding_ = false;
};

struct LeaseCase : cases::Named {
  int lease;  // the holder's lease: F_RDLCK is broken by an open for writing, F_WRLCK by any
};

class Leased : public MovieCaseTest<LeaseCase> {};

TEST_P(Leased, RunWaitsForTheHolderThenPatches) {
  write_file(path_, kMovie);
  LeaseHolder holder(path_, GetParam().lease);
  ASSERT_TRUE(holder.holding()) << "cannot take a lease here";

  const auto start = std::chrono::steady_clock::now();
  const ChildResult run = run_child({kProgram, path_});
  const auto waited = std::chrono::steady_clock::now() - start;

  ASSERT_TRUE(run.exited) << "signal " << run.signal;
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, success_line(path_, 5));
  EXPECT_EQ(read_file(path_), patched(kMovie));
  EXPECT_GE(waited, kHolderDelay) << "the run did not wait for the lease";
  EXPECT_TRUE(holder.was_broken()) << "the holder was never asked to give the lease up";
}

INSTANTIATE_TEST_SUITE_P(Leases, Leased,
                         testing::Values(LeaseCase{"ReadLease", F_RDLCK},
                                         LeaseCase{"WriteLease", F_WRLCK}),
                         CaseName());

// A refused file never breaks a read lease: it is not opened for writing.
TEST(LeasedRefused, ReadLeaseOfANotSwfFileIsLeftAlone) {
  ScratchDir dir;
  const std::string path = dir / "notes.txt";
  write_file(path, "plain text");
  LeaseHolder holder(path, F_RDLCK);
  ASSERT_TRUE(holder.holding());

  const auto start = std::chrono::steady_clock::now();
  const ChildResult run = run_child({kProgram, path});
  const auto waited = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(run.exit_code, status::kNotSwf);
  EXPECT_EQ(run.err, "not swf file\n");
  EXPECT_LT(waited, kHolderDelay) << "the run broke the lease";
}

}  // namespace
