#include "sim/EncoderState.h"

#include <cstdio>

#include "config/ConfigurationDocument.h"
#include "sim/EncoderDocument.h"
#include "sim/RequestReader.h"

namespace kestrine::sim {
namespace {

// Enough history for any test; a long-running fleet does not grow without end.
constexpr std::size_t kReceivedHistory = 4096;

// Fields the encoder reports about itself; a written document does not change them.
void KeepReportedFields(const config::EncoderConfiguration& from, config::EncoderConfiguration& to) {
  to.version = from.version;
  to.sdi_exist_group = from.sdi_exist_group;
  to.configurationRead = from.configurationRead;
}

}  // namespace

EncoderState::EncoderState(std::uint32_t address, const config::EncoderConfiguration& factory,
                           std::string_view password)
    : address_(address), factory_(factory), record_(factory) {
  SetPassword(password);
}

std::vector<ReplyStep> EncoderState::Handle(const ControlRequest& request, std::chrono::steady_clock::time_point at) {
  Remember(request, at);
  const ReplyFaults faults = FaultsFor(request.cmd);
  net::Bytes reply = Answer(request, faults);
  if (faults.rawReply) {
    reply = *faults.rawReply;
  } else {
    OverrideReplyFields(reply, request.cmd, faults);
  }
  return PlanReply(std::move(reply), faults);
}

net::Bytes EncoderState::Answer(const ControlRequest& request, const ReplyFaults& faults) {
  switch (request.cmd) {
    case net::CMD_GETXML:
      LogEvent(events::kConfigurationRead);
      return net::EncodeConfigurationReply(ConfigurationDocument());
    case net::CMD_GET_MESSAGE:
      return net::EncodeMessageReply(ring_.Oldest(), ring_.Slots());
    case net::CMD_SENDXML: {
      const std::string result = ApplyDocument(request.Body());
      return net::EncodeWriteResultReply(faults.writeResultText.value_or(result));
    }
    case net::CMD_TS_START:
      SetStreaming(true);
      LogEvent(events::kStreamStarted);
      return {};
    case net::CMD_TS_STOP:
      SetStreaming(false);
      LogEvent(events::kStreamStopped);
      return {};
    default:
      return {};
  }
}

std::string EncoderState::ApplyDocument(std::string_view document) {
  config::EncoderConfiguration incoming = record_;
  config::StoreText(incoming.old_password, "");
  config::StoreText(incoming.new_password, "");
  if (config::LoadManagerDocument(document, incoming) == 0) {
    LogEvent(events::kDocumentRefused);
    return std::string(kWriteDocumentRefused);
  }
  if (config::TextOf(incoming.old_password) != password_) {
    LogEvent(events::kPasswordRefused);
    return std::string(net::kPasswordErrorText);
  }
  const std::string newPassword(config::TextOf(incoming.new_password));
  // Both are requests, carried out once; the encoder never reports them back as set.
  const bool restoreDefaults = incoming.default_parameter != 0;
  const bool restart = incoming.restart != 0;
  KeepReportedFields(record_, incoming);
  if (restoreDefaults) {
    incoming = factory_;
    LogEvent(events::kDefaultsRestored);
  }
  if (restart) LogEvent(events::kRestartRequested);
  incoming.default_parameter = 0;
  incoming.restart = 0;
  DeriveBitrates(incoming);
  record_ = incoming;
  ++streamRevision_;
  if (!newPassword.empty()) password_ = newPassword;
  ReportPassword();
  LogEvent(events::kConfigurationWritten);
  return std::string(kWriteAccepted);
}

void EncoderState::LogEvent(std::string_view text) {
  eventNumber_ = eventNumber_ % 9999 + 1;
  char number[8];
  std::snprintf(number, sizeof number, "%04u ", eventNumber_);
  ring_.Log(std::string(number) + std::string(text));
}

void EncoderState::SetPassword(std::string_view password) {
  password_ = std::string(password.substr(0, config::kPasswordWidth - 1));
  ReportPassword();
}

void EncoderState::SetConfiguration(const config::EncoderConfiguration& record) {
  record_ = record;
  ReportPassword();
  ++streamRevision_;
}

void EncoderState::SetStreaming(bool on) {
  if (on) ++streamStarts_;
  streaming_ = on;
  ++streamRevision_;
}

void EncoderState::SetStreamFaults(const stream::StreamFaults& faults) {
  streamFaults_ = faults;
  ++streamRevision_;
}

void EncoderState::ReportPassword() {
  config::StoreText(record_.old_password, password_);
  config::StoreText(record_.new_password, "");
}

std::string EncoderState::ConfigurationDocument() const { return BuildEncoderDocument(record_, password_); }

void EncoderState::Remember(const ControlRequest& request, std::chrono::steady_clock::time_point at) {
  lastRequests_[request.cmd] = request.bytes;
  ++requestCounts_[request.cmd];
  received_.push_back({request.cmd, at});
  if (received_.size() > kReceivedHistory) received_.pop_front();
}

std::optional<net::Bytes> EncoderState::LastRequest(std::uint32_t cmd) const {
  const auto found = lastRequests_.find(cmd);
  if (found == lastRequests_.end()) return std::nullopt;
  return found->second;
}

std::size_t EncoderState::RequestCount(std::uint32_t cmd) const {
  const auto found = requestCounts_.find(cmd);
  return found == requestCounts_.end() ? 0 : found->second;
}

ReplyFaults EncoderState::FaultsFor(std::uint32_t cmd) const {
  const auto found = faults_.find(cmd);
  return found == faults_.end() ? ReplyFaults{} : found->second;
}

void EncoderState::ClearFaults() {
  faults_.clear();
  refuse_ = false;
  discovery_ = DiscoveryFaults{};
  SetStreamFaults({});
}

}  // namespace kestrine::sim
