#include "sim/FleetLoop.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/Ipv4Text.h"
#include "platform/SocketPoll.h"
#include "sim/DiscoveryReplies.h"
#include "sim/FleetCore.h"

namespace kestrine::sim {
namespace {

using namespace std::chrono_literals;

constexpr int kAcceptsPerWake = 64;
constexpr int kDatagramsPerWake = 64;
constexpr int kListenBacklog = 1024;  // bursts of short connections must not overflow it
constexpr auto kRetryPause = 50ms;
constexpr auto kLongestSleep = 1000ms;

// Right after the failed call, while the system still says why.
std::string DescribeFailure(std::string_view what, std::uint32_t address, std::uint16_t port) {
  return std::string(what) + " " + platform::FormatIpv4(address) + ":" + std::to_string(port) + ": " +
         platform::LastSocketError().message();
}

}  // namespace

platform::Socket OpenControlListener(std::uint32_t address, std::uint16_t port, std::string& error) {
  platform::Socket listener = platform::Socket::CreateStream();
  if (!listener.IsValid()) {
    error = DescribeFailure("cannot create a socket for", address, port);
    return {};
  }
  // Reopening after a refusal must not wait for the TIME_WAIT of earlier connections;
  // where the option is refused, a bind that then fails says so below.
  (void)listener.SetReuseAddress(true);
  if (!listener.Bind(address, port) || !listener.Listen(kListenBacklog) || !listener.SetNonBlocking(true)) {
    error = DescribeFailure("cannot listen on", address, port);
    return {};
  }
  return listener;
}

FleetLoop::FleetLoop(FleetCore& core, Sockets sockets, std::size_t maxConnections,
                     std::optional<platform::NetworkInterface> multicast)
    : core_(core),
      maxConnections_(maxConnections),
      discovery_(std::move(sockets.discovery)),
      wake_(std::move(sockets.wake)),
      streams_(std::move(multicast), [this](const std::string& problem) { ReportProblem(problem); }) {
  listeners_.reserve(sockets.listeners.size());
  for (platform::Socket& socket : sockets.listeners) listeners_.push_back(Listener{std::move(socket), {}});
}

void FleetLoop::Run() {
  std::vector<platform::PollEntry> entries;
  std::vector<Watched> watched;
  while (ApplySettings(Clock::now())) {
    WatchSockets(Clock::now(), entries, watched);
    WaitForSockets(entries);

    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const platform::PollEntry& entry = entries[i];
      const bool ready = entry.readable || entry.broken;
      switch (watched[i].role) {
        case Role::Wake:
          if (ready) DrainWake();
          break;
        case Role::Discovery:
          if (ready) ServeDiscovery();
          break;
        case Role::Listener:
          if (ready) AcceptOn(watched[i].index, now);
          break;
        case Role::Connection: {
          Connection& connection = connections_[watched[i].index];
          if (ready && entry.wantRead) ReadFrom(connection, now);
          Pump(connection, now, entry.writable || (entry.broken && entry.wantWrite));
          break;
        }
      }
    }
    // Timers of connections that were not watched this round (waiting for a due time).
    for (Connection& connection : connections_) Pump(connection, now, false);
    std::erase_if(connections_, [](const Connection& c) { return c.finished; });
    streams_.SendDue(Clock::now());
  }
}

bool FleetLoop::ApplySettings(Clock::time_point now) {
  std::lock_guard lock(core_.mutex);
  if (core_.stopping) return false;
  const std::uint64_t requested = core_.changesRequested;
  for (std::size_t i = 0; i < listeners_.size(); ++i) {
    EncoderState& encoder = core_.encoders[i];
    Listener& listener = listeners_[i];
    if (encoder.RefusesConnections()) {
      listener.socket.Close();
    } else if (!listener.socket.IsValid() && now >= listener.quietUntil) {
      Reopen(listener, encoder, now);
    }
    encoder.SetListening(listener.socket.IsValid());
  }
  streams_.Sync(core_.encoders, now);
  if (core_.changesDone != requested) {
    core_.changesDone = requested;
    core_.changesApplied.notify_all();
  }
  return true;
}

void FleetLoop::Reopen(Listener& listener, const EncoderState& encoder, Clock::time_point now) {
  std::string error;
  listener.socket = OpenControlListener(encoder.Address(), encoder.ControlPort(), error);
  if (listener.socket.IsValid()) {
    listener.reopenFailing = false;
    return;
  }
  listener.quietUntil = now + kRetryPause;
  if (!listener.reopenFailing) ReportProblem(error + " (retrying)");
  listener.reopenFailing = true;
}

void FleetLoop::WaitForSockets(std::vector<platform::PollEntry>& entries) {
  if (platform::PollSockets(entries, TimeToNextEvent(Clock::now())) >= 0) {
    pollFailing_ = false;
    return;
  }
  // Nothing is marked ready after a failed poll; pause so a lasting failure does not spin.
  if (!pollFailing_) ReportProblem("cannot wait for the sockets: " + platform::LastSocketError().message() + " (retrying)");
  pollFailing_ = true;
  std::this_thread::sleep_for(kRetryPause);
}

void FleetLoop::ReportProblem(const std::string& problem) const {
  if (core_.reportProblem) core_.reportProblem(problem);
}

void FleetLoop::WatchSockets(Clock::time_point now, std::vector<platform::PollEntry>& entries,
                             std::vector<Watched>& watched) {
  entries.clear();
  watched.clear();
  const auto watch = [&](const platform::Socket& socket, bool read, bool write, Role role, std::size_t index) {
    entries.push_back(platform::PollEntry{socket.Native(), read, write});
    watched.push_back(Watched{role, index});
  };
  watch(wake_, true, false, Role::Wake, 0);
  if (discovery_.IsValid()) watch(discovery_, true, false, Role::Discovery, 0);
  if (connections_.size() < maxConnections_) {
    for (std::size_t i = 0; i < listeners_.size(); ++i) {
      if (listeners_[i].socket.IsValid() && now >= listeners_[i].quietUntil) {
        watch(listeners_[i].socket, true, false, Role::Listener, i);
      }
    }
  }
  for (std::size_t i = 0; i < connections_.size(); ++i) {
    const Connection& connection = connections_[i];
    const bool read = !connection.peerClosed && !connection.closing;
    const bool write = WantsToWrite(connection, now);
    // A socket watched for nothing would still report a hang-up on every round.
    if (read || write) watch(connection.socket, read, write, Role::Connection, i);
  }
}

std::chrono::milliseconds FleetLoop::TimeToNextEvent(Clock::time_point now) const {
  Clock::time_point next = now + kLongestSleep;
  for (const Connection& connection : connections_) {
    if (!connection.steps.empty() && connection.frontDue > now) next = std::min(next, connection.frontDue);
  }
  for (const Listener& listener : listeners_) {
    if (listener.quietUntil > now) next = std::min(next, listener.quietUntil);
  }
  next = std::max(now, std::min(next, streams_.NextDue()));
  return std::chrono::ceil<std::chrono::milliseconds>(next - now);
}

void FleetLoop::DrainWake() {
  std::array<std::byte, 16> buffer{};
  for (int i = 0; i < kDatagramsPerWake; ++i) {
    if (wake_.ReceiveFrom(buffer, 0ms, {}).status != platform::ReceiveStatus::Data) break;
  }
}

void FleetLoop::ServeDiscovery() {
  std::array<std::byte, 64> buffer{};
  for (int i = 0; i < kDatagramsPerWake; ++i) {
    const platform::Received received = discovery_.ReceiveFrom(buffer, 0ms, {});
    if (received.status != platform::ReceiveStatus::Data) break;
    if (received.fromPort == 0 || !IsSearchRequest(std::span(buffer).first(received.count))) continue;

    std::vector<net::Bytes> replies;
    {
      std::lock_guard lock(core_.mutex);
      replies.reserve(core_.encoders.size());
      for (const EncoderState& encoder : core_.encoders) {
        const DiscoveryFaults& faults = encoder.Discovery();
        net::Bytes reply = BuildDiscoveryReply(encoder.Address(), faults.mode);
        if (reply.empty()) continue;
        for (int n = 0; n < faults.repeat; ++n) replies.push_back(reply);
      }
    }
    // Only ever to whoever asked: the simulator sends nothing of its own accord. A reply
    // that cannot go is lost as a datagram may be; the searcher is built to miss some.
    for (const net::Bytes& reply : replies) (void)discovery_.SendTo(reply, received.fromAddress, received.fromPort);
  }
}

void FleetLoop::AcceptOn(std::size_t encoder, Clock::time_point now) {
  Listener& listener = listeners_[encoder];
  for (int i = 0; i < kAcceptsPerWake && connections_.size() < maxConnections_; ++i) {
    platform::Socket socket = listener.socket.Accept();
    if (!socket.IsValid()) {
      // Out of descriptors, or the client gave up before we took it: don't spin on it.
      if (i == 0) listener.quietUntil = now + kRetryPause;
      return;
    }
    // A blocking connection would stall every encoder of the fleet: it is not taken.
    if (!socket.SetNonBlocking(true)) continue;
    // Without it replies are only slower to arrive.
    (void)socket.SetNoDelay(true);
    Connection connection;
    connection.socket = std::move(socket);
    connection.encoder = encoder;
    connections_.push_back(std::move(connection));
  }
}

void FleetLoop::ReadFrom(Connection& connection, Clock::time_point now) {
  std::array<std::byte, 16 * 1024> buffer{};
  const platform::Received received = connection.socket.Receive(buffer, 0ms, {});
  switch (received.status) {
    case platform::ReceiveStatus::Data:
      connection.reader.Feed(std::span(buffer).first(received.count));
      HandleRequests(connection, now);
      break;
    case platform::ReceiveStatus::Closed:
      connection.peerClosed = true;
      break;
    case platform::ReceiveStatus::TimedOut:
      break;
    case platform::ReceiveStatus::Failed:
      connection.finished = true;
      break;
  }
}

void FleetLoop::HandleRequests(Connection& connection, Clock::time_point now) {
  ControlRequest request;
  while (!connection.closing && !connection.finished) {
    const RequestReader::Status status = connection.reader.Next(request);
    if (status == RequestReader::Status::NeedMore) return;
    if (status == RequestReader::Status::Refused) {
      // A reset, not a graceful close: garbage leaves no TIME_WAIT behind to trip up later connects.
      // Without it the close is graceful, which is slower to clean up but as final.
      (void)connection.socket.SetAbortiveClose();
      connection.finished = true;
      return;
    }
    std::vector<ReplyStep> steps;
    {
      std::lock_guard lock(core_.mutex);
      steps = core_.encoders[connection.encoder].Handle(request, now);
    }
    Enqueue(connection, std::move(steps), now);
  }
}

void FleetLoop::Enqueue(Connection& connection, std::vector<ReplyStep> steps, Clock::time_point now) {
  for (ReplyStep& step : steps) {
    if (connection.steps.empty()) {
      connection.frontDue = now + step.delay;
      connection.sentOfFront = 0;
    }
    connection.closing = connection.closing || step.closeAfter;
    connection.queuedBytes += step.bytes.size();
    connection.steps.push_back(std::move(step));
  }
  if (connection.queuedBytes > kMaxQueuedBytes) connection.finished = true;
}

bool FleetLoop::WantsToWrite(const Connection& connection, Clock::time_point now) const {
  return !connection.finished && !connection.steps.empty() && now >= connection.frontDue &&
         connection.sentOfFront < connection.steps.front().bytes.size();
}

void FleetLoop::Pump(Connection& connection, Clock::time_point now, bool writable) {
  while (!connection.finished && !connection.steps.empty() && now >= connection.frontDue) {
    ReplyStep& front = connection.steps.front();
    if (connection.sentOfFront < front.bytes.size()) {
      if (!writable) return;
      writable = false;  // one send per readiness; the next round tells whether there is room
      const std::span<const std::byte> unsent = std::span<const std::byte>(front.bytes).subspan(connection.sentOfFront);
      const long sent = connection.socket.SendSome(unsent);
      if (sent <= 0) {
        connection.finished = true;
        return;
      }
      connection.sentOfFront += static_cast<std::size_t>(sent);
      if (connection.sentOfFront < front.bytes.size()) return;
    }
    const bool closeNow = front.closeAfter;
    connection.queuedBytes -= front.bytes.size();
    connection.steps.pop_front();
    connection.sentOfFront = 0;
    if (closeNow) {
      connection.finished = true;
      return;
    }
    if (!connection.steps.empty()) connection.frontDue = now + connection.steps.front().delay;
  }
  if (connection.steps.empty() && connection.peerClosed) connection.finished = true;
}

}  // namespace kestrine::sim
