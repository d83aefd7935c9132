#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/Protocol.h"
#include "platform/Socket.h"
#include "sim/EncoderFleet.h"
#include "sim/SimulatedEncoder.h"

namespace kestrine::sim::test {

using namespace std::chrono_literals;

// Generous: only a broken simulator ever waits this long.
inline constexpr std::chrono::milliseconds kPatience = 5000ms;

// A started fleet for one test; fails the test when it cannot start.
class StartedFleet {
 public:
  explicit StartedFleet(FleetOptions options = FleetOptions::ForTests()) : fleet_(std::move(options)) {
    std::string error;
    started_ = fleet_.Start(error);
    EXPECT_TRUE(started_) << error;
  }
  EncoderFleet& operator*() { return fleet_; }
  EncoderFleet* operator->() { return &fleet_; }
  SimulatedEncoder Encoder(std::size_t index = 0) { return fleet_.Encoder(index); }

 private:
  EncoderFleet fleet_;
  bool started_ = false;
};

// A raw control connection to one simulated encoder.
class EncoderClient {
 public:
  explicit EncoderClient(const SimulatedEncoder& encoder) : socket_(platform::Socket::CreateStream()) {
    connected_ = socket_.Connect(encoder.Address(), encoder.ControlPort(), kPatience, {});
  }

  [[nodiscard]] bool Connected() const { return connected_; }

  void Send(std::span<const std::byte> bytes) { ASSERT_EQ(socket_.Send(bytes), bytes.size()); }
  void SendRequest(std::uint32_t cmd, std::string_view body = {}) { Send(net::EncodeRequest(cmd, body)); }

  // Bytes until `count` came, the peer closed, or kPatience passed.
  net::Bytes ReadExactly(std::size_t count) {
    net::Bytes bytes(count);
    std::size_t have = 0;
    const platform::Deadline deadline(kPatience);
    while (have < count && !deadline.Expired()) {
      const platform::Received got = socket_.Receive(std::span(bytes).subspan(have), deadline.Remaining(), {});
      if (got.status != platform::ReceiveStatus::Data) break;
      have += got.count;
    }
    bytes.resize(have);
    return bytes;
  }

  // One receive call: what has arrived so far (waiting up to kPatience for the first byte).
  net::Bytes ReadSome() {
    net::Bytes bytes(64 * 1024);
    const platform::Received got = socket_.Receive(bytes, kPatience, {});
    bytes.resize(got.status == platform::ReceiveStatus::Data ? got.count : 0);
    return bytes;
  }

  // Everything up to the peer's close; `closed` is false if it stayed open for kPatience.
  struct Drained {
    net::Bytes bytes;
    bool closed = false;
  };
  Drained ReadUntilClosed() {
    Drained drained;
    std::array<std::byte, 4096> buffer{};
    const platform::Deadline deadline(kPatience);
    while (!deadline.Expired()) {
      const platform::Received got = socket_.Receive(buffer, deadline.Remaining(), {});
      if (got.status == platform::ReceiveStatus::Data) {
        const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(got.count);
        drained.bytes.insert(drained.bytes.end(), buffer.begin(), end);
        continue;
      }
      drained.closed = got.status == platform::ReceiveStatus::Closed || got.status == platform::ReceiveStatus::Failed;
      break;
    }
    return drained;
  }

  // True when nothing arrives (and the connection stays open) for `quiet`.
  bool StaysQuiet(std::chrono::milliseconds quiet) {
    std::array<std::byte, 1> buffer{};
    return socket_.Receive(buffer, quiet, {}).status == platform::ReceiveStatus::TimedOut;
  }

  void Close() { socket_.Close(); }

 private:
  platform::Socket socket_;
  bool connected_ = false;
};

// The header fields of a reply.
inline std::uint32_t Le32At(const net::Bytes& bytes, std::size_t offset) {
  return net::GetLe32(std::span<const std::byte, 4>(bytes.data() + offset, 4));
}

inline std::string TextOf(const net::Bytes& bytes, std::size_t from = 0) {
  return std::string(net::AsText(std::span(bytes).subspan(std::min(from, bytes.size()))));
}

// One request and its complete reply, the reply's size known from its header.
net::Bytes ExchangeConfiguration(const SimulatedEncoder& encoder);  // 1004: header and document
net::Bytes ExchangeMessages(const SimulatedEncoder& encoder);       // 1007: 9-byte header and ring
std::string ExchangeWrite(const SimulatedEncoder& encoder, std::string_view document);  // 1003: the result text

}  // namespace kestrine::sim::test
