#include "platform/SocketSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kestrine::platform::os {
namespace {

// No program we might start inherits a connection to an encoder.
bool MarkCloseOnExec(NativeSocket s) {
  const int flags = ::fcntl(s, F_GETFD);
  return flags >= 0 && ::fcntl(s, F_SETFD, flags | FD_CLOEXEC) == 0;
}

// Where send() has no flag against SIGPIPE, the socket itself must refuse to raise it.
bool RefuseSigpipe([[maybe_unused]] NativeSocket s) {
#if defined(SO_NOSIGPIPE)
  int one = 1;
  return ::setsockopt(s, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one) == 0;
#else
  return true;
#endif
}

NativeSocket Guarded(NativeSocket s) {
  if (s < 0) return kInvalidSocket;
  if (!MarkCloseOnExec(s) || !RefuseSigpipe(s)) {
    ::close(s);
    return kInvalidSocket;
  }
  return s;
}

}  // namespace

NativeSocket OpenSocket(int type, int protocol) { return Guarded(::socket(AF_INET, type, protocol)); }

NativeSocket AcceptConnection(NativeSocket listener) { return Guarded(::accept(listener, nullptr, nullptr)); }

void CloseSocket(NativeSocket s) { ::close(s); }

int Poll(PollRecord* records, std::size_t count, int timeoutMs) {
  for (;;) {
    const int rc = ::poll(records, static_cast<nfds_t>(count), timeoutMs);
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

bool SetNonBlocking(NativeSocket s, bool enabled) {
  const int flags = ::fcntl(s, F_GETFL, 0);
  if (flags < 0) return false;
  return ::fcntl(s, F_SETFL, enabled ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

int SendFlags() {
#ifdef MSG_NOSIGNAL
  return MSG_NOSIGNAL;
#else
  return 0;
#endif
}

std::error_code LastError() { return std::error_code(errno, std::generic_category()); }
bool ConnectStillInProgress() { return errno == EINPROGRESS; }
bool Interrupted() { return errno == EINTR; }
bool DatagramCut() { return false; }  // the datagram is simply cut, and recvfrom says how much it stored

bool Start() { return true; }

}  // namespace kestrine::platform::os
