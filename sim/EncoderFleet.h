#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"
#include "sim/SimulatedEncoder.h"

namespace kestrine::sim {

struct FleetCore;
class FleetLoop;

// Keeps a misbehaving client from exhausting the simulator's descriptors.
inline constexpr std::size_t kDefaultMaxConnections = 8192;

struct FleetOptions {
  // The first encoder's address (network order); encoder i gets the address i above it,
  // carrying into the next octet (127.0.0.255 is followed by 127.0.1.0).
  std::uint32_t firstAddress = platform::HostToNetwork32(platform::kLoopbackHostOrder);
  std::size_t count = 1;
  // Every encoder listens on this port of its own address. 0: the system picks one
  // free port, which every encoder of the fleet then shares.
  std::uint16_t controlPort = net::kControlPort;
  // One UDP socket on 0.0.0.0 answers searches for the whole fleet. 0: the system picks.
  bool discovery = true;
  std::uint16_t discoveryPort = net::kDiscoveryPort;
  // Unset: the starting document's old_password if it has one, else kFactoryPassword.
  std::optional<std::string> password;
  // A configuration document every encoder starts from (its ipAddr is replaced by the
  // encoder's own address); empty: the factory configuration.
  std::string startingDocument;
  // Connections served at once, all encoders together; more wait unaccepted until one ends.
  std::size_t maxConnections = kDefaultMaxConnections;
  // Told of what goes wrong while serving (a listener that cannot be reopened, a
  // failed poll, a stream that is not sent and why), once each time it starts going
  // wrong; unset, nobody is told.
  std::function<void(const std::string&)> reportProblem;
  // The network interface (a name or one of its addresses) streams to multicast groups go out on.
  // Empty: streams go only to loopback destinations (127.0.0.0/8).
  std::string multicastInterface;
  // Each encoder's stream goes by default to a port of 127.0.0.1 that the fleet itself holds (and never
  // reads), instead of 5000 + its place: a test's stream can reach no other program's socket.
  bool holdStreamPorts = false;

  // Loopback from 127.0.0.1, ports chosen by the system, streams to ports the fleet holds.
  [[nodiscard]] static FleetOptions ForTests(std::size_t count = 1);
};

// N simulated encoders served by one thread: each has its own address, control
// listener and state; one discovery socket answers for all of them. Start binds
// everything before it returns, so ports are known and connects succeed at once.
class EncoderFleet final {
 public:
  // Room for a --count 1000 fleet with its connections, well under the usual hard limit.
  static constexpr std::size_t kMaxCount = 65536;

  explicit EncoderFleet(FleetOptions options);
  ~EncoderFleet();  // stops
  EncoderFleet(const EncoderFleet&) = delete;
  EncoderFleet& operator=(const EncoderFleet&) = delete;

  // Builds every encoder, binds every socket, logs each encoder's start-up and starts
  // serving. On failure nothing stays bound and `error` says why. A fleet starts once.
  bool Start(std::string& error);
  // Ends serving: every socket closes. The encoders' state stays readable.
  void Stop();
  [[nodiscard]] bool IsRunning() const;

  [[nodiscard]] std::size_t Count() const;
  // Encoder `index` (< Count()), after a successful Start.
  [[nodiscard]] SimulatedEncoder Encoder(std::size_t index);
  // The UDP port discovery is answered on; 0 when discovery is off.
  [[nodiscard]] std::uint16_t DiscoveryPort() const { return discoveryPort_; }

 private:
  FleetOptions options_;
  std::unique_ptr<FleetCore> core_;
  std::unique_ptr<FleetLoop> loop_;
  std::thread thread_;
  std::vector<platform::Socket> heldStreamPorts_;
  std::uint16_t discoveryPort_ = 0;
  bool started_ = false;
};

}  // namespace kestrine::sim
