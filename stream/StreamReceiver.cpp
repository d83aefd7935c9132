#include "stream/StreamReceiver.h"

#include <system_error>

#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"
#include "platform/Multicast.h"

namespace kestrine::stream {
namespace {

using namespace std::chrono_literals;

// Room for a burst of a few hundred milliseconds of a fast stream while the receiving thread is busy.
constexpr int kReceiveBuffer = 4 * 1024 * 1024;
constexpr std::size_t kLargestDatagram = 65536;

std::string Why() { return platform::LastSocketError().message(); }

}  // namespace

Destination DestinationOf(const config::EncoderConfiguration& record) {
  Destination d;
  d.address = record.multicast_ip;
  d.port = record.multicast_port > 0 && record.multicast_port <= 0xFFFF
               ? static_cast<std::uint16_t>(record.multicast_port)
               : 0;
  d.framing = record.multicast_mode == 0 ? Framing::Udp : Framing::Rtp;
  return d;
}

std::string FormatDestination(const Destination& destination) {
  return platform::FormatIpv4(destination.address) + ":" + std::to_string(destination.port);
}

std::optional<StreamReceiver> StreamReceiver::Open(const Destination& destination, const std::string& interfaceName,
                                                   std::string& error) {
  const std::string where = platform::FormatIpv4(destination.address);
  if (destination.port == 0) {
    error = "port 0 is no destination";
    return std::nullopt;
  }
  const std::uint32_t host = platform::NetworkToHost32(destination.address);
  if (host == 0 || host == 0xFFFFFFFFu) {
    error = where + " is no destination a stream can be sent to";
    return std::nullopt;
  }
  const bool multicast = platform::IsMulticastAddress(destination.address);
  if (!multicast && !platform::IsLocalAddress(destination.address)) {
    error = where + " is not an address of this host";
    return std::nullopt;
  }
  std::optional<platform::NetworkInterface> joinOn;
  if (multicast && !interfaceName.empty()) {
    joinOn = platform::FindNetworkInterface(interfaceName, error);
    if (!joinOn) return std::nullopt;
  }

  platform::Socket socket = platform::Socket::CreateDatagram();
  if (!socket.IsValid()) {
    error = "cannot open a socket: " + Why();
    return std::nullopt;
  }
  (void)socket.SetReceiveBufferSize(kReceiveBuffer);  // smaller only loses datagrams in a burst
  // A group may have other listeners on this host (a player); a unicast port is ours alone.
  const bool bound = multicast ? platform::BindToGroup(socket, destination.address, destination.port)
                               : socket.Bind(destination.address, destination.port);
  if (!bound) {
    error = "cannot listen on " + FormatDestination(destination) + ": " + Why();
    return std::nullopt;
  }
  if (multicast && !platform::JoinMulticastGroup(socket, destination.address, joinOn ? &*joinOn : nullptr)) {
    error = "cannot join " + where + (joinOn ? " on " + joinOn->name : std::string()) + ": " + Why();
    return std::nullopt;
  }
  StreamReceiver receiver(std::move(socket));
  receiver.buffer_.resize(kLargestDatagram);
  return receiver;
}

void StreamReceiver::ReceiveFor(std::chrono::milliseconds duration, const Sink& sink,
                                const platform::KeepAlive& keepAlive, const std::function<bool()>& cancelled) {
  const platform::Deadline deadline(duration);
  auto lastKept = Clock::now();
  while (!deadline.Expired() && !(cancelled && cancelled())) {
    // WaitReadable keeps the caller alive while nothing comes; a steady stream is kept alive below.
    if (socket_.WaitReadable(std::min(deadline.Remaining(), platform::kWaitSlice), keepAlive)) {
      for (;;) {
        const platform::Received got = socket_.ReceiveFrom(buffer_, 0ms, {});
        if (got.status != platform::ReceiveStatus::Data) break;
        sink(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(buffer_.data()), got.count),
             Clock::now());
        if (deadline.Expired()) break;
      }
    }
    if (keepAlive && Clock::now() - lastKept >= platform::kWaitSlice) {
      keepAlive();
      lastKept = Clock::now();
    }
  }
}

}  // namespace kestrine::stream
