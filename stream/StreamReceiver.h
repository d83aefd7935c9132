#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "platform/Wait.h"
#include "stream/PacedStream.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::stream {

// Where an encoder sends its stream, and how.
struct Destination {
  std::uint32_t address = 0;  // network order
  std::uint16_t port = 0;
  Framing framing = Framing::Udp;
  friend bool operator==(const Destination&, const Destination&) = default;
};

// multicast_ip:multicast_port, multicast_mode (0 udp, 1 rtp); a port outside 0..65535 gives 0.
[[nodiscard]] Destination DestinationOf(const config::EncoderConfiguration& record);
// "239.1.1.5:1234"
[[nodiscard]] std::string FormatDestination(const Destination& destination);

// A socket that receives exactly the datagrams sent to one destination on this host: a multicast group
// joined on an interface, bound to the group so other groups on the same port stay out (and shared, so a
// player may listen beside it); or a unicast address of this host, bound to it and its port.
class StreamReceiver final {
 public:
  using Clock = std::chrono::steady_clock;
  using Sink = std::function<void(std::span<const std::uint8_t> datagram, Clock::time_point arrival)>;

  // `interfaceName` (multicast only): a name or an address; empty: the interface the routing table picks.
  // Nothing, with the reason in `error`, when this host cannot receive there.
  [[nodiscard]] static std::optional<StreamReceiver> Open(const Destination& destination,
                                                          const std::string& interfaceName, std::string& error);

  // Hands every datagram that arrives within `duration` to `sink`; `keepAlive` runs at least every 20 ms,
  // and `cancelled` (when given) ends the wait early once it answers true.
  void ReceiveFor(std::chrono::milliseconds duration, const Sink& sink, const platform::KeepAlive& keepAlive,
                  const std::function<bool()>& cancelled);

 private:
  explicit StreamReceiver(platform::Socket socket) : socket_(std::move(socket)) {}

  platform::Socket socket_;
  std::vector<std::byte> buffer_;
};

}  // namespace kestrine::stream
