#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "net/Protocol.h"
#include "sim/MessageRingLog.h"
#include "sim/ReplyFaults.h"
#include "sim/ReplyPlan.h"
#include "stream/StreamLayout.h"

namespace kestrine::sim {

struct ControlRequest;

// What an encoder writes into its message ring, each behind its event number ("0001 ").
namespace events {
inline constexpr std::string_view kStartUp = "System start up";
inline constexpr std::string_view kConfigurationRead = "Configuration read";
inline constexpr std::string_view kConfigurationWritten = "Configuration written";
inline constexpr std::string_view kPasswordRefused = "Password error, configuration refused";
inline constexpr std::string_view kDocumentRefused = "Configuration document refused";
inline constexpr std::string_view kDefaultsRestored = "Default parameters restored";
inline constexpr std::string_view kRestartRequested = "Restart requested";
inline constexpr std::string_view kStreamStarted = "TS -> IP started";
inline constexpr std::string_view kStreamStopped = "TS -> IP stopped";
}  // namespace events

// The write results an encoder answers with.
inline constexpr std::string_view kWriteAccepted = "OK";
inline constexpr std::string_view kWriteDocumentRefused = "XML ERR";

// One command as it came in, for tests that check what a client sent and when.
struct ReceivedCommand {
  std::uint32_t cmd = 0;
  std::chrono::steady_clock::time_point at;
};

// What became of an encoder's stream, as the serving thread last saw to it.
struct StreamStatus {
  bool sending = false;        // datagrams go out (or, with a stop fault, went out until it stopped)
  std::string destination;     // "127.0.0.1:5000" once a stream was attempted
  std::string problem;         // why it is not sent, or why sending failed; empty when all is well
  std::uint64_t revision = 0;  // the encoder's StreamRevision() this reflects

  friend bool operator==(const StreamStatus&, const StreamStatus&) = default;
};

// A copy of an encoder's message ring.
struct RingSnapshot {
  std::int8_t oldest = 0;
  net::MessageRing slots{};

  [[nodiscard]] std::string Text(std::size_t slot) const { return std::string(net::MessageSlotText(slots, slot)); }
};

// Everything one simulated encoder knows: its configuration, password, message
// ring and stream, the faults it is told to show, and what it has received. Not
// thread-safe on its own; the fleet guards it.
class EncoderState final {
 public:
  EncoderState(std::uint32_t address, const config::EncoderConfiguration& factory, std::string_view password);

  // Carries out one request and plans its answer as the faults for its command say.
  [[nodiscard]] std::vector<ReplyStep> Handle(const ControlRequest& request, std::chrono::steady_clock::time_point at);

  // Writes "NNNN text" into the ring, NNNN counting this encoder's events from 0001.
  void LogEvent(std::string_view text);

  [[nodiscard]] std::uint32_t Address() const { return address_; }
  [[nodiscard]] std::uint16_t ControlPort() const { return controlPort_; }
  void SetControlPort(std::uint16_t port) { controlPort_ = port; }

  [[nodiscard]] const std::string& Password() const { return password_; }
  void SetPassword(std::string_view password);
  // The record with old_password holding the password and new_password empty, as reported.
  [[nodiscard]] const config::EncoderConfiguration& Configuration() const { return record_; }
  void SetConfiguration(const config::EncoderConfiguration& record);
  [[nodiscard]] std::string ConfigurationDocument() const;
  // Streaming is on between 1005 and 1006. Every start counts, so a start while streaming starts afresh
  // (a stream that stopped of its own accord goes again).
  [[nodiscard]] bool IsStreaming() const { return streaming_; }
  void SetStreaming(bool on);
  [[nodiscard]] std::uint64_t StreamStarts() const { return streamStarts_; }
  // Moves on whenever anything the stream depends on may have changed: streaming, record, faults.
  [[nodiscard]] std::uint64_t StreamRevision() const { return streamRevision_; }
  [[nodiscard]] const stream::StreamFaults& StreamFaults() const { return streamFaults_; }
  void SetStreamFaults(const stream::StreamFaults& faults);
  [[nodiscard]] const StreamStatus& Stream() const { return streamStatus_; }
  void SetStreamStatus(StreamStatus status) { streamStatus_ = std::move(status); }
  MessageRingLog& RingLog() { return ring_; }
  [[nodiscard]] RingSnapshot MessageRing() const { return {ring_.Oldest(), ring_.Slots()}; }

  [[nodiscard]] std::optional<net::Bytes> LastRequest(std::uint32_t cmd) const;
  [[nodiscard]] std::size_t RequestCount(std::uint32_t cmd) const;
  [[nodiscard]] std::vector<ReceivedCommand> ReceivedCommands() const { return {received_.begin(), received_.end()}; }

  [[nodiscard]] ReplyFaults FaultsFor(std::uint32_t cmd) const;
  void SetFaults(std::uint32_t cmd, const ReplyFaults& faults) { faults_[cmd] = faults; }
  void ClearFaults();
  [[nodiscard]] bool RefusesConnections() const { return refuse_; }
  void SetRefuseConnections(bool refuse) { refuse_ = refuse; }
  [[nodiscard]] bool IsListening() const { return listening_; }
  void SetListening(bool listening) { listening_ = listening; }
  [[nodiscard]] const DiscoveryFaults& Discovery() const { return discovery_; }
  void SetDiscovery(const DiscoveryFaults& discovery) { discovery_ = discovery; }

 private:
  // The reply a proper encoder sends (empty for the stream commands), after acting on the request.
  net::Bytes Answer(const ControlRequest& request, const ReplyFaults& faults);
  std::string ApplyDocument(std::string_view document);
  void Remember(const ControlRequest& request, std::chrono::steady_clock::time_point at);
  void ReportPassword();

  std::uint32_t address_;
  std::uint16_t controlPort_ = 0;
  config::EncoderConfiguration factory_;
  config::EncoderConfiguration record_;
  std::string password_;
  bool streaming_ = false;
  std::uint64_t streamStarts_ = 0;
  std::uint64_t streamRevision_ = 0;
  stream::StreamFaults streamFaults_;
  StreamStatus streamStatus_;
  MessageRingLog ring_;
  unsigned eventNumber_ = 0;

  std::map<std::uint32_t, ReplyFaults> faults_;
  bool refuse_ = false;
  bool listening_ = false;
  DiscoveryFaults discovery_;

  std::map<std::uint32_t, net::Bytes> lastRequests_;
  std::map<std::uint32_t, std::size_t> requestCounts_;
  std::deque<ReceivedCommand> received_;
};

}  // namespace kestrine::sim
