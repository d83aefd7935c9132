#include "stream/PacedStream.h"

#include <cstring>

namespace kestrine::stream {

PacedStream::PacedStream(TransportStreamGenerator generator, Framing framing, std::uint32_t ssrc,
                         Clock::time_point start, std::optional<std::chrono::milliseconds> stopAfter)
    : generator_(std::move(generator)),
      framing_(framing),
      ssrc_(ssrc),
      // Any start will do; one taken from the source keeps two encoders' numbers apart.
      sequence_(static_cast<std::uint16_t>(ssrc * 2654435761u >> 16)),
      anchorTime_(start),
      anchorTicks_(generator_.TicksAt(generator_.PacketsWritten())) {
  if (stopAfter) stopAt_ = start + *stopAfter;
}

PacedStream::Clock::time_point PacedStream::DueAt(std::uint64_t packetIndex) const {
  const std::uint64_t ticks = generator_.TicksAt(packetIndex) - anchorTicks_;
  return anchorTime_ +
         std::chrono::duration_cast<Clock::duration>(
             std::chrono::duration<std::int64_t, std::ratio<1, kPcrHz>>(static_cast<std::int64_t>(ticks)));
}

PacedStream::Clock::time_point PacedStream::NextDue() const {
  const Clock::time_point due = DueAt(generator_.PacketsWritten() + kPacketsPerDatagram);
  if (stopAt_ && due >= *stopAt_) return Clock::time_point::max();
  return due;
}

std::size_t PacedStream::SendDue(Clock::time_point now, const Sink& sink) {
  if (NextDue() != Clock::time_point::max() && now - NextDue() > kLongestCatchUp) {
    anchorTicks_ = generator_.TicksAt(generator_.PacketsWritten() + kPacketsPerDatagram);
    anchorTime_ = now;
  }
  std::size_t sent = 0;
  while (NextDue() <= now) {
    Frame();
    const std::size_t header = framing_ == Framing::Rtp ? kRtpHeaderSize : 0;
    sink(std::span<const std::uint8_t>(datagram_.data(), header + kDatagramPayloadSize));
    ++sent;
  }
  return sent;
}

void PacedStream::Frame() {
  std::uint8_t* at = datagram_.data();
  if (framing_ == Framing::Rtp) {
    const std::uint32_t timestamp = static_cast<std::uint32_t>(generator_.TicksAt(generator_.PacketsWritten()) / 300);
    at[0] = 0x80;  // version 2, no padding, no extension, no CSRC
    at[1] = kRtpPayloadType;
    at[2] = static_cast<std::uint8_t>(sequence_ >> 8);
    at[3] = static_cast<std::uint8_t>(sequence_ & 0xFF);
    for (int i = 0; i < 4; ++i) {
      at[4 + i] = static_cast<std::uint8_t>(timestamp >> (24 - 8 * i));
      at[8 + i] = static_cast<std::uint8_t>(ssrc_ >> (24 - 8 * i));
    }
    ++sequence_;
    at += kRtpHeaderSize;
  }
  Packet packet;
  for (std::size_t i = 0; i < kPacketsPerDatagram; ++i) {
    generator_.NextPacket(packet);
    std::memcpy(at + i * kPacketSize, packet.data(), kPacketSize);
  }
}

}  // namespace kestrine::stream
