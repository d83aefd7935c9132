#include "net/ControlConnection.h"

#include <algorithm>
#include <array>
#include <utility>

#include "net/OperatorFeedback.h"

namespace kestrine::net {

ControlConnection::ControlConnection(const NetworkSettings& settings, platform::KeepAlive keepAlive)
    : settings_(settings), keepAlive_(std::move(keepAlive)) {}

OpenResult ControlConnection::Open(std::uint32_t ipAddr) {
  socket_ = platform::Socket::CreateStream();
  if (!socket_.IsValid()) return OpenResult::SocketFailed;
  if (!socket_.Connect(ipAddr, settings_.controlPort, settings_.timings.connectTimeout, keepAlive_)) {
    return OpenResult::ConnectFailed;
  }
  return OpenResult::Opened;
}

bool ControlConnection::SendRequest(std::uint32_t cmd, std::string_view body) {
  const Bytes request = EncodeRequest(cmd, body);
  return socket_.Send(request) == request.size();
}

void ControlConnection::AwaitReply() { platform::PauseFor(settings_.timings.exchangeDelay, keepAlive_); }

std::size_t ControlConnection::Collect(std::span<std::byte> into) {
  if (!replyDeadline_) replyDeadline_.emplace(settings_.timings.replyLimit);
  std::size_t count = 0;
  while (count < into.size() && !replyDeadline_->Expired()) {
    const auto timeout = std::min(settings_.timings.receiveTimeout, replyDeadline_->Remaining());
    const platform::Received got = socket_.Receive(into.subspan(count), timeout, keepAlive_);
    if (got.status != platform::ReceiveStatus::Data || got.count == 0) break;
    count += got.count;
  }
  return count;
}

bool ControlConnection::ReceiveField(std::span<std::byte> field) { return Collect(field) == field.size(); }

bool ControlConnection::ReceiveUint32(std::uint32_t& value) {
  std::array<std::byte, 4> field{};
  if (!ReceiveField(field)) return false;
  value = GetLe32(field);
  return true;
}

bool ControlConnection::ReceiveInt32(std::int32_t& value) {
  std::uint32_t raw = 0;
  if (!ReceiveUint32(raw)) return false;
  value = static_cast<std::int32_t>(raw);
  return true;
}

std::size_t ControlConnection::ReceiveBody(std::span<std::byte> buffer, std::size_t length) {
  return Collect(buffer.first(std::min(length, buffer.size())));
}

void ControlConnection::Close() { socket_.Close(); }

bool OpenReporting(ControlConnection& connection, std::uint32_t ipAddr, OperatorFeedback& feedback) {
  switch (connection.Open(ipAddr)) {
    case OpenResult::Opened:
      return true;
    case OpenResult::SocketFailed:
      feedback.ShowMessage(MessageStyle::Warning, MessageOwner::MainWindow, kCreateSocketFailed);
      return false;
    case OpenResult::ConnectFailed:
      feedback.ShowMessage(MessageStyle::Warning, MessageOwner::MainWindow, kConnectFailed);
      return false;
  }
  return false;
}

}  // namespace kestrine::net
