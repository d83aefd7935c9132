#include "sim/FleetStreams.h"

#include <algorithm>
#include <utility>

#include "platform/Ipv4Text.h"
#include "sim/EncoderState.h"
#include "stream/StreamLayout.h"
#include "stream/TransportStreamGenerator.h"

namespace kestrine::sim {
namespace {

bool SameDestination(const stream::Destination& a, const stream::Destination& b) {
  return a.address == b.address && a.port == b.port;
}

}  // namespace

std::optional<std::string> StreamRefusal(std::uint32_t address,
                                         const std::optional<platform::NetworkInterface>& multicast) {
  if (platform::IsLoopbackAddress(address)) return std::nullopt;
  if (platform::IsMulticastAddress(address)) {
    if (multicast) return std::nullopt;
    return std::string("it is a multicast group, and no --multicast-interface names an interface for groups");
  }
  return std::string(
      "it is not a loopback address (the simulator sends only to 127.0.0.0/8, and to multicast groups on the "
      "interface --multicast-interface names)");
}

FleetStreams::FleetStreams(std::optional<platform::NetworkInterface> multicast,
                           std::function<void(const std::string&)> report)
    : multicast_(std::move(multicast)), report_(std::move(report)) {}

void FleetStreams::Sync(std::vector<EncoderState>& encoders, Clock::time_point now) {
  if (seen_.size() != encoders.size()) seen_.resize(encoders.size());
  for (std::size_t i = 0; i < encoders.size(); ++i) Update(i, encoders[i], now);
  for (Active& active : active_) {
    if (active.sendProblem.empty() || active.sendProblemTold) continue;
    active.sendProblemTold = true;
    EncoderState& encoder = encoders[active.encoder];
    StreamStatus status = encoder.Stream();
    status.problem = active.sendProblem;
    encoder.SetStreamStatus(status);
    if (report_) report_(platform::FormatIpv4(encoder.Address()) + ": " + active.sendProblem);
  }
}

void FleetStreams::Update(std::size_t index, EncoderState& encoder, Clock::time_point now) {
  Seen& seen = seen_[index];
  if (encoder.StreamRevision() == seen.revision) return;
  seen.revision = encoder.StreamRevision();
  const bool restart = encoder.StreamStarts() != seen.starts;
  seen.starts = encoder.StreamStarts();
  if (!encoder.IsStreaming()) {
    Stop(index);
    encoder.SetStreamStatus({false, {}, {}, seen.revision});
    seen.said.clear();
    return;
  }

  const config::EncoderConfiguration& record = encoder.Configuration();
  const stream::Destination destination = stream::DestinationOf(record);
  std::string problem;
  std::optional<stream::StreamLayout> layout;
  if (const std::optional<std::string> refusal = StreamRefusal(destination.address, multicast_)) {
    problem = *refusal;
  } else if (destination.port == 0) {
    problem = "multicast_port " + std::to_string(record.multicast_port) + " is no port to send to";
  } else {
    layout = stream::LayoutFor(record, problem);
  }
  if (layout) {
    if (std::optional<std::string> failed = Send(index, encoder, *layout, destination, restart, now)) {
      problem = *failed;
      layout.reset();
    }
  }
  if (!layout) {
    Stop(index);
    Tell(index, encoder, problem);
    return;
  }
  encoder.SetStreamStatus({true, stream::FormatDestination(destination), {}, seen.revision});
  seen.said.clear();
}

std::optional<std::string> FleetStreams::Send(std::size_t index, const EncoderState& encoder,
                                              const stream::StreamLayout& layout,
                                              const stream::Destination& destination, bool restart,
                                              Clock::time_point now) {
  const stream::StreamFaults& faults = encoder.StreamFaults();
  std::string problem;
  Active* active = Find(index);
  if (!active) {
    std::optional<stream::TransportStreamGenerator> generator =
        stream::TransportStreamGenerator::Create(layout, faults, problem);
    if (!generator) return problem;
    active_.push_back(Active{index, destination, {}, faults, {}, {}, false});
    active = &active_.back();
    active->paced.emplace(std::move(*generator), destination.framing, Ssrc(encoder), now, faults.stopAfter);
    restart = true;
  } else if (!active->paced->Generator().Reconfigure(layout, faults, problem)) {
    // The same stream goes on with the new settings: its clock, counters and time stamps carry on.
    return problem;
  }
  active->paced->SetFraming(destination.framing);
  if (restart || !SameDestination(active->destination, destination) || active->faults != faults) {
    // Stopped and resumed (to the new destination): the same stream, paced afresh from now.
    stream::TransportStreamGenerator generator = std::move(active->paced->Generator());
    active->paced.emplace(std::move(generator), destination.framing, Ssrc(encoder), now, faults.stopAfter);
    active->destination = destination;
    active->faults = faults;
    if (std::optional<std::string> failed = OpenSocket(*active, encoder)) return failed;
  }
  return std::nullopt;
}

std::optional<std::string> FleetStreams::OpenSocket(Active& active, const EncoderState& encoder) {
  active.socket = platform::Socket::CreateDatagram();
  if (!active.socket.IsValid()) return "cannot open a socket: " + platform::LastSocketError().message();
  if (platform::IsLoopbackAddress(active.destination.address)) {
    // From the encoder's own address, as a real one sends; a loopback address always binds.
    (void)active.socket.Bind(encoder.Address(), 0);
  } else if (!platform::SendMulticastOn(active.socket, *multicast_)) {
    return "cannot send to groups on " + multicast_->name + ": " + platform::LastSocketError().message();
  }
  return std::nullopt;
}

std::uint32_t FleetStreams::Ssrc(const EncoderState& encoder) { return platform::NetworkToHost32(encoder.Address()); }

void FleetStreams::Stop(std::size_t index) {
  std::erase_if(active_, [&](const Active& a) { return a.encoder == index; });
}

FleetStreams::Active* FleetStreams::Find(std::size_t index) {
  const auto found = std::find_if(active_.begin(), active_.end(), [&](const Active& a) { return a.encoder == index; });
  return found == active_.end() ? nullptr : &*found;
}

void FleetStreams::Tell(std::size_t index, EncoderState& encoder, const std::string& problem) {
  const stream::Destination destination = stream::DestinationOf(encoder.Configuration());
  encoder.SetStreamStatus({false, stream::FormatDestination(destination), problem, encoder.StreamRevision()});
  Seen& seen = seen_[index];
  const std::string line = platform::FormatIpv4(encoder.Address()) + ": the stream to " +
                           stream::FormatDestination(destination) + " is not sent: " + problem;
  if (seen.said == line) return;
  seen.said = line;
  if (report_) report_(line);
}

void FleetStreams::SendDue(Clock::time_point now) {
  for (Active& active : active_) {
    active.paced->SendDue(now, [&](std::span<const std::uint8_t> datagram) {
      const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(datagram.data()), datagram.size());
      if (active.socket.SendTo(bytes, active.destination.address, active.destination.port)) {
        if (active.sendProblemTold) active.sendProblem.clear();
        active.sendProblemTold = false;
        return;
      }
      // Lost, as a datagram may be; said once until sending works again.
      if (active.sendProblem.empty()) {
        active.sendProblem = "cannot send the stream to " + stream::FormatDestination(active.destination) + ": " +
                             platform::LastSocketError().message();
      }
    });
  }
}

FleetStreams::Clock::time_point FleetStreams::NextDue() const {
  Clock::time_point next = Clock::time_point::max();
  for (const Active& active : active_) next = std::min(next, active.paced->NextDue());
  return next;
}

}  // namespace kestrine::sim
