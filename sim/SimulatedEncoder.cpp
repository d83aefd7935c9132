#include "sim/SimulatedEncoder.h"

#include <mutex>

#include "platform/Ipv4Text.h"
#include "sim/FleetCore.h"

namespace kestrine::sim {
namespace {

// Runs `use` on the encoder's state under the fleet's lock.
template <typename Use>
auto WithState(FleetCore& core, std::size_t index, Use&& use) {
  std::lock_guard lock(core.mutex);
  return use(core.encoders.at(index));
}

// As WithState, then wakes the serving thread: what changed may change the stream.
template <typename Change>
void ChangeStreamState(FleetCore& core, std::size_t index, Change&& change) {
  std::lock_guard lock(core.mutex);
  change(core.encoders.at(index));
  core.WakeServingThread();
}

}  // namespace

std::uint32_t SimulatedEncoder::Address() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.Address(); });
}

std::string SimulatedEncoder::AddressText() const { return platform::FormatIpv4(Address()); }

std::uint16_t SimulatedEncoder::ControlPort() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.ControlPort(); });
}

std::string SimulatedEncoder::Password() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.Password(); });
}

void SimulatedEncoder::SetPassword(std::string_view password) {
  WithState(*core_, index_, [&](EncoderState& s) { s.SetPassword(password); });
}

config::EncoderConfiguration SimulatedEncoder::Configuration() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.Configuration(); });
}

void SimulatedEncoder::SetConfiguration(const config::EncoderConfiguration& record) {
  ChangeStreamState(*core_, index_, [&](EncoderState& s) { s.SetConfiguration(record); });
}

std::string SimulatedEncoder::ConfigurationDocument() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.ConfigurationDocument(); });
}

bool SimulatedEncoder::IsStreaming() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.IsStreaming(); });
}

void SimulatedEncoder::SetStreaming(bool on) {
  ChangeStreamState(*core_, index_, [&](EncoderState& s) { s.SetStreaming(on); });
}

StreamStatus SimulatedEncoder::Stream() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.Stream(); });
}

bool SimulatedEncoder::StreamSettled() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.Stream().revision == s.StreamRevision(); });
}

void SimulatedEncoder::SetStreamFaults(const stream::StreamFaults& faults) {
  ChangeStreamState(*core_, index_, [&](EncoderState& s) { s.SetStreamFaults(faults); });
}

RingSnapshot SimulatedEncoder::MessageRing() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.MessageRing(); });
}

void SimulatedEncoder::SetMessageRing(std::int8_t oldest,
                                      const std::array<std::string, net::MESSAGE_SLOT_COUNT>& texts) {
  WithState(*core_, index_, [&](EncoderState& s) { s.RingLog().Preset(oldest, texts); });
}

void SimulatedEncoder::ClearMessageRing() {
  WithState(*core_, index_, [](EncoderState& s) { s.RingLog().Clear(); });
}

void SimulatedEncoder::LogEvent(std::string_view text) {
  WithState(*core_, index_, [&](EncoderState& s) { s.LogEvent(text); });
}

std::optional<net::Bytes> SimulatedEncoder::LastRequest(std::uint32_t cmd) const {
  return WithState(*core_, index_, [&](const EncoderState& s) { return s.LastRequest(cmd); });
}

std::optional<std::string> SimulatedEncoder::LastDocumentReceived() const {
  const std::optional<net::Bytes> request = LastRequest(net::CMD_SENDXML);
  if (!request) return std::nullopt;
  if (request->size() < net::kRequestHeaderSize) return std::string();
  return std::string(net::AsText(std::span<const std::byte>(*request).subspan(net::kRequestHeaderSize)));
}

std::size_t SimulatedEncoder::RequestCount(std::uint32_t cmd) const {
  return WithState(*core_, index_, [&](const EncoderState& s) { return s.RequestCount(cmd); });
}

std::vector<ReceivedCommand> SimulatedEncoder::ReceivedCommands() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.ReceivedCommands(); });
}

void SimulatedEncoder::SetReplyFaults(std::uint32_t cmd, const ReplyFaults& faults) {
  WithState(*core_, index_, [&](EncoderState& s) { s.SetFaults(cmd, faults); });
}

void SimulatedEncoder::SetReplyFaultsForAll(const ReplyFaults& faults) {
  WithState(*core_, index_, [&](EncoderState& s) {
    for (const std::uint32_t cmd : net::kControlCommands) s.SetFaults(cmd, faults);
  });
}

ReplyFaults SimulatedEncoder::GetReplyFaults(std::uint32_t cmd) const {
  return WithState(*core_, index_, [&](const EncoderState& s) { return s.FaultsFor(cmd); });
}

void SimulatedEncoder::SetRefuseConnections(bool refuse) {
  std::unique_lock lock(core_->mutex);
  core_->encoders.at(index_).SetRefuseConnections(refuse);
  core_->ApplyChanges(lock);
}

bool SimulatedEncoder::IsListening() const {
  return WithState(*core_, index_, [](const EncoderState& s) { return s.IsListening(); });
}

void SimulatedEncoder::SetDiscoveryFaults(const DiscoveryFaults& faults) {
  WithState(*core_, index_, [&](EncoderState& s) { s.SetDiscovery(faults); });
}

void SimulatedEncoder::ClearFaults() {
  std::unique_lock lock(core_->mutex);
  core_->encoders.at(index_).ClearFaults();
  core_->ApplyChanges(lock);
}

}  // namespace kestrine::sim
