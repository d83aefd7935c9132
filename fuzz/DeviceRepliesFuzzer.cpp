// The client side of every reply: a tiny encoder on loopback answers each
// connection of an operation with fuzzer-chosen bytes, in fuzzer-chosen pieces,
// and the operation must end, in time, with nothing overrun and no refused
// document taking effect. A write it reports as done must have had a whole
// answer (command word 1003, exactly rlen bytes, "OK" first), and the command
// line's write goes to the address the operator named, not to the one the
// encoder's document names.
//
// Input: [op] [piece] [first reply length, 2 bytes LE] [first reply] [second reply]
//   op & 7:   0 query, 1 fetch, 2 read, 3 send (write without the check), 4 write, 5 start, 6 stop,
//             7 the command line's set: read, then send to the address named while the record names another
//   op & 8:   the page's bitrate flag is set, so an accepted write is read again
//   op & 16:  the encoder keeps the connection open after its reply, so the client times out
//   piece:    the reply goes out in pieces of piece + 1 bytes (255: in one piece)
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "fuzz/FuzzCheck.h"
#include "net/ControlConnection.h"
#include "net/DeviceOperations.h"
#include "net/OperatorFeedback.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

namespace {

using namespace std::chrono_literals;
using kestrine::fuzz::Require;
namespace net = kestrine::net;
namespace platform = kestrine::platform;

const std::uint32_t kLoopback = platform::HostToNetwork32(platform::kLoopbackHostOrder);
constexpr auto kServerPatience = 2000ms;          // the encoder's own wait for a request

// Answers connection i with reply i (nothing when there are fewer), one connection at a time.
class LoopbackEncoder final {
 public:
  LoopbackEncoder() {
    listener_ = platform::Socket::CreateStream();
    listener_.SetReuseAddress(true);
    if (!listener_.Bind(kLoopback, 0) || !listener_.Listen(64)) kestrine::fuzz::Fail("cannot listen on loopback");
    port_ = listener_.LocalPort();
    thread_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
  }

  [[nodiscard]] std::uint16_t Port() const { return port_; }

  void Prepare(std::vector<net::Bytes> replies, std::size_t piece, bool keepOpen) {
    const std::lock_guard lock(mutex_);
    replies_ = std::move(replies);
    next_ = 0;
    piece_ = piece;
    keepOpen_ = keepOpen;
  }

 private:
  void Serve(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
      if (!listener_.WaitReadable(50ms, {})) continue;
      platform::Socket connection = listener_.Accept();
      if (!connection.IsValid()) continue;
      connection.SetNoDelay(true);
      net::Bytes reply;
      std::size_t piece = 0;
      bool keepOpen = false;
      {
        const std::lock_guard lock(mutex_);
        if (next_ < replies_.size()) reply = replies_[next_];
        ++next_;
        piece = piece_;
        keepOpen = keepOpen_;
      }
      if (!ReadRequest(connection)) continue;
      for (std::size_t at = 0; at < reply.size(); at += piece) {
        const std::size_t count = std::min(piece, reply.size() - at);
        if (connection.Send(std::span<const std::byte>(reply).subspan(at, count)) != count) break;
      }
      if (keepOpen) {
        std::array<std::byte, 256> sink{};
        while (connection.Receive(sink, kServerPatience, {}).status == platform::ReceiveStatus::Data) {
        }
      }
    }
  }

  // The whole request, so that closing never resets a connection with unread bytes.
  static bool ReadRequest(platform::Socket& connection) {
    std::array<std::byte, net::kRequestHeaderSize> header{};
    if (!Collect(connection, header)) return false;
    std::uint32_t length = net::GetLe32(std::span<const std::byte>(header).subspan<net::kLengthOffset, 4>());
    std::array<std::byte, 4096> body{};
    while (length > 0) {
      const std::size_t count = std::min<std::size_t>(length, body.size());
      if (!Collect(connection, std::span(body).first(count))) return false;
      length -= static_cast<std::uint32_t>(count);
    }
    return true;
  }

  static bool Collect(platform::Socket& connection, std::span<std::byte> into) {
    std::size_t count = 0;
    while (count < into.size()) {
      const platform::Received got = connection.Receive(into.subspan(count), kServerPatience, {});
      if (got.status != platform::ReceiveStatus::Data || got.count == 0) return false;
      count += got.count;
    }
    return true;
  }

  platform::Socket listener_;
  std::uint16_t port_ = 0;
  std::mutex mutex_;
  std::vector<net::Bytes> replies_;
  std::size_t next_ = 0;
  std::size_t piece_ = 1;
  bool keepOpen_ = false;
  std::jthread thread_;
};

const std::set<std::string_view>& KnownMessages() {
  static const std::set<std::string_view> known{
      net::kCreateSocketFailed, net::kConnectFailed,       net::kSendXmlFailed,       net::kConnectDeviceFailed,
      net::kReadConfigurationFailed, net::kRecvCmdFailed,  net::kRecvRlenFailed,      net::kRecvRetFailed,
      net::kWriteSucceeded,     net::kPasswordError,       net::kWriteFailed,         net::kEnterPassword,
      net::kEnterNewPassword,   net::kEnterCorrectPassword, net::kEnterCorrectNewPassword};
  return known;
}

// KESTRINE_FUZZ_VERBOSE=1 tells what each input did, for replaying chosen inputs by hand.
bool Verbose() {
  static const bool verbose = std::getenv("KESTRINE_FUZZ_VERBOSE") != nullptr;
  return verbose;
}

void Tell(std::string_view what, std::string_view text = {}) {
  if (Verbose()) std::fprintf(stderr, "  %.*s %.*s\n", static_cast<int>(what.size()), what.data(),
                              static_cast<int>(text.size()), text.data());
}

// Checks what an operation shows as it shows it.
class CheckingFeedback final : public net::OperatorFeedback {
 public:
  void ShowMessage(net::MessageStyle, net::MessageOwner, std::string_view text) override {
    Tell("message:", text);
    Require(KnownMessages().contains(text), "only the system's own messages are shown");
    if (text == net::kWriteSucceeded) ++writesDone_;
    if (text == net::kPasswordError) ++passwordErrors_;
    if (text == net::kConnectFailed) ++connectsFailed_;
  }
  void ExplainFailure(std::string_view detail) override {
    Tell("detail:", detail);
    Require(!detail.empty(), "a failure explained says something");
  }
  void ClearLog() override {
    Tell("clear log");
    ringLines_ = 0;
  }
  void AddLogLine(std::string_view text, net::LogLineKind kind) override {
    Tell("log line:", text);
    if (kind == net::LogLineKind::ProgramNotice) {
      Require(text == net::kBitrateNotice, "the one program notice");
      return;
    }
    Require(text.size() <= net::MESSAGE_SLOT_SIZE, "a ring line stays within its slot");
    Require(++ringLines_ <= net::MESSAGE_SLOT_COUNT, "a ring holds ten lines at most");
  }
  void EncoderAnswered(const kestrine::config::EncoderConfiguration& entry, bool /*answered*/) override {
    Require(&entry == entry_, "the operation's own record");
  }
  void RecordChanged(const kestrine::config::EncoderConfiguration& entry) override {
    Require(&entry == entry_, "the operation's own record");
  }
  void Expect(const kestrine::config::EncoderConfiguration& entry) { entry_ = &entry; }
  void BeginWait() override { ++waitDepth_; }
  void EndWait() override { Require(--waitDepth_ >= 0, "wait scopes balance"); }
  void Pause(std::chrono::milliseconds) override {}

  [[nodiscard]] int WaitDepth() const { return waitDepth_; }
  [[nodiscard]] int WritesDone() const { return writesDone_; }
  [[nodiscard]] int PasswordErrors() const { return passwordErrors_; }
  [[nodiscard]] int ConnectsFailed() const { return connectsFailed_; }

 private:
  int writesDone_ = 0;
  int passwordErrors_ = 0;
  int connectsFailed_ = 0;
  std::size_t ringLines_ = 0;
  int waitDepth_ = 0;
  const kestrine::config::EncoderConfiguration* entry_ = nullptr;
};

kestrine::config::EncoderConfiguration Entry() {
  kestrine::config::EncoderConfiguration entry;
  entry.ipAddr = kLoopback;
  kestrine::config::StoreText(entry.version, "2.31");
  kestrine::config::StoreText(entry.old_password, "UUUUUUUU");
  kestrine::config::StoreText(entry.new_password, "DDDDDDDD");
  entry.mux_bitrate = 4000;
  return entry;
}

// The answer to a write exactly as the encoder sent it: whole when its command
// word is 1003 and its text came to the full rlen bytes (which fit the 2000-byte buffer).
std::optional<std::string> WholeWriteAnswer(const net::Bytes& reply) {
  if (reply.size() < net::kRequestHeaderSize) return std::nullopt;
  const std::span<const std::byte> bytes(reply);
  if (net::GetLe32(bytes.subspan<0, 4>()) != net::CMD_SENDXML) return std::nullopt;
  const auto length = static_cast<std::int32_t>(net::GetLe32(bytes.subspan<4, 4>()));
  if (length < 0 || static_cast<std::size_t>(length) > net::kWriteResultBufferSize) return std::nullopt;
  if (reply.size() - net::kRequestHeaderSize < static_cast<std::size_t>(length)) return std::nullopt;
  const auto* text = reinterpret_cast<const char*>(reply.data() + net::kRequestHeaderSize);
  return std::string(text, static_cast<std::size_t>(length));
}

void CheckWriteJudgement(const CheckingFeedback& feedback, const net::Bytes& answer) {
  if (feedback.WritesDone() == 0 && feedback.PasswordErrors() == 0) return;
  const std::optional<std::string> whole = WholeWriteAnswer(answer);
  Require(whole.has_value(), "a write is judged only on a whole answer under command word 1003");
  if (feedback.WritesDone() > 0) Require(whole->starts_with("OK"), "a write reported as done was answered OK");
  if (feedback.PasswordErrors() > 0) {
    Require(std::string_view(whole->c_str()) == net::kPasswordErrorText, "a password error was answered so");
  }
}

void CheckFetch(const net::ConfigurationFetch& fetch) {
  if (fetch.failure != net::ReadFailure::None) {
    Require(fetch.document.empty(), "a failed read keeps no document");
    return;
  }
  Require(fetch.length >= 0 && fetch.length <= net::kMaxDocumentLength, "an accepted length fits the buffer");
  Require(fetch.document.size() == static_cast<std::size_t>(fetch.length), "the document is exactly len bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static LoopbackEncoder encoder;
  if (size < 4) return 0;
  const unsigned op = data[0];
  const std::size_t piece = data[1] == 255 ? 1 << 20 : std::size_t{data[1]} + 1;
  const std::size_t firstLength = std::min<std::size_t>(data[2] | (data[3] << 8), size - 4);
  const auto* body = reinterpret_cast<const std::byte*>(data + 4);
  const std::vector<net::Bytes> replies{net::Bytes(body, body + firstLength),
                                        net::Bytes(body + firstLength, body + (size - 4))};
  const bool keepOpen = (op & 16) != 0;
  encoder.Prepare(replies, piece, keepOpen);

  net::NetworkSettings settings;
  settings.controlPort = encoder.Port();
  settings.timings.exchangeDelay = 0ms;
  settings.timings.receiveTimeout = keepOpen ? 5ms : 200ms;
  settings.timings.connectTimeout = 1000ms;
  settings.timings.rereadPause = 0ms;
  CheckingFeedback feedback;
  net::DeviceOperations operations(settings, feedback);
  kestrine::config::EncoderConfiguration entry = Entry();
  const kestrine::config::EncoderConfiguration before = entry;
  kestrine::config::PageFlags flags;
  flags.bitrateModified = (op & 8) != 0;
  feedback.Expect(entry);
  const net::WriteRequest request{true, true};

  int result = 0;
  switch (op & 7) {
    case 0:
      result = net::ToResultCode(operations.QueryDeviceMessages(entry));
      Require(result != 0, "reachable or not");
      break;
    case 1: {
      const net::ConfigurationFetch fetch = operations.FetchConfigurationDocument(entry.ipAddr);
      CheckFetch(fetch);
      result = static_cast<int>(fetch.failure);
      Tell("document bytes:", std::to_string(fetch.document.size()));
      break;
    }
    case 2: {
      const net::DocumentRead read = operations.ReadConfigurationDocument(entry, flags);
      result = net::ToResultCode(read.result);
      CheckFetch(read.fetch);
      Tell("document bytes:", std::to_string(read.fetch.document.size()));
      if (read.result != net::OperationResult::Success) {
        Require(entry == before, "a failed read leaves the entry as it was");
      } else {
        Require(entry.configurationRead == 1, "an accepted read marks the entry");
      }
      break;
    }
    case 3:
      result = net::ToResultCode(operations.SendConfiguration(entry, flags, request));
      break;
    case 4:
      result = net::ToResultCode(operations.WriteConfiguration(entry, flags, request));
      break;
    case 5:
      result = net::ToResultCode(operations.StartStreaming(entry));
      break;
    case 6:
      result = net::ToResultCode(operations.StopStreaming(entry));
      break;
    default: {
      // A document may name any address; the record then names another loopback address, where
      // nobody listens, so a write that went by the record would fail to connect (and stay on loopback).
      const net::DocumentRead read = operations.ReadConfigurationDocument(entry, flags);
      result = net::ToResultCode(read.result);
      if (read.result != net::OperationResult::Success) break;
      entry.ipAddr = platform::HostToNetwork32(platform::kLoopbackHostOrder + 1);
      result = net::ToResultCode(operations.SendConfiguration(entry, flags, request, kLoopback));
      Require(feedback.ConnectsFailed() == 0, "the command line writes to the address it was given");
      break;
    }
  }
  if ((op & 7) == 3) CheckWriteJudgement(feedback, replies[0]);
  if ((op & 7) == 4 || (op & 7) == 7) CheckWriteJudgement(feedback, replies[1]);
  Tell("result:", std::to_string(result));
  Require(feedback.WaitDepth() == 0, "the wait cursor is gone at the end");
  return 0;
}
