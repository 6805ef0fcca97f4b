// Names of things that are not regular files: the run is refused without
// opening them for reading or writing, as a failed open, and it never hangs;
// no peer of a FIFO notices it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/loop.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "child_process.h"
#include "scratch_dir.h"
#include "swf_cases.h"
#include "syscall_trace.h"

namespace {

const std::string kProgram = KESTRABIN_BINARY;
using status::kOpenFailed;
const std::string kRefused = "Invalid argument\n";
const std::string kHeader = "FWS\x05";

// Runs the program on `path` and checks it was refused without being opened
// at all, so nothing was read or written. `errors` are the texts allowed on
// standard error.
void expect_refused(const std::string& path, const std::set<std::string>& errors) {
  const TracedRun traced = run_traced({kProgram, path});
  ASSERT_FALSE(traced.run.timed_out) << "the run hung on " << path;
  ASSERT_TRUE(traced.run.exited) << "signal " << traced.run.signal;
  EXPECT_EQ(traced.run.exit_code, kOpenFailed);
  EXPECT_EQ(traced.run.out, "");
  EXPECT_EQ(errors.count(traced.run.err), 1U) << "standard error: " << traced.run.err;
  const std::size_t open = open_of(traced, path);
  EXPECT_EQ(open, std::string::npos)
      << "the run opened " << path << ": " << traced.calls[open].args;
}

// Reads whatever is waiting on `fd` without blocking.
std::string pending_bytes(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  std::string bytes;
  std::array<char, 256> buffer{};
  ssize_t got = 0;
  while ((got = read(fd, buffer.data(), buffer.size())) > 0) {
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  }
  fcntl(fd, F_SETFL, flags);
  return bytes;
}

struct SpecialCase : cases::Named {
  std::function<std::string(const ScratchDir&)> make;  // returns the path to pass
  std::set<std::string> errors;
};

class SpecialFile : public testing::TestWithParam<SpecialCase> {};

TEST_P(SpecialFile, RefusedUntouched) {
  ScratchDir dir;
  const std::string path = GetParam().make(dir);
  ASSERT_FALSE(path.empty());
  expect_refused(path, GetParam().errors);
}

std::string make_fifo(const ScratchDir& dir) {
  const std::string path = dir / "pipe.swf";
  return mkfifo(path.c_str(), 0644) == 0 ? path : "";
}

// A bound socket; its node stays after the socket is closed, and opening
// one fails in the kernel already.
std::string make_socket(const ScratchDir& dir) {
  const std::string path = dir / "socket.swf";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) {
    return "";
  }
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  return bound ? path : "";
}

std::string link_to(const ScratchDir& dir, const std::string& target) {
  const std::string path = dir / "link.swf";
  return symlink(target.c_str(), path.c_str()) == 0 ? path : "";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialFile,
    testing::Values(
        // Nobody on the other end: a read would wait for a writer forever.
        SpecialCase{"Fifo", make_fifo, {kRefused}},
        SpecialCase{"Socket", make_socket, {"No such device or address\n"}},
        // Would read as an empty file.
        SpecialCase{
            "DevNull", [](const ScratchDir&) { return std::string("/dev/null"); }, {kRefused}},
        // Would read as a header of zeros.
        SpecialCase{
            "DevZero", [](const ScratchDir&) { return std::string("/dev/zero"); }, {kRefused}},
        // What counts is what was opened, not the name.
        SpecialCase{"SymlinkToDevice",
                    [](const ScratchDir& dir) { return link_to(dir, "/dev/zero"); },
                    {kRefused}}),
    CaseName());

// A FIFO with a header already waiting in it: nothing is taken out of it and
// nothing is put in.
TEST(SpecialFileData, FifoKeepsItsBytes) {
  ScratchDir dir;
  const std::string path = make_fifo(dir);
  ASSERT_FALSE(path.empty());
  const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  const int writer = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, kHeader.data(), kHeader.size()), static_cast<ssize_t>(kHeader.size()));

  expect_refused(path, {kRefused});

  EXPECT_EQ(pending_bytes(reader), kHeader);
  close(writer);
  close(reader);
}

// A process blocked in open() on a FIFO, as a writer or a reader. It stays
// blocked until its peer comes; a writer then writes its bytes.
class FifoPeer {
 public:
  FifoPeer(const std::string& path, int access) {
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(path.c_str(), access);
      const bool wrote = access != O_WRONLY || write(fd, kHeader.data(), kHeader.size()) > 0;
      _exit(fd >= 0 && wrote ? 0 : 1);
    }
  }
  FifoPeer(const FifoPeer&) = delete;
  FifoPeer& operator=(const FifoPeer&) = delete;
  ~FifoPeer() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // True once the peer is waiting inside open (the kernel shows the call).
  bool blocked_in_open() const {
    const std::string kOpenat = std::to_string(SYS_openat) + " ";
    for (int i = 0; i < 200; ++i) {
      if (read_file("/proc/" + std::to_string(pid_) + "/syscall").rfind(kOpenat, 0) == 0) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  bool ended() {
    reaped_ = reaped_ || waitpid(pid_, &status_, WNOHANG) == pid_;
    return reaped_;
  }

  // Waits for the peer to end; true when its open (and write) succeeded.
  bool succeeded() {
    if (!reaped_) {
      waitpid(pid_, &status_, 0);
      reaped_ = true;
    }
    return WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
  }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = 0;
};

// The peer waits in open() as a writer or a reader; once the run has been
// refused, the peer's own other end releases it, and a writer's bytes arrive.
struct FifoPeerCase : cases::Named {
  int peer_access;  // O_WRONLY or O_RDONLY
};

class FifoPeers : public testing::TestWithParam<FifoPeerCase> {};

TEST_P(FifoPeers, StayBlockedUntilTheirOwnPeerComes) {
  const int access = GetParam().peer_access;
  ScratchDir dir;
  const std::string path = make_fifo(dir);
  ASSERT_FALSE(path.empty());
  FifoPeer peer(path, access);
  ASSERT_TRUE(peer.blocked_in_open());

  expect_refused(path, {kRefused});

  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(peer.ended()) << "the run released the peer";
  const int other_end = open(path.c_str(), (access == O_WRONLY ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
  ASSERT_GE(other_end, 0);
  EXPECT_TRUE(peer.succeeded());
  if (access == O_WRONLY) {
    EXPECT_EQ(pending_bytes(other_end), kHeader) << "the writer's data did not reach its reader";
  }
  close(other_end);
}

INSTANTIATE_TEST_SUITE_P(Blocked, FifoPeers,
                         testing::Values(FifoPeerCase{"Writer", O_WRONLY},
                                         FifoPeerCase{"Reader", O_RDONLY}),
                         CaseName());

// A terminal with a header typed into it: not read, nothing written to it.
TEST(SpecialFileData, TerminalKeepsItsInput) {
  int master = -1;
  int slave = -1;
  std::array<char, 64> name{};
  ASSERT_EQ(openpty(&master, &slave, name.data(), nullptr, nullptr), 0);
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  ASSERT_EQ(write(master, kHeader.data(), kHeader.size()), static_cast<ssize_t>(kHeader.size()));

  expect_refused(name.data(), {kRefused});

  EXPECT_EQ(pending_bytes(slave), kHeader);
  EXPECT_EQ(pending_bytes(master), "") << "the run wrote to the terminal";
  close(slave);
  close(master);
}

// A loop device minor that no one uses: it has no backing file, so even a
// write that got through could reach no disk. Opening it may make the kernel
// create the device; it is removed again afterwards.
TEST(SpecialFileData, BlockDevice) {
  unsigned minor = 200;
  while (minor < 256U && file_exists("/sys/block/loop" + std::to_string(minor))) {
    ++minor;
  }
  ScratchDir dir;
  const std::string path = dir / "disk.swf";
  if (minor == 256U || mknod(path.c_str(), S_IFBLK | 0600, makedev(7, minor)) != 0) {
    GTEST_SKIP() << "cannot make a block device node here: " << std::strerror(errno);
  }

  // The kernel may refuse to open an unbound loop device itself.
  expect_refused(path, {kRefused, "No such device or address\n"});

  if (file_exists("/sys/block/loop" + std::to_string(minor))) {
    const int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    if (control >= 0) {
      ioctl(control, LOOP_CTL_REMOVE, static_cast<int>(minor));
      close(control);
    }
  }
}

}  // namespace
