#include "net/Discovery.h"

#include <algorithm>
#include <array>

#include "net/OperatorFeedback.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

namespace kestrine::net {

SearchSummary SearchDevices(std::uint32_t broadcastAddress, const NetworkSettings& settings, OperatorFeedback& feedback,
                            const DeviceFound& found) {
  SearchSummary summary;
  platform::Socket socket = platform::Socket::CreateDatagram();
  if (!socket.IsValid()) {
    summary.sendError = platform::LastSocketError();
    return summary;
  }
  // Refused, the broadcast send below fails and says so.
  (void)socket.SetBroadcast(true);
  summary.receiveBufferEnlarged = socket.SetReceiveBufferSize(kDiscoveryReceiveBuffer) &&
                                  socket.ReceiveBufferSize() >= kEnoughDiscoveryReceiveBuffer;
  const Bytes request = EncodeSearchRequest();
  if (!socket.SendTo(request, platform::HostToNetwork32(broadcastAddress), settings.discoveryPort)) {
    summary.sendError = platform::LastSocketError();
    return summary;
  }
  summary.requestSent = true;

  WaitScope wait(feedback);
  const platform::Deadline window(settings.timings.discoveryWindow);
  const platform::KeepAlive keepAlive = [&feedback] { feedback.KeepAlive(); };
  std::array<std::byte, kSearchReplyBufferSize> buffer{};
  while (!window.Expired()) {
    // A timeout only lets the loop look at the clock; it never waits past the window.
    const auto slice = std::clamp(window.Remaining(), std::chrono::milliseconds{1}, settings.timings.receiveTimeout);
    TakeSearchDatagram(socket.ReceiveFrom(buffer, slice, keepAlive), buffer, summary, found);
  }
  return summary;
}

void TakeSearchDatagram(const platform::Received& got, std::span<const std::byte> buffer, SearchSummary& summary,
                        const DeviceFound& found) {
  if (got.status != platform::ReceiveStatus::Data) return;
  const auto address = DecodeSearchReply(buffer.first(std::min(got.count, buffer.size())));
  if (!address) {
    ++summary.ignored;
    return;
  }
  ++summary.accepted;
  found(platform::FormatIpv4(*address));
}

std::optional<std::uint32_t> ProposedBroadcastAddress() {
  const std::optional<std::uint32_t> host = platform::HostAddress();
  if (!host || *host == 0) return std::nullopt;
  return (platform::NetworkToHost32(*host) & 0xFFFFFF00u) | 0xFFu;
}

}  // namespace kestrine::net
