#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "stream/TransportStreamGenerator.h"

namespace kestrine::stream {

// How the packets travel: seven to a UDP datagram, or the same behind an RTP header (RFC 3550: payload
// type 33, MPEG-2 transport stream; a sequence number and a 90 kHz time stamp per datagram).
enum class Framing { Udp, Rtp };

// Puts a generator's packets into datagrams as the clock asks for them: datagram m is due when the last of
// its packets is, so a caller that sends every due datagram whenever it wakes keeps the stream even. A
// caller that fell more than kLongestCatchUp behind (a stalled thread) does not burst to catch up: the
// stream goes on from now, its clock unbroken, so no burst is longer than that.
class PacedStream final {
 public:
  using Clock = std::chrono::steady_clock;
  using Sink = std::function<void(std::span<const std::uint8_t> datagram)>;

  static constexpr std::chrono::milliseconds kLongestCatchUp{10};

  PacedStream(TransportStreamGenerator generator, Framing framing, std::uint32_t ssrc, Clock::time_point start,
              std::optional<std::chrono::milliseconds> stopAfter = std::nullopt);

  // When the next datagram is due; Clock::time_point::max() once the stream has stopped.
  [[nodiscard]] Clock::time_point NextDue() const;
  // Hands every datagram due by `now` to `sink`; returns how many.
  std::size_t SendDue(Clock::time_point now, const Sink& sink);

  void SetFraming(Framing framing) { framing_ = framing; }
  [[nodiscard]] Framing CurrentFraming() const { return framing_; }
  [[nodiscard]] TransportStreamGenerator& Generator() { return generator_; }
  [[nodiscard]] const TransportStreamGenerator& Generator() const { return generator_; }

 private:
  [[nodiscard]] Clock::time_point DueAt(std::uint64_t packetIndex) const;
  void Frame();

  TransportStreamGenerator generator_;
  Framing framing_;
  std::uint32_t ssrc_;
  std::uint16_t sequence_;
  // The generator's clock at `anchorTicks_` was this moment.
  Clock::time_point anchorTime_;
  std::uint64_t anchorTicks_ = 0;
  std::optional<Clock::time_point> stopAt_;
  std::array<std::uint8_t, kRtpHeaderSize + kDatagramPayloadSize> datagram_{};
};

}  // namespace kestrine::stream
