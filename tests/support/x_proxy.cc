#include "x_proxy.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "x_server.h"

namespace {

// Far above the numbers Xvfb's -displayfd picks from 0 upwards.
constexpr int kFirstDisplay = 600;
constexpr int kLastDisplay = 699;
// The set-up reply starts with 8 bytes; bytes 6-7 give the rest in 4-byte units.
constexpr std::size_t kReplyHeader = 8;
constexpr std::size_t kMidReply = 20;

std::string display_name(int number) {
  std::string name(1, ':');
  name.append(std::to_string(number));
  return name;
}

sockaddr_un unix_address(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // An abstract name starts with a NUL byte and is not in the file system.
  const std::size_t offset = abstract ? 1 : 0;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  return address;
}

socklen_t address_length(const std::string& path, bool abstract) {
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + (abstract ? 1 : 0));
}

// Listens on the first free display number; -1 when none is free.
int listen_on_free_display(int& number) {
  for (number = kFirstDisplay; number <= kLastDisplay; ++number) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const std::string path = x_socket_path(display_name(number));
    const sockaddr_un address = unix_address(path, true);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), address_length(path, true)) == 0 &&
        listen(fd, 4) == 0) {
      return fd;
    }
    close(fd);
  }
  return -1;
}

int connect_to_server(const std::string& display) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const std::string path = x_socket_path(display);
  const sockaddr_un address = unix_address(path, false);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), address_length(path, false)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void swallow_until_closed(int client) {
  std::array<char, 4096> buffer{};
  while (read(client, buffer.data(), buffer.size()) > 0) {
  }
}

// How many of the server's bytes the client may have, once `reply` holds
// the first of them; 0 until that is known.
std::size_t allowance(ProxyCut cut, const std::string& reply) {
  switch (cut) {
    case ProxyCut::BeforeReply:
      return 0;
    case ProxyCut::MidReply:
      return kMidReply;
    default:
      if (reply.size() < kReplyHeader) {
        return SIZE_MAX;
      }
      // The client (x86) asked for little-endian numbers.
      const std::size_t units = static_cast<unsigned char>(reply[6]) |
                                static_cast<std::size_t>(static_cast<unsigned char>(reply[7])) << 8;
      return kReplyHeader + 4 * units;
  }
}

// Passes the client's bytes on; passes the server's on until the cut.
void relay(int client, int server, ProxyCut cut) {
  std::string from_server;
  std::size_t sent = 0;
  std::array<char, 4096> buffer{};
  for (;;) {
    std::array<pollfd, 2> fds{pollfd{client, POLLIN, 0}, pollfd{server, POLLIN, 0}};
    if (poll(fds.data(), fds.size(), -1) < 0) {
      return;
    }
    if (fds[0].revents != 0) {
      const ssize_t got = read(client, buffer.data(), buffer.size());
      if (got <= 0 || write(server, buffer.data(), static_cast<std::size_t>(got)) != got) {
        return;
      }
    }
    if (fds[1].revents != 0) {
      const ssize_t got = read(server, buffer.data(), buffer.size());
      if (got <= 0) {
        return;
      }
      from_server.append(buffer.data(), static_cast<std::size_t>(got));
      const std::size_t limit = std::min(allowance(cut, from_server), from_server.size());
      if (limit > sent && write(client, from_server.data() + sent, limit - sent) < 0) {
        return;
      }
      sent = std::max(sent, limit);
      if (sent < from_server.size() || sent == allowance(cut, from_server)) {
        return;
      }
    }
  }
}

[[noreturn]] void serve(int listener, const std::string& server_display, ProxyCut cut) {
  for (;;) {
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0) {
      continue;
    }
    if (cut == ProxyCut::NeverAnswer) {
      swallow_until_closed(client);
    } else if (const int server = connect_to_server(server_display); server >= 0) {
      relay(client, server, cut);
      close(server);
    }
    close(client);
  }
}

}  // namespace

XProxy::XProxy(const std::string& server_display, ProxyCut cut) {
  int number = 0;
  const int listener = listen_on_free_display(number);
  if (listener < 0) {
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    serve(listener, server_display, cut);
  }
  close(listener);
  if (pid_ > 0) {
    display_ = display_name(number);
  }
}

XProxy::~XProxy() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}
