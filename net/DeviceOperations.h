#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/PageFlags.h"
#include "net/OperationResult.h"
#include "net/Timings.h"

namespace kestrine::config {
struct EncoderConfiguration;
}  // namespace kestrine::config

namespace kestrine::net {

class OperatorFeedback;

inline constexpr std::string_view kConnectDeviceFailed = "Connect Device Failed !";
inline constexpr std::string_view kReadConfigurationFailed = "Read Device Configuration Failed !";
inline constexpr std::string_view kEnterPassword = "Please enter password!";
inline constexpr std::string_view kEnterNewPassword = "Please enter new password!";
inline constexpr std::string_view kEnterCorrectPassword = "Please enter correct passowrd !";
inline constexpr std::string_view kEnterCorrectNewPassword = "Please enter correct newPassowrd !";
inline constexpr std::string_view kRecvCmdFailed = "Recv sendxml cmd failed !";
inline constexpr std::string_view kRecvRlenFailed = "Recv sendxml rlen failed !";
inline constexpr std::string_view kRecvRetFailed = "Recv sendxml ret failed !";
inline constexpr std::string_view kWriteSucceeded = "Set Configuration Success !";
inline constexpr std::string_view kPasswordError = "Password Error !";
inline constexpr std::string_view kWriteFailed = "Set Configuration Failed !";
inline constexpr std::string_view kBitrateNotice = "Bitrate have been modified,read the device again !";

inline constexpr std::string_view kReceivedDocumentFile = "in.xml";
inline constexpr std::string_view kSentDocumentFile = "out.xml";
// Before the path of a document file that could not be written.
inline constexpr std::string_view kDocumentNotKept = "Could not write ";

// Failures with no message box of their own, explained (OperatorFeedback::ExplainFailure). Each is a
// reason, to follow the encoder's address or a notice that names it.
inline constexpr std::string_view kDocumentRefused = "the document was not accepted";
inline constexpr std::string_view kStreamCommandNotSent = "the TS -> IP command could not be sent";

// Why a read of the configuration document ended without a document. Only the
// connection stages and a missing command word have a message of their own.
enum class ReadFailure { None, Connection, NoCommand, WrongCommand, NoLength, BadLength, IncompleteBody };

struct ConfigurationFetch {
  ReadFailure failure = ReadFailure::None;
  std::int32_t length = 0;  // the reply's len field, once it came
  std::size_t received = 0;  // how many of the body's bytes came
  std::string document;     // the body exactly as received
};

// The device-message query's answer: the ring's lines, oldest first, when the encoder answered.
struct DeviceMessages {
  OperationResult result = OperationResult::Unreachable;
  std::vector<std::string> lines;
};

// What the caller knows of a write that the record does not say: whether the
// operator gave the current and the new password (the page: its two rows hold text).
using WriteRequest = config::PasswordEntries;

// A read of the configuration document: how it ended, and the exchange as it went.
struct DocumentRead {
  OperationResult result;
  ConfigurationFetch fetch;
};

// The five operations on one encoder's record, in the order of steps and with
// the messages the operator knows. They run to their end on the caller's
// thread; everything they show goes through the feedback.
class DeviceOperations final {
 public:
  // documentFolder: where "in.xml" and "out.xml" are kept; none, not kept.
  DeviceOperations(const NetworkSettings& settings, OperatorFeedback& feedback,
                   std::optional<std::filesystem::path> documentFolder = std::nullopt);

  // Unreachable below always means the connection could not be opened or the
  // reachability check got no complete answer; Failure, anything else that went wrong.

  // Command 1007: refills the log from the encoder's message ring. Success or Unreachable.
  OperationResult QueryDeviceMessages(const config::EncoderConfiguration& entry);
  // Command 1007 alone: the ring's lines, the log left alone.
  DeviceMessages FetchDeviceMessages(std::uint32_t ipAddr);

  // The reachability check, the read, and the record shown again.
  OperationResult ReadConfiguration(config::EncoderConfiguration& entry, config::PageFlags& flags);
  // The read alone: command 1004, "in.xml", the document into the record. Success when accepted.
  DocumentRead ReadConfigurationDocument(config::EncoderConfiguration& entry, config::PageFlags& flags);
  // Command 1004 only: the document exactly as it came. A failure without a message of its own is explained.
  ConfigurationFetch FetchConfigurationDocument(std::uint32_t ipAddr);

  // The reachability check, then SendConfiguration.
  OperationResult WriteConfiguration(config::EncoderConfiguration& entry, config::PageFlags& flags,
                                     const WriteRequest& request);
  // The password checks, "out.xml", command 1003, the result judged, and the
  // re-read after a bitrate change. Success takes the command word 1003 and the
  // whole result text, "OK" at its start; a reply short of that ends with
  // "Set Configuration Failed !" after its own warning.
  // `destination` is where the write and its re-read go; none: the record's
  // ipAddr, as on the desktop, where a read has replaced it with the address the
  // encoder reports. The command line gives the address the operator named, so
  // no encoder's document can send the write, passwords included, elsewhere.
  OperationResult SendConfiguration(config::EncoderConfiguration& entry, config::PageFlags& flags,
                                    const WriteRequest& request,
                                    std::optional<std::uint32_t> destination = std::nullopt);

  // Commands 1005 / 1006: sent, then the connection is closed at once. Success when sent.
  OperationResult StartStreaming(const config::EncoderConfiguration& entry);
  OperationResult StopStreaming(const config::EncoderConfiguration& entry);

 private:
  struct WriteResult;

  ConfigurationFetch ReceiveConfigurationDocument(std::uint32_t ipAddr);
  DocumentRead ReadDocumentFrom(std::uint32_t ipAddr, config::EncoderConfiguration& entry, config::PageFlags& flags);
  bool PasswordsPresent(const config::EncoderConfiguration& entry, const WriteRequest& request);
  WriteResult ExchangeDocument(std::uint32_t ipAddr, std::string_view document);
  OperationResult SendStreamCommand(const config::EncoderConfiguration& entry, std::uint32_t cmd);
  void KeepDocument(std::string_view fileName, std::string_view document, bool ownerOnly);
  void Warn(std::string_view text);

  NetworkSettings settings_;
  OperatorFeedback& feedback_;
  std::optional<std::filesystem::path> documentFolder_;
};

}  // namespace kestrine::net
