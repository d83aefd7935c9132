#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Multicast.h"
#include "platform/Socket.h"
#include "stream/PacedStream.h"
#include "stream/StreamLayout.h"
#include "stream/StreamReceiver.h"

namespace kestrine::sim {

class EncoderState;

// Why the simulator does not send a stream to `address` (network order), or nothing when it may: only to
// loopback, and to multicast groups when an interface for them was named. Nothing else ever leaves it.
[[nodiscard]] std::optional<std::string> StreamRefusal(std::uint32_t address,
                                                       const std::optional<platform::NetworkInterface>& multicast);

// The transport streams of a fleet's encoders, sent from the fleet's serving thread: each encoder that
// streams has a paced stream and a socket, picked up from its state when that changes, and its due datagrams
// go out whenever the thread wakes, so a hundred encoders cost one thread's short wake-ups. A stream that
// is started again or sent elsewhere carries on (its counters and clock unbroken), paced afresh from then.
class FleetStreams final {
 public:
  using Clock = std::chrono::steady_clock;

  FleetStreams(std::optional<platform::NetworkInterface> multicast, std::function<void(const std::string&)> report);

  // With the fleet's lock held: starts, changes or stops the streams of encoders whose state changed, and
  // tells each encoder what became of its stream.
  void Sync(std::vector<EncoderState>& encoders, Clock::time_point now);
  // Without the lock: sends every datagram due by `now`.
  void SendDue(Clock::time_point now);
  // When the next datagram is due (Clock::time_point::max() when none is).
  [[nodiscard]] Clock::time_point NextDue() const;

 private:
  struct Active {
    std::size_t encoder = 0;
    stream::Destination destination;
    platform::Socket socket;
    stream::StreamFaults faults;
    std::optional<stream::PacedStream> paced;
    std::string sendProblem;  // why the last send failed; told once, at the next Sync
    bool sendProblemTold = false;
  };

  struct Seen {
    std::uint64_t revision = ~std::uint64_t{0};
    std::uint64_t starts = 0;
    std::string said;  // the last problem told, so each is told once
  };

  void Update(std::size_t index, EncoderState& encoder, Clock::time_point now);
  void Stop(std::size_t index);
  [[nodiscard]] Active* Find(std::size_t index);
  // Starts the encoder's stream or carries it on with the new settings; the reason when it cannot.
  [[nodiscard]] std::optional<std::string> Send(std::size_t index, const EncoderState& encoder,
                                                const stream::StreamLayout& layout,
                                                const stream::Destination& destination, bool restart,
                                                Clock::time_point now);
  [[nodiscard]] std::optional<std::string> OpenSocket(Active& active, const EncoderState& encoder);
  [[nodiscard]] static std::uint32_t Ssrc(const EncoderState& encoder);
  void Tell(std::size_t index, EncoderState& encoder, const std::string& problem);

  std::optional<platform::NetworkInterface> multicast_;
  std::function<void(const std::string&)> report_;
  std::vector<Active> active_;
  std::vector<Seen> seen_;
};

}  // namespace kestrine::sim
