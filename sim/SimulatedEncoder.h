#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "net/Protocol.h"
#include "sim/EncoderState.h"
#include "sim/ReplyFaults.h"

namespace kestrine::sim {

struct FleetCore;

// One encoder of a running fleet, steered from any thread: every call takes the
// fleet's lock, so tests may change faults or read state while clients talk to
// it. A handle stays usable as long as its fleet lives.
class SimulatedEncoder final {
 public:
  [[nodiscard]] std::uint32_t Address() const;  // network order
  [[nodiscard]] std::string AddressText() const;
  [[nodiscard]] std::uint16_t ControlPort() const;

  // State.
  [[nodiscard]] std::string Password() const;
  void SetPassword(std::string_view password);  // cut to 19 bytes, as the record holds it
  [[nodiscard]] config::EncoderConfiguration Configuration() const;
  void SetConfiguration(const config::EncoderConfiguration& record);  // its passwords are ignored
  [[nodiscard]] std::string ConfigurationDocument() const;  // the body a configuration request gets now
  [[nodiscard]] bool IsStreaming() const;
  void SetStreaming(bool on);  // as 1005 / 1006 do
  // What became of the stream: sent, where, or why not.
  [[nodiscard]] StreamStatus Stream() const;
  // True once the serving thread has acted on every change made so far (Stream() then tells of all of them).
  [[nodiscard]] bool StreamSettled() const;
  [[nodiscard]] RingSnapshot MessageRing() const;
  void SetMessageRing(std::int8_t oldest, const std::array<std::string, net::MESSAGE_SLOT_COUNT>& texts);
  void ClearMessageRing();
  void LogEvent(std::string_view text);

  // What came in: the last request per command (header and body as received).
  [[nodiscard]] std::optional<net::Bytes> LastRequest(std::uint32_t cmd) const;
  [[nodiscard]] std::optional<std::string> LastDocumentReceived() const;  // body of the last 1003
  [[nodiscard]] std::size_t RequestCount(std::uint32_t cmd) const;
  [[nodiscard]] std::vector<ReceivedCommand> ReceivedCommands() const;

  // Faults. Reply faults take effect from the next request of that command.
  void SetReplyFaults(std::uint32_t cmd, const ReplyFaults& faults);
  void SetReplyFaultsForAll(const ReplyFaults& faults);  // 1003 to 1007
  [[nodiscard]] ReplyFaults GetReplyFaults(std::uint32_t cmd) const;
  // Closes the control listener (connects are refused) or opens it again on the same
  // address and port; returns once the serving thread has done it.
  void SetRefuseConnections(bool refuse);
  [[nodiscard]] bool IsListening() const;
  void SetDiscoveryFaults(const DiscoveryFaults& faults);
  // From now on the stream misbehaves so (a running stream starts afresh with them).
  void SetStreamFaults(const stream::StreamFaults& faults);
  // Back to a well-behaved encoder: no reply faults, listening, valid discovery replies, a sound stream.
  void ClearFaults();

 private:
  friend class EncoderFleet;
  SimulatedEncoder(FleetCore& core, std::size_t index) : core_(&core), index_(index) {}

  FleetCore* core_;
  std::size_t index_;
};

}  // namespace kestrine::sim
