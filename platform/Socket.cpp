#include "platform/Socket.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/SocketSystem.h"

namespace kestrine::platform {
namespace {

using os::SockLen;

// Returns the ready events, 0 on timeout, -1 on failure.
int PollOne(NativeSocket s, short events, int timeoutMs) {
  os::PollRecord entry{};
  entry.fd = s;
  entry.events = events;
  const int rc = os::Poll(&entry, 1, timeoutMs);
  return rc > 0 ? entry.revents : rc;
}

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = htons(port);
  return sa;
}

int SliceMs(const Deadline& deadline) {
  return static_cast<int>(std::min(deadline.Remaining(), kWaitSlice).count());
}

}  // namespace

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : handle_(std::exchange(other.handle_, kInvalidSocket)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kInvalidSocket);
  }
  return *this;
}

// The socket layer starts with the first socket, should no program have started it.
Socket Socket::CreateStream() {
  return StartSocketLayer() ? Socket{os::OpenSocket(SOCK_STREAM, IPPROTO_TCP)} : Socket{};
}

Socket Socket::CreateDatagram() {
  return StartSocketLayer() ? Socket{os::OpenSocket(SOCK_DGRAM, IPPROTO_UDP)} : Socket{};
}

bool Socket::IsValid() const { return handle_ != kInvalidSocket; }

void Socket::Close() {
  if (IsValid()) os::CloseSocket(std::exchange(handle_, kInvalidSocket));
}

bool Socket::Connect(std::uint32_t address, std::uint16_t port, std::chrono::milliseconds timeout,
                     const KeepAlive& keepAlive) {
  if (!IsValid() || !SetNonBlocking(true)) {
    Close();
    return false;
  }
  const sockaddr_in sa = MakeAddress(address, port);
  bool connected = ::connect(handle_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
  if (!connected && os::ConnectStillInProgress()) {
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
                           os::SendFlags());
  return static_cast<long>(sent);
}

std::size_t Socket::Send(std::span<const std::byte> bytes) {
  std::size_t total = 0;
  while (total < bytes.size()) {
    const long sent = SendSome(bytes.subspan(total));
    if (sent <= 0) {
      if (sent < 0 && os::Interrupted()) continue;
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
                             os::SendFlags(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
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
  // Winsock fills the buffer with the start of a longer datagram but calls it an error;
  // elsewhere the datagram is simply cut, and so it is here too.
  const bool cut = n < 0 && os::DatagramCut();
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

bool Socket::SetNonBlocking(bool enabled) { return os::SetNonBlocking(handle_, enabled); }

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

Socket Socket::Accept() { return Socket{os::AcceptConnection(handle_)}; }

std::uint16_t Socket::LocalPort() const {
  sockaddr_in sa{};
  SockLen length = sizeof sa;
  if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return ntohs(sa.sin_port);
}

std::error_code LastSocketError() { return os::LastError(); }

bool StartSocketLayer() {
  static const bool started = os::Start();
  return started;
}

std::optional<std::uint32_t> HostAddress() {
  if (!StartSocketLayer()) return std::nullopt;
  std::array<char, 256> name{};
  if (::gethostname(name.data(), static_cast<int>(name.size() - 1)) != 0) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (::getaddrinfo(name.data(), nullptr, &hints, &list) != 0 || list == nullptr) return std::nullopt;
  std::optional<std::uint32_t> first;
  for (const addrinfo* entry = list; entry != nullptr && !first; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      first = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
    }
  }
  ::freeaddrinfo(list);
  return first;
}

}  // namespace kestrine::platform
