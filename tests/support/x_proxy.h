#ifndef KESTRABIN_TESTS_SUPPORT_X_PROXY_H_
#define KESTRABIN_TESTS_SUPPORT_X_PROXY_H_

#include <sys/types.h>

#include <string>

// How far a connection through the proxy gets before the proxy drops it.
enum class ProxyCut {
  BeforeReply,  // the server's answer to the client's greeting never starts
  MidReply,     // the client gets part of the server's set-up reply
  AfterReply,   // the whole set-up reply, then nothing: Xlib's own first requests fail
  NeverAnswer,  // a display that accepts the connection and says nothing at all
};

// A fake display (":N", on an abstract unix socket, which Xlib tries first)
// that passes connections on to a real server and breaks each one as `cut`
// says. Runs in a child process for the life of the object.
class XProxy {
 public:
  // `server_display` (":N") is the server to pass to; unused for NeverAnswer.
  XProxy(const std::string& server_display, ProxyCut cut);
  XProxy(const XProxy&) = delete;
  XProxy& operator=(const XProxy&) = delete;
  ~XProxy();

  bool running() const { return pid_ > 0; }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

#endif  // KESTRABIN_TESTS_SUPPORT_X_PROXY_H_
