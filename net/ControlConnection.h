#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "net/Timings.h"
#include "platform/Socket.h"
#include "platform/Wait.h"

namespace kestrine::net {

class OperatorFeedback;

enum class OpenResult { Opened, SocketFailed, ConnectFailed };

// The texts of the connection stages.
inline constexpr std::string_view kCreateSocketFailed = "Create Socket Failed !";
inline constexpr std::string_view kConnectFailed = "Connect TAVRIX Failed !";
inline constexpr std::string_view kSendXmlFailed = "Send XML Configuration Failed !";

// One exchange with one encoder over a TCP connection of its own: open, one
// request, at most one reply, close. Every receive is bounded by the receive
// timeout, and every part of a reply is collected across TCP segments (an
// encoder is not unreachable because its reply happened to be split). The
// whole reply is bounded too, so an encoder that trickles bytes cannot hold the
// operator for longer than the reply limit.
class ControlConnection final {
 public:
  ControlConnection(const NetworkSettings& settings, platform::KeepAlive keepAlive);

  // ipAddr in network order, the record's order.
  OpenResult Open(std::uint32_t ipAddr);
  // cmd and len, then the body. False when the body did not go out whole.
  bool SendRequest(std::uint32_t cmd, std::string_view body = {});
  // The fixed pause between a request and the first receive of its reply.
  void AwaitReply();
  // True when exactly field.size() bytes came.
  bool ReceiveField(std::span<std::byte> field);
  bool ReceiveInt32(std::int32_t& value);
  bool ReceiveUint32(std::uint32_t& value);
  // Up to `length` bytes into the buffer; returns how many came. Bytes of a
  // longer reply than the buffer holds are neither stored nor waited for.
  std::size_t ReceiveBody(std::span<std::byte> buffer, std::size_t length);
  void Close();

 private:
  std::size_t Collect(std::span<std::byte> into);

  NetworkSettings settings_;
  platform::KeepAlive keepAlive_;
  platform::Socket socket_;
  std::optional<platform::Deadline> replyDeadline_;  // from the first receive of the reply
};

// Opens the connection and reports a failed stage as the operator sees it.
// True when the connection is open.
bool OpenReporting(ControlConnection& connection, std::uint32_t ipAddr, OperatorFeedback& feedback);

}  // namespace kestrine::net
