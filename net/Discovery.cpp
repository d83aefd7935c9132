#include "net/Discovery.h"

#include <algorithm>
#include <array>

#include "net/OperatorFeedback.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

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
  std::array<char, 128> name{};
  if (::gethostname(name.data(), static_cast<int>(name.size() - 1)) != 0) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (::getaddrinfo(name.data(), nullptr, &hints, &list) != 0 || list == nullptr) return std::nullopt;
  std::uint32_t first = 0;
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      first = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
      break;
    }
  }
  ::freeaddrinfo(list);
  if (first == 0) return std::nullopt;
  return (platform::NetworkToHost32(first) & 0xFFFFFF00u) | 0xFFu;
}

}  // namespace kestrine::net
