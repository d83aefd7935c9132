#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <system_error>

#include "net/Timings.h"

namespace kestrine::platform {
struct Received;
}

namespace kestrine::net {

class OperatorFeedback;

// Receives each accepted encoder address as dotted text, in order of arrival.
// Repeats are passed on as they come: keeping one entry per address is the receiver's business.
using DeviceFound = std::function<void(const std::string& address)>;

struct SearchSummary {
  bool requestSent = false;
  std::error_code sendError;  // why the request could not be sent
  std::size_t accepted = 0;  // replies handed on
  std::size_t ignored = 0;   // datagrams that were not well-formed encoder replies
  // False when the system kept the receive buffer below kEnoughDiscoveryReceiveBuffer:
  // then only about a quarter of a large burst of replies is kept.
  bool receiveBufferEnlarged = false;
};

// Receive buffer asked of the system for the discovery socket, so that a burst
// of replies from a large fleet is not dropped while we read.
inline constexpr int kDiscoveryReceiveBuffer = 4 * 1024 * 1024;
// What keeps a burst of 1000 replies whole; the default keeps about 256 of them.
inline constexpr int kEnoughDiscoveryReceiveBuffer = 1024 * 1024;

// Broadcasts the search request to broadcastAddress (host order) on the
// discovery port and hands on every well-formed reply that arrives within the
// discovery window. Shows no message; a request that cannot be sent ends it silently.
SearchSummary SearchDevices(std::uint32_t broadcastAddress, const NetworkSettings& settings, OperatorFeedback& feedback,
                            const DeviceFound& found);

// One receive of the search loop, as the loop takes it: a datagram that is a
// well-formed encoder reply, judged on the bytes the receive call stored (a longer
// one is cut to the buffer), is handed on; any other datagram is counted as
// ignored; a receive that brought no datagram changes nothing.
void TakeSearchDatagram(const platform::Received& got, std::span<const std::byte> buffer, SearchSummary& summary,
                        const DeviceFound& found);

// The broadcast address offered for a search: this host's first address with
// 255 as its last byte (host order). None when the host name does not resolve.
[[nodiscard]] std::optional<std::uint32_t> ProposedBroadcastAddress();

}  // namespace kestrine::net
