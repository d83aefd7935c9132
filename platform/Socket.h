#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <system_error>

#include "platform/Wait.h"

namespace kestrine::platform {

#ifdef _WIN32
using NativeSocket = std::uintptr_t;  // SOCKET
inline constexpr NativeSocket kInvalidSocket = ~NativeSocket{0};
#else
using NativeSocket = int;
inline constexpr NativeSocket kInvalidSocket = -1;
#endif

// What the socket layer says when it cannot start, in the desktop program's words.
inline constexpr const char* kSocketLayerFailedText = " Init sock failed ! ";

enum class ReceiveStatus { Data, Closed, TimedOut, Failed };

struct Received {
  ReceiveStatus status = ReceiveStatus::Failed;
  std::size_t count = 0;      // bytes stored when status is Data
  std::uint32_t fromAddress = 0;  // datagrams only: sender, network order
  std::uint16_t fromPort = 0;     // datagrams only: sender port, host order
};

// One IPv4 socket, closed when it goes out of scope. Sockets stay in blocking
// mode; every wait is bounded and polled in slices so the caller's KeepAlive
// runs in between. Sending to a peer that has gone never raises SIGPIPE, and no
// program this process starts inherits the socket.
class Socket final {
 public:
  Socket() = default;
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // Invalid on failure (IsValid() is false).
  [[nodiscard]] static Socket CreateStream();
  [[nodiscard]] static Socket CreateDatagram();

  [[nodiscard]] bool IsValid() const;
  [[nodiscard]] NativeSocket Native() const { return handle_; }
  void Close();

  // Connects within timeout; on failure the socket is closed.
  bool Connect(std::uint32_t address, std::uint16_t port, std::chrono::milliseconds timeout,
               const KeepAlive& keepAlive);

  // Sends everything or fails; returns the number of bytes that went out.
  std::size_t Send(std::span<const std::byte> bytes);
  // One send call, as much as the system takes; -1 on failure.
  long SendSome(std::span<const std::byte> bytes);
  bool SendTo(std::span<const std::byte> bytes, std::uint32_t address, std::uint16_t port);

  // One receive call, after waiting at most timeout for data to arrive.
  Received Receive(std::span<std::byte> buffer, std::chrono::milliseconds timeout, const KeepAlive& keepAlive);
  Received ReceiveFrom(std::span<std::byte> buffer, std::chrono::milliseconds timeout, const KeepAlive& keepAlive);

  // Waits until data (or end of stream) is ready, at most timeout.
  bool WaitReadable(std::chrono::milliseconds timeout, const KeepAlive& keepAlive);

  bool SetBroadcast(bool enabled);
  bool SetReceiveBufferSize(int bytes);
  [[nodiscard]] int ReceiveBufferSize() const;
  bool SetReuseAddress(bool enabled);
  bool SetNonBlocking(bool enabled);
  // Makes close() send a reset instead of a graceful end.
  bool SetAbortiveClose();
  // Sends small writes at once instead of holding them for the peer's acknowledgement.
  bool SetNoDelay(bool enabled);

  bool Bind(std::uint32_t address, std::uint16_t port);
  bool Listen(int backlog);
  [[nodiscard]] Socket Accept();
  [[nodiscard]] std::uint16_t LocalPort() const;

 private:
  explicit Socket(NativeSocket handle) : handle_(handle) {}

  NativeSocket handle_ = kInvalidSocket;
};

// Why the last socket call of this thread failed; read it right after the failure.
// Its message() is the system's own text (strerror, or FormatMessage for Winsock).
[[nodiscard]] std::error_code LastSocketError();

// Starts the platform's socket layer (Windows Sockets 2.2) once per process, however
// often it is called; false if it cannot start. The first socket starts it too; a
// program calls it first to say so when it cannot (kSocketLayerFailedText).
bool StartSocketLayer();

// The first IPv4 address this host's name resolves to, network order.
[[nodiscard]] std::optional<std::uint32_t> HostAddress();

}  // namespace kestrine::platform
