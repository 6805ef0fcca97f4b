#include "notice/linux/display_reach.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "notice/linux/notice_interrupts.h"
#include "notice/linux/x11/x11_connection.h"
#include "notice/linux/x11/x11_quiet_console.h"

namespace {

// wl_display.sync with the new callback id 2: object 1 (the display), size
// 12 bytes and opcode 0 in one word, then the id. Any compositor answers it
// with the callback's done event; this is all libwayland's first round trip
// asks of it.
constexpr std::array<std::uint32_t, 3> kSyncRequest{1, 12U << 16U, 2};
// The header of an event: object id, then size and opcode.
constexpr std::size_t kEventHeaderBytes = 8;

// The compositor's socket, as libwayland finds it.
bool wayland_socket(sockaddr_un& address) {
  const char* name = named_display("WAYLAND_DISPLAY");
  if (name == nullptr) {
    return false;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  int written = 0;
  if (name[0] == '/') {
    written = std::snprintf(address.sun_path, sizeof address.sun_path, "%s", name);
  } else if (runtime != nullptr) {
    written = std::snprintf(address.sun_path, sizeof address.sun_path, "%s/%s", runtime, name);
  } else {
    return false;
  }
  address.sun_family = AF_UNIX;
  return written > 0 && static_cast<std::size_t>(written) < sizeof address.sun_path;
}

// Waits for the answer on `fd` until the deadline, letting the interrupts through.
DisplayReach await_answer(int fd, const NoticeInterrupts& interrupts) {
  pollfd answer{fd, POLLIN, 0};
  // As long as our own X dialog waits for its connection.
  const timespec deadline{kSetUpSeconds, 0};
  const int ready = ppoll(&answer, 1, &deadline, interrupts.wait_mask());
  if (ready < 0 && errno == EINTR) {
    return DisplayReach::Interrupted;
  }
  std::array<char, kEventHeaderBytes> header{};
  return ready > 0 && recv(fd, header.data(), header.size(), MSG_DONTWAIT) > 0
             ? DisplayReach::Answers
             : DisplayReach::NoAnswer;
}

DisplayReach round_trip(int fd, const sockaddr_un& address, const NoticeInterrupts& interrupts) {
  // A compositor too busy to take the connection at once is not answering.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own cast
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return DisplayReach::NoAnswer;
  }
  const ssize_t sent = send(fd, kSyncRequest.data(), sizeof kSyncRequest, MSG_NOSIGNAL);
  if (sent != static_cast<ssize_t>(sizeof kSyncRequest)) {
    return DisplayReach::NoAnswer;
  }
  return await_answer(fd, interrupts);
}

}  // namespace

const char* named_display(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] != '\0' ? value : nullptr;
}

DisplayReach reach_x_display(const NoticeInterrupts& interrupts) {
  const QuietConsole console;
  if (!console.quiet()) {
    return DisplayReach::NoAnswer;
  }
  Display* display = open_display(interrupts);
  if (display == nullptr) {
    return set_up_interrupted() ? DisplayReach::Interrupted : DisplayReach::NoAnswer;
  }
  close_display(display);
  return DisplayReach::Answers;
}

DisplayReach reach_wayland_display(const NoticeInterrupts& interrupts) {
  sockaddr_un address{};
  if (!wayland_socket(address)) {
    return DisplayReach::NoAnswer;
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    return DisplayReach::NoAnswer;
  }
  const DisplayReach reach = round_trip(fd, address, interrupts);
  close(fd);
  return reach;
}
