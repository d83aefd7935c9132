#include "net/DeviceOperations.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "net/ControlConnection.h"
#include "net/MessageRing.h"
#include "net/OperatorFeedback.h"
#include "platform/FileReplace.h"

namespace kestrine::net {
namespace {

std::span<std::byte> Writable(std::span<char> chars) { return std::as_writable_bytes(chars); }

// Checked in this order before anything is sent; the first missing one stops the write.
struct PasswordCheck {
  bool (*missing)(const config::EncoderConfiguration&, const WriteRequest&);
  MessageStyle style;
  std::string_view text;
};

constexpr std::array kPasswordChecks{
    PasswordCheck{[](const config::EncoderConfiguration&, const WriteRequest& w) { return !w.currentPasswordGiven; },
                  MessageStyle::Plain, kEnterPassword},
    PasswordCheck{[](const config::EncoderConfiguration&, const WriteRequest& w) { return !w.newPasswordGiven; },
                  MessageStyle::Plain, kEnterNewPassword},
    PasswordCheck{[](const config::EncoderConfiguration& r, const WriteRequest&) {
                    return config::TextOf(r.old_password).empty();
                  },
                  MessageStyle::Warning, kEnterCorrectPassword},
    PasswordCheck{[](const config::EncoderConfiguration& r, const WriteRequest&) {
                    return config::TextOf(r.new_password).empty();
                  },
                  MessageStyle::Warning, kEnterCorrectNewPassword},
};

// The result text the encoder answered, in its zero-filled buffer.
using ResultText = std::array<char, kWriteResultBufferSize>;

bool IsSuccess(const ResultText& text) { return text[0] == 'O' && text[1] == 'K'; }

// Exactly "PASSWORD ERR": its twelve letters and a NUL, which the zero-filled buffer supplies.
bool IsPasswordError(const ResultText& text) {
  return std::memcmp(text.data(), kPasswordErrorText.data(), kPasswordErrorText.size()) == 0 &&
         text[kPasswordErrorText.size()] == '\0';
}

// Why a configuration reply was no document, where the desktop says nothing; empty where it has a message.
std::string SilentFailureText(const ConfigurationFetch& fetch) {
  switch (fetch.failure) {
    case ReadFailure::WrongCommand:
      return "the reply is no answer to the configuration request";
    case ReadFailure::NoLength:
      return "the reply ends before its length";
    case ReadFailure::BadLength:
      return "the document length " + std::to_string(fetch.length) + " is outside 0.." +
             std::to_string(kMaxDocumentLength);
    case ReadFailure::IncompleteBody:
      return "the document ends after " + std::to_string(fetch.received) + " of " + std::to_string(fetch.length) +
             " bytes";
    case ReadFailure::None:
    case ReadFailure::Connection:
    case ReadFailure::NoCommand:
      break;  // said already, in the operation's own words
  }
  return {};
}

// How every exchange opens: the wait cursor for as long as it lasts, then the connection, a failed
// stage of which the operator is told of.
class Exchange final {
 public:
  Exchange(const NetworkSettings& settings, OperatorFeedback& feedback, std::uint32_t ipAddr)
      : wait_(feedback),
        connection_(settings, [&feedback] { feedback.KeepAlive(); }),
        opened_(OpenReporting(connection_, ipAddr, feedback)) {}

  [[nodiscard]] bool Opened() const { return opened_; }
  [[nodiscard]] ControlConnection& Connection() { return connection_; }

 private:
  WaitScope wait_;
  ControlConnection connection_;
  bool opened_;
};

}  // namespace

struct DeviceOperations::WriteResult {
  bool opened = false;     // the connection was opened
  bool exchanged = false;  // and the document sent
  bool whole = false;      // the answer to the write (command word 1003), its text exactly rlen bytes
  ResultText text{};
};

DeviceOperations::DeviceOperations(const NetworkSettings& settings, OperatorFeedback& feedback,
                                   std::optional<std::filesystem::path> documentFolder)
    : settings_(settings), feedback_(feedback), documentFolder_(std::move(documentFolder)) {}

void DeviceOperations::Warn(std::string_view text) {
  feedback_.ShowMessage(MessageStyle::Warning, MessageOwner::MainWindow, text);
}

void DeviceOperations::KeepDocument(std::string_view fileName, std::string_view document, bool ownerOnly) {
  if (!documentFolder_) return;
  const std::filesystem::path path = *documentFolder_ / fileName;
  if (platform::ReplaceFile(path, document,
                            ownerOnly ? platform::FileAccess::OwnerOnly : platform::FileAccess::Shared)) {
    return;
  }
  // The exchange matters more than the copy: the operator hears of it and the operation goes on.
  feedback_.AddLogLine(std::string(kDocumentNotKept) + path.string(), LogLineKind::ProgramNotice);
}

DeviceMessages DeviceOperations::FetchDeviceMessages(std::uint32_t ipAddr) {
  DeviceMessages messages;
  MessageRing ring{};
  std::array<std::byte, 1> oldest{};
  {
    Exchange exchange(settings_, feedback_, ipAddr);
    if (!exchange.Opened()) return messages;
    ControlConnection& connection = exchange.Connection();
    // A request that did not go out gets no reply, and the missing reply is what decides.
    (void)connection.SendRequest(CMD_GET_MESSAGE);
    connection.AwaitReply();

    std::uint32_t cmd = 0;
    std::int32_t length = 0;
    if (!connection.ReceiveUint32(cmd) || cmd != CMD_GET_MESSAGE) return messages;
    // A reply cut before `oldest` has no length either; the length's check covers both.
    (void)connection.ReceiveField(oldest);
    if (!connection.ReceiveInt32(length) || length <= 0) return messages;
    const std::size_t wanted = std::min(static_cast<std::size_t>(length), ring.size());
    if (connection.ReceiveBody(Writable(ring), wanted) != wanted) return messages;
  }
  const int oldestSlot = static_cast<std::int8_t>(std::to_integer<std::uint8_t>(oldest[0]));
  for (const std::string_view line : MessageLinesOldestFirst(ring, oldestSlot)) messages.lines.emplace_back(line);
  messages.result = OperationResult::Success;
  return messages;
}

OperationResult DeviceOperations::QueryDeviceMessages(const config::EncoderConfiguration& entry) {
  const DeviceMessages messages = FetchDeviceMessages(entry.ipAddr);
  if (messages.result != OperationResult::Success) return messages.result;
  feedback_.ClearLog();
  for (const std::string& line : messages.lines) feedback_.AddLogLine(line, LogLineKind::DeviceMessage);
  return OperationResult::Success;
}

OperationResult DeviceOperations::ReadConfiguration(config::EncoderConfiguration& entry, config::PageFlags& flags) {
  if (QueryDeviceMessages(entry) != OperationResult::Success) {
    feedback_.EncoderAnswered(entry, false);
    feedback_.ShowMessage(MessageStyle::Warning, MessageOwner::DeviceTree, kConnectDeviceFailed);
    return OperationResult::Unreachable;
  }
  feedback_.EncoderAnswered(entry, true);
  const DocumentRead read = ReadConfigurationDocument(entry, flags);
  feedback_.RecordChanged(entry);
  return read.result;
}

ConfigurationFetch DeviceOperations::FetchConfigurationDocument(std::uint32_t ipAddr) {
  ConfigurationFetch fetch = ReceiveConfigurationDocument(ipAddr);
  if (const std::string detail = SilentFailureText(fetch); !detail.empty()) feedback_.ExplainFailure(detail);
  return fetch;
}

ConfigurationFetch DeviceOperations::ReceiveConfigurationDocument(std::uint32_t ipAddr) {
  ConfigurationFetch fetch;
  Exchange exchange(settings_, feedback_, ipAddr);
  if (!exchange.Opened()) {
    fetch.failure = ReadFailure::Connection;
    return fetch;
  }
  ControlConnection& connection = exchange.Connection();
  connection.SendRequest(CMD_GETXML);
  connection.AwaitReply();

  std::uint32_t cmd = 0;
  if (!connection.ReceiveUint32(cmd)) {
    Warn(kReadConfigurationFailed);
    fetch.failure = ReadFailure::NoCommand;
    return fetch;
  }
  if (cmd != CMD_GETXML) {
    fetch.failure = ReadFailure::WrongCommand;
    return fetch;
  }
  if (!connection.ReceiveInt32(fetch.length)) {
    fetch.failure = ReadFailure::NoLength;
    return fetch;
  }
  if (fetch.length < 0 || fetch.length > kMaxDocumentLength) {
    fetch.failure = ReadFailure::BadLength;
    return fetch;
  }
  fetch.document.assign(static_cast<std::size_t>(fetch.length), '\0');
  fetch.received = connection.ReceiveBody(Writable(fetch.document), fetch.document.size());
  if (fetch.received != fetch.document.size()) {
    fetch.document.clear();
    fetch.failure = ReadFailure::IncompleteBody;
  }
  return fetch;
}

DocumentRead DeviceOperations::ReadConfigurationDocument(config::EncoderConfiguration& entry,
                                                         config::PageFlags& flags) {
  return ReadDocumentFrom(entry.ipAddr, entry, flags);
}

DocumentRead DeviceOperations::ReadDocumentFrom(std::uint32_t ipAddr, config::EncoderConfiguration& entry,
                                                config::PageFlags& flags) {
  flags.passwordAccepted = false;
  DocumentRead read{OperationResult::Failure, FetchConfigurationDocument(ipAddr)};
  if (read.fetch.failure == ReadFailure::Connection) read.result = OperationResult::Unreachable;
  if (read.fetch.failure != ReadFailure::None) return read;

  KeepDocument(kReceivedDocumentFile, read.fetch.document, true);  // it holds the password too
  if (config::LoadConfigurationDocument(read.fetch.document, entry) == 0) {
    feedback_.ExplainFailure(kDocumentRefused);
    return read;
  }
  entry.configurationRead = 1;
  read.result = OperationResult::Success;
  feedback_.RecordChanged(entry);
  return read;
}

OperationResult DeviceOperations::WriteConfiguration(config::EncoderConfiguration& entry, config::PageFlags& flags,
                                                     const WriteRequest& request) {
  if (QueryDeviceMessages(entry) != OperationResult::Success) {
    feedback_.EncoderAnswered(entry, false);
    return OperationResult::Unreachable;
  }
  return SendConfiguration(entry, flags, request);
}

bool DeviceOperations::PasswordsPresent(const config::EncoderConfiguration& entry, const WriteRequest& request) {
  for (const PasswordCheck& check : kPasswordChecks) {
    if (check.missing(entry, request)) {
      feedback_.ShowMessage(check.style, MessageOwner::MainWindow, check.text);
      return false;
    }
  }
  return true;
}

DeviceOperations::WriteResult DeviceOperations::ExchangeDocument(std::uint32_t ipAddr, std::string_view document) {
  WriteResult result;
  Exchange exchange(settings_, feedback_, ipAddr);
  if (!exchange.Opened()) return result;
  result.opened = true;
  ControlConnection& connection = exchange.Connection();
  if (!connection.SendRequest(CMD_SENDXML, document)) {
    Warn(kSendXmlFailed);
    return result;
  }
  result.exchanged = true;
  connection.AwaitReply();

  // Another command word is no answer to the write; it is reported as one that did not come.
  std::uint32_t cmd = 0;
  const bool answered = connection.ReceiveUint32(cmd) && cmd == CMD_SENDXML;
  if (!answered) Warn(kRecvCmdFailed);
  std::int32_t length = 0;
  if (!connection.ReceiveInt32(length)) {
    Warn(kRecvRlenFailed);
    return result;
  }
  // A negative length can never be met, nor a longer one than the buffer holds: neither text comes whole.
  const bool fits = length >= 0 && static_cast<std::size_t>(length) <= result.text.size();
  const std::size_t wanted = length < 0 ? 0 : std::min(static_cast<std::size_t>(length), result.text.size());
  const bool cameWhole = fits && connection.ReceiveBody(Writable(result.text), wanted) == wanted;
  if (!cameWhole) Warn(kRecvRetFailed);
  result.whole = answered && cameWhole;
  return result;
}

OperationResult DeviceOperations::SendConfiguration(config::EncoderConfiguration& entry, config::PageFlags& flags,
                                                    const WriteRequest& request,
                                                    std::optional<std::uint32_t> destination) {
  if (!PasswordsPresent(entry, request)) return OperationResult::Failure;
  const std::string document = config::BuildConfigurationDocument(entry);
  KeepDocument(kSentDocumentFile, document, true);

  const std::uint32_t address = destination.value_or(entry.ipAddr);
  const WriteResult result = ExchangeDocument(address, document);
  if (!result.opened) return OperationResult::Unreachable;
  if (!result.exchanged) return OperationResult::Failure;
  // Only a whole answer is judged; anything short of one has had its warning and fails.
  if (result.whole && IsSuccess(result.text)) {
    feedback_.ShowMessage(MessageStyle::Tip, MessageOwner::MainWindow, kWriteSucceeded);
    if (flags.bitrateModified) {
      feedback_.AddLogLine(kBitrateNotice, LogLineKind::ProgramNotice);
      feedback_.Pause(settings_.timings.rereadPause);
      ReadDocumentFrom(address, entry, flags);
      flags.bitrateModified = false;
    }
    return OperationResult::Success;
  }
  Warn(result.whole && IsPasswordError(result.text) ? kPasswordError : kWriteFailed);
  return OperationResult::Failure;
}

OperationResult DeviceOperations::SendStreamCommand(const config::EncoderConfiguration& entry, std::uint32_t cmd) {
  Exchange exchange(settings_, feedback_, entry.ipAddr);
  if (!exchange.Opened()) return OperationResult::Unreachable;
  // Nothing is received; a request that could not even be sent is not reported as sent.
  if (exchange.Connection().SendRequest(cmd)) return OperationResult::Success;
  feedback_.ExplainFailure(kStreamCommandNotSent);
  return OperationResult::Failure;
}

OperationResult DeviceOperations::StartStreaming(const config::EncoderConfiguration& entry) {
  return SendStreamCommand(entry, CMD_TS_START);
}

OperationResult DeviceOperations::StopStreaming(const config::EncoderConfiguration& entry) {
  return SendStreamCommand(entry, CMD_TS_STOP);
}

}  // namespace kestrine::net
