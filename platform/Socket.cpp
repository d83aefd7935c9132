#include "platform/Socket.h"

#include <algorithm>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kestrine::platform {
namespace {

#ifdef _WIN32
using SockLen = int;
int PollOne(NativeSocket s, short events, int timeoutMs) {
  WSAPOLLFD entry{s, events, 0};
  const int rc = WSAPoll(&entry, 1, timeoutMs);
  return rc > 0 ? entry.revents : rc;  // 0 on timeout, SOCKET_ERROR (-1) on failure
}
void CloseNative(NativeSocket s) { closesocket(s); }
bool InProgress() { return WSAGetLastError() == WSAEWOULDBLOCK; }
constexpr int kSendFlags = 0;
#else
using SockLen = socklen_t;
// Returns the ready events, 0 on timeout, -1 on failure.
int PollOne(NativeSocket s, short events, int timeoutMs) {
  pollfd entry{s, events, 0};
  for (;;) {
    const int rc = ::poll(&entry, 1, timeoutMs);
    if (rc > 0) return entry.revents;
    if (rc == 0) return 0;
    if (errno != EINTR) return -1;
  }
}
void CloseNative(NativeSocket s) { ::close(s); }
bool InProgress() { return errno == EINPROGRESS; }
// No program we might start inherits a connection to an encoder.
bool MarkCloseOnExec(NativeSocket s) {
  const int flags = ::fcntl(s, F_GETFD);
  return flags >= 0 && ::fcntl(s, F_SETFD, flags | FD_CLOEXEC) == 0;
}
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif
#endif

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return sa;
}

#ifndef _WIN32
NativeSocket OpenNative(int type, int protocol) {
  NativeSocket s = ::socket(AF_INET, type, protocol);
  if (s >= 0 && !MarkCloseOnExec(s)) {
    ::close(s);
    return -1;
  }
#if defined(SO_NOSIGPIPE)
  int one = 1;
  // A socket that could raise SIGPIPE is not one we hand out.
  if (s >= 0 && ::setsockopt(s, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one) != 0) {
    ::close(s);
    return -1;
  }
#endif
  return s;
}
#endif

int SliceMs(const Deadline& deadline) {
  return static_cast<int>(std::min(deadline.Remaining(), kWaitSlice).count());
}

}  // namespace

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : handle_(std::exchange(other.handle_, kInvalid)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kInvalid);
  }
  return *this;
}

Socket Socket::CreateStream() {
#ifdef _WIN32
  const NativeSocket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  return s == INVALID_SOCKET ? Socket{} : Socket{s};
#else
  const NativeSocket s = OpenNative(SOCK_STREAM, IPPROTO_TCP);
  return s < 0 ? Socket{} : Socket{s};
#endif
}

Socket Socket::CreateDatagram() {
#ifdef _WIN32
  const NativeSocket s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  return s == INVALID_SOCKET ? Socket{} : Socket{s};
#else
  const NativeSocket s = OpenNative(SOCK_DGRAM, IPPROTO_UDP);
  return s < 0 ? Socket{} : Socket{s};
#endif
}

bool Socket::IsValid() const { return handle_ != kInvalid; }

void Socket::Close() {
  if (IsValid()) CloseNative(std::exchange(handle_, kInvalid));
}

bool Socket::Connect(std::uint32_t address, std::uint16_t port, std::chrono::milliseconds timeout,
                     const KeepAlive& keepAlive) {
  if (!IsValid() || !SetNonBlocking(true)) {
    Close();
    return false;
  }
  const sockaddr_in sa = MakeAddress(address, port);
  bool connected = ::connect(handle_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
  if (!connected && InProgress()) {
    const Deadline deadline(timeout);
    for (;;) {
      const int ready = PollOne(handle_, POLLOUT, SliceMs(deadline));
      if (ready < 0) break;
      if (ready > 0) {
        int error = 0;
        SockLen length = sizeof error;
        connected = ::getsockopt(handle_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                    error == 0;
        break;
      }
      if (keepAlive) keepAlive();  // as in WaitReadable, after the last slice too
      if (deadline.Expired()) break;
    }
  }
  if (!connected || !SetNonBlocking(false)) {
    Close();
    return false;
  }
  return true;
}

long Socket::SendSome(std::span<const std::byte> bytes) {
  if (!IsValid()) return -1;
  const auto sent = ::send(handle_, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                           kSendFlags);
  return static_cast<long>(sent);
}

std::size_t Socket::Send(std::span<const std::byte> bytes) {
  std::size_t total = 0;
  while (total < bytes.size()) {
    const long sent = SendSome(bytes.subspan(total));
    if (sent <= 0) {
#ifndef _WIN32
      if (sent < 0 && errno == EINTR) continue;
#endif
      break;
    }
    total += static_cast<std::size_t>(sent);
  }
  return total;
}

bool Socket::SendTo(std::span<const std::byte> bytes, std::uint32_t address, std::uint16_t port) {
  if (!IsValid()) return false;
  const sockaddr_in sa = MakeAddress(address, port);
  const auto sent = ::sendto(handle_, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                             kSendFlags, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  return sent > 0;
}

bool Socket::WaitReadable(std::chrono::milliseconds timeout, const KeepAlive& keepAlive) {
  if (!IsValid()) return false;
  const Deadline deadline(timeout);
  for (;;) {
    const int ready = PollOne(handle_, POLLIN, SliceMs(deadline));
    if (ready < 0) return false;
    if (ready > 0) return true;
    // Kept alive after every quiet slice, the last one too: a slice that overran the
    // whole wait on a loaded host must not leave the caller's window unserved.
    if (keepAlive) keepAlive();
    if (deadline.Expired()) return false;
  }
}

Received Socket::Receive(std::span<std::byte> buffer, std::chrono::milliseconds timeout, const KeepAlive& keepAlive) {
  Received result;
  if (!IsValid()) return result;
  if (!WaitReadable(timeout, keepAlive)) {
    result.status = ReceiveStatus::TimedOut;
    return result;
  }
  const auto n = ::recv(handle_, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
  if (n > 0) {
    result.status = ReceiveStatus::Data;
    result.count = static_cast<std::size_t>(n);
  } else if (n == 0) {
    result.status = buffer.empty() ? ReceiveStatus::Data : ReceiveStatus::Closed;
  }
  return result;
}

Received Socket::ReceiveFrom(std::span<std::byte> buffer, std::chrono::milliseconds timeout,
                             const KeepAlive& keepAlive) {
  Received result;
  if (!IsValid()) return result;
  if (!WaitReadable(timeout, keepAlive)) {
    result.status = ReceiveStatus::TimedOut;
    return result;
  }
  sockaddr_in from{};
  SockLen fromLength = sizeof from;
  const auto n = ::recvfrom(handle_, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0,
                            reinterpret_cast<sockaddr*>(&from), &fromLength);
#ifdef _WIN32
  // Winsock fills the buffer with the start of a longer datagram but calls it an error;
  // elsewhere the datagram is simply cut, and so it is here too.
  const bool cut = n < 0 && WSAGetLastError() == WSAEMSGSIZE;
#else
  const bool cut = false;
#endif
  if (n >= 0 || cut) {
    result.status = ReceiveStatus::Data;
    result.count = cut ? buffer.size() : static_cast<std::size_t>(n);
    result.fromAddress = from.sin_addr.s_addr;
    result.fromPort = ntohs(from.sin_port);
  }
  return result;
}

bool Socket::SetBroadcast(bool enabled) {
  const int value = enabled ? 1 : 0;
  return ::setsockopt(handle_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool Socket::SetReceiveBufferSize(int bytes) {
  return ::setsockopt(handle_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes) == 0;
}

int Socket::ReceiveBufferSize() const {
  int value = 0;
  SockLen length = sizeof value;
  if (::getsockopt(handle_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&value), &length) != 0) return 0;
  return value;
}

bool Socket::SetReuseAddress(bool enabled) {
  const int value = enabled ? 1 : 0;
  return ::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool Socket::SetNonBlocking(bool enabled) {
#ifdef _WIN32
  u_long mode = enabled ? 1 : 0;
  return ioctlsocket(handle_, FIONBIO, &mode) == 0;
#else
  const int flags = ::fcntl(handle_, F_GETFL, 0);
  if (flags < 0) return false;
  return ::fcntl(handle_, F_SETFL, enabled ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
#endif
}

bool Socket::SetAbortiveClose() {
  linger value{};
  value.l_onoff = 1;
  value.l_linger = 0;
  return ::setsockopt(handle_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool Socket::SetNoDelay(bool enabled) {
  const int value = enabled ? 1 : 0;
  return ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool Socket::Bind(std::uint32_t address, std::uint16_t port) {
  const sockaddr_in sa = MakeAddress(address, port);
  return ::bind(handle_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

bool Socket::Listen(int backlog) { return ::listen(handle_, backlog) == 0; }

Socket Socket::Accept() {
  const NativeSocket s = ::accept(handle_, nullptr, nullptr);
#ifdef _WIN32
  return s == INVALID_SOCKET ? Socket{} : Socket{s};
#else
  if (s < 0) return Socket{};
  if (!MarkCloseOnExec(s)) {
    ::close(s);
    return Socket{};
  }
#if defined(SO_NOSIGPIPE)
  int one = 1;
  ::setsockopt(s, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
  return Socket{s};
#endif
}

std::uint16_t Socket::LocalPort() const {
  sockaddr_in sa{};
  SockLen length = sizeof sa;
  if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return ntohs(sa.sin_port);
}

std::error_code LastSocketError() {
#ifdef _WIN32
  return std::error_code(WSAGetLastError(), std::system_category());
#else
  return std::error_code(errno, std::generic_category());
#endif
}

bool StartSocketLayer() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
#else
  return true;
#endif
}

}  // namespace kestrine::platform
