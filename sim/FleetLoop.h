#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Multicast.h"
#include "platform/Socket.h"
#include "sim/FleetStreams.h"
#include "sim/ReplyPlan.h"
#include "sim/RequestReader.h"

namespace kestrine::platform {
struct PollEntry;
}

namespace kestrine::sim {

struct FleetCore;
class EncoderState;

// A control listener on `address`:`port` (0: the system picks), non-blocking; invalid
// on failure, with the reason in `error`.
[[nodiscard]] platform::Socket OpenControlListener(std::uint32_t address, std::uint16_t port, std::string& error);

// The fleet's one serving thread: a single poll over every control listener, every
// control connection, the discovery socket and a wake-up socket. Replies are timed
// pieces queued per connection, so delays and gaps cost no thread and no blocking;
// the encoders' streams go out from the same thread, each datagram when it is due.
class FleetLoop final {
 public:
  struct Sockets {
    std::vector<platform::Socket> listeners;  // one per encoder, same order as the core's encoders
    platform::Socket discovery;               // may be invalid: discovery off
    platform::Socket wake;
  };

  // Replies a client asked for but does not read; past this its connection is dropped.
  static constexpr std::size_t kMaxQueuedBytes = 64 * 1024;

  // `multicast`: the interface streams to multicast groups go out on; none: no stream goes to a group.
  FleetLoop(FleetCore& core, Sockets sockets, std::size_t maxConnections,
            std::optional<platform::NetworkInterface> multicast = std::nullopt);

  // Serves until the core asks to stop.
  void Run();

 private:
  using Clock = std::chrono::steady_clock;

  struct Listener {
    platform::Socket socket;
    Clock::time_point quietUntil{};  // after a failed accept or reopen, wait before trying again
    bool reopenFailing = false;      // said once, until a reopen succeeds
  };

  struct Connection {
    platform::Socket socket;
    std::size_t encoder = 0;
    RequestReader reader;
    std::deque<ReplyStep> steps;
    std::size_t sentOfFront = 0;
    std::size_t queuedBytes = 0;
    Clock::time_point frontDue{};
    bool peerClosed = false;  // nothing more to read; finish sending, then close
    bool closing = false;     // a close is queued: read and answer nothing more
    bool finished = false;    // to be dropped now
  };

  enum class Role { Wake, Discovery, Listener, Connection };
  struct Watched {
    Role role;
    std::size_t index;
  };

  bool ApplySettings(Clock::time_point now);
  void Reopen(Listener& listener, const EncoderState& encoder, Clock::time_point now);
  void WaitForSockets(std::vector<platform::PollEntry>& entries);
  void ReportProblem(const std::string& problem) const;
  void WatchSockets(Clock::time_point now, std::vector<platform::PollEntry>& entries, std::vector<Watched>& watched);
  [[nodiscard]] std::chrono::milliseconds TimeToNextEvent(Clock::time_point now) const;

  void DrainWake();
  void ServeDiscovery();
  void AcceptOn(std::size_t encoder, Clock::time_point now);
  void ReadFrom(Connection& connection, Clock::time_point now);
  void HandleRequests(Connection& connection, Clock::time_point now);
  void Enqueue(Connection& connection, std::vector<ReplyStep> steps, Clock::time_point now);
  void Pump(Connection& connection, Clock::time_point now, bool writable);
  [[nodiscard]] bool WantsToWrite(const Connection& connection, Clock::time_point now) const;

  FleetCore& core_;
  std::size_t maxConnections_;
  std::vector<Listener> listeners_;
  platform::Socket discovery_;
  platform::Socket wake_;
  std::vector<Connection> connections_;
  FleetStreams streams_;
  bool pollFailing_ = false;  // said once, until a poll succeeds
};

}  // namespace kestrine::sim
