#include "sim/EncoderFleet.h"

#include <mutex>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#include "config/ConfigurationDocument.h"
#include "platform/Ipv4Text.h"
#include "platform/Multicast.h"
#include "platform/Socket.h"
#include "sim/EncoderDocument.h"
#include "sim/FleetCore.h"
#include "sim/FleetLoop.h"

namespace kestrine::sim {
namespace {

// With the port left to the system, the first pick may be taken on a later address.
constexpr int kSharedPortAttempts = 20;

bool FleetAddresses(const FleetOptions& options, std::vector<std::uint32_t>& addresses, std::string& error) {
  if (options.count == 0 || options.count > EncoderFleet::kMaxCount) {
    error = "the number of encoders must be 1 to " + std::to_string(EncoderFleet::kMaxCount);
    return false;
  }
  const std::uint64_t first = platform::NetworkToHost32(options.firstAddress);
  if (first + options.count - 1 > 0xFFFFFFFFu) {
    error = "not enough addresses after " + platform::FormatIpv4(options.firstAddress) + " for " +
            std::to_string(options.count) + " encoders";
    return false;
  }
  addresses.clear();
  for (std::size_t i = 0; i < options.count; ++i) {
    addresses.push_back(platform::HostToNetwork32(static_cast<std::uint32_t>(first + i)));
  }
  return true;
}

bool BuildEncoders(const FleetOptions& options, const std::vector<std::uint32_t>& addresses,
                   const std::vector<platform::Socket>& heldStreamPorts, std::vector<EncoderState>& encoders,
                   std::string& error) {
  encoders.clear();
  encoders.reserve(addresses.size());
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    config::EncoderConfiguration record = FactoryConfiguration(i, addresses[i]);
    if (!options.startingDocument.empty()) {
      if (config::LoadConfigurationDocument(options.startingDocument, record) == 0) {
        error = "the starting configuration is not a configuration document (root element tavrix)";
        return false;
      }
      record.ipAddr = addresses[i];
    } else if (i < heldStreamPorts.size()) {
      record.multicast_port = heldStreamPorts[i].LocalPort();
    }
    std::string password(kFactoryPassword);
    if (options.password) {
      password = *options.password;
    } else if (!config::TextOf(record.old_password).empty()) {
      password = std::string(config::TextOf(record.old_password));
    }
    encoders.emplace_back(addresses[i], record, password);
  }
  return true;
}

// One listener per address, all on one port.
bool OpenListeners(const std::vector<std::uint32_t>& addresses, std::uint16_t requestedPort,
                   std::vector<platform::Socket>& listeners, std::uint16_t& port, std::string& error) {
  const int attempts = requestedPort == 0 ? kSharedPortAttempts : 1;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    listeners.clear();
    port = requestedPort;
    for (const std::uint32_t address : addresses) {
      platform::Socket listener = OpenControlListener(address, port, error);
      if (!listener.IsValid()) break;
      if (port == 0) port = listener.LocalPort();
      listeners.push_back(std::move(listener));
    }
    if (listeners.size() == addresses.size()) return true;
  }
  listeners.clear();
  if (requestedPort == 0) error = "no free port shared by every encoder address (last try: " + error + ")";
  return false;
}

platform::Socket OpenDiscoverySocket(std::uint16_t port, std::string& error) {
  platform::Socket socket = platform::Socket::CreateDatagram();
  // Bound to every address, so a loopback broadcast (127.255.255.255) reaches it too.
  if (!socket.IsValid() || !socket.Bind(0, port)) {
    error = "cannot receive discovery requests on UDP port " + std::to_string(port) + ": " +
            platform::LastSocketError().message();
    return {};
  }
  return socket;
}

// One UDP port of 127.0.0.1 per encoder, held open, as the default destination of its stream. A record's
// port is at most 9999, so they are taken from 1024..9999 (not the system's ephemeral range), from a point
// that differs per run, so that fleets of tests running side by side rarely try the same ones.
constexpr std::uint16_t kLowestHeldPort = 1024;
constexpr std::uint16_t kHighestHeldPort = 9999;

bool HoldStreamPorts(std::size_t count, std::vector<platform::Socket>& held, std::string& error) {
  constexpr unsigned kRange = kHighestHeldPort - kLowestHeldPort + 1;
  unsigned next = static_cast<unsigned>(std::random_device{}() % kRange);
  for (unsigned tried = 0; held.size() < count; ++tried, next = (next + 1) % kRange) {
    if (tried == kRange) {
      error = "no free UDP ports of 127.0.0.1 left in " + std::to_string(kLowestHeldPort) + ".." +
              std::to_string(kHighestHeldPort) + " for the streams";
      return false;
    }
    platform::Socket socket = platform::Socket::CreateDatagram();
    if (!socket.IsValid()) {
      error = "cannot hold a port for a stream: " + platform::LastSocketError().message();
      return false;
    }
    const auto port = static_cast<std::uint16_t>(kLowestHeldPort + next);
    if (socket.Bind(platform::HostToNetwork32(platform::kLoopbackHostOrder), port)) held.push_back(std::move(socket));
  }
  return true;
}

platform::Socket OpenWakeSocket(std::uint16_t& port, std::string& error) {
  platform::Socket socket = platform::Socket::CreateDatagram();
  if (!socket.IsValid() || !socket.Bind(platform::HostToNetwork32(platform::kLoopbackHostOrder), 0)) {
    error = "cannot open the simulator's wake-up socket: " + platform::LastSocketError().message();
    return {};
  }
  port = socket.LocalPort();
  return socket;
}

}  // namespace

FleetOptions FleetOptions::ForTests(std::size_t count) {
  FleetOptions options;
  options.count = count;
  options.controlPort = 0;
  options.discoveryPort = 0;
  options.holdStreamPorts = true;
  return options;
}

EncoderFleet::EncoderFleet(FleetOptions options)
    : options_(std::move(options)), core_(std::make_unique<FleetCore>()) {}

EncoderFleet::~EncoderFleet() { Stop(); }

bool EncoderFleet::Start(std::string& error) {
  if (started_) {
    error = "the simulator has already been started";
    return false;
  }
  if (!platform::StartSocketLayer()) {
    error = platform::kSocketLayerFailedText;
    return false;
  }
  std::vector<std::uint32_t> addresses;
  std::vector<EncoderState> encoders;
  if (!FleetAddresses(options_, addresses, error)) return false;
  if (options_.holdStreamPorts && options_.startingDocument.empty() &&
      !HoldStreamPorts(addresses.size(), heldStreamPorts_, error)) {
    return false;
  }
  if (!BuildEncoders(options_, addresses, heldStreamPorts_, encoders, error)) return false;
  std::optional<platform::NetworkInterface> multicast;
  if (!options_.multicastInterface.empty()) {
    multicast = platform::FindNetworkInterface(options_.multicastInterface, error);
    if (!multicast) return false;
  }

  FleetLoop::Sockets sockets;
  std::uint16_t controlPort = 0;
  if (!OpenListeners(addresses, options_.controlPort, sockets.listeners, controlPort, error)) return false;
  if (options_.discovery) {
    sockets.discovery = OpenDiscoverySocket(options_.discoveryPort, error);
    if (!sockets.discovery.IsValid()) return false;
    discoveryPort_ = sockets.discovery.LocalPort();
  }
  std::uint16_t wakePort = 0;
  sockets.wake = OpenWakeSocket(wakePort, error);
  platform::Socket wakeSender = platform::Socket::CreateDatagram();
  if (!sockets.wake.IsValid() || !wakeSender.IsValid()) {
    if (error.empty()) error = "cannot open the simulator's wake-up socket";
    return false;
  }

  for (EncoderState& encoder : encoders) {
    encoder.SetControlPort(controlPort);
    encoder.SetListening(true);
    encoder.LogEvent(events::kStartUp);
  }
  {
    std::lock_guard lock(core_->mutex);
    core_->encoders = std::move(encoders);
    core_->wakeSender = std::move(wakeSender);
    core_->wakePort = wakePort;
    core_->reportProblem = options_.reportProblem;
    core_->running = true;
  }
  loop_ = std::make_unique<FleetLoop>(*core_, std::move(sockets), options_.maxConnections, std::move(multicast));
  thread_ = std::thread([this] { loop_->Run(); });
  started_ = true;
  return true;
}

void EncoderFleet::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(core_->mutex);
    core_->stopping = true;
    core_->WakeServingThread();
  }
  thread_.join();
  loop_.reset();
  std::lock_guard lock(core_->mutex);
  core_->running = false;
  for (EncoderState& encoder : core_->encoders) encoder.SetListening(false);
  core_->changesApplied.notify_all();
}

bool EncoderFleet::IsRunning() const {
  std::lock_guard lock(core_->mutex);
  return core_->running;
}

std::size_t EncoderFleet::Count() const {
  std::lock_guard lock(core_->mutex);
  return core_->encoders.size();
}

SimulatedEncoder EncoderFleet::Encoder(std::size_t index) {
  if (index >= Count()) throw std::out_of_range("no simulated encoder " + std::to_string(index));
  return SimulatedEncoder(*core_, index);
}

}  // namespace kestrine::sim
