#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrine::stream {

// MPEG transport stream packets and their clocks (ISO/IEC 13818-1).
inline constexpr std::size_t kPacketSize = 188;
inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kPayloadRoom = kPacketSize - kHeaderSize;
inline constexpr std::uint8_t kSyncByte = 0x47;

inline constexpr std::uint16_t kPatPid = 0x0000;
inline constexpr std::uint16_t kSdtPid = 0x0011;
inline constexpr std::uint16_t kNullPid = 0x1FFF;
inline constexpr std::size_t kPidCount = 0x2000;
// Below this the PIDs are reserved for tables; an elementary stream or PMT sits from here up to 8190.
inline constexpr std::uint16_t kFirstProgramPid = 0x0010;
inline constexpr std::uint16_t kLastProgramPid = 0x1FFE;

inline constexpr std::uint8_t kPatTableId = 0x00;
inline constexpr std::uint8_t kPmtTableId = 0x02;
inline constexpr std::uint8_t kSdtActualTableId = 0x42;

// Seven packets to a datagram: the largest whole number that fits an Ethernet frame with IP, UDP and RTP.
inline constexpr std::size_t kPacketsPerDatagram = 7;
inline constexpr std::size_t kDatagramPayloadSize = kPacketSize * kPacketsPerDatagram;
// RTP (RFC 3550) before them: the fixed header, and the payload type of an MPEG-2 transport stream (RFC 3551).
inline constexpr std::size_t kRtpHeaderSize = 12;
inline constexpr std::uint8_t kRtpPayloadType = 33;

// The program clock runs at 27 MHz; time stamps at 90 kHz; both wrap with their 33-bit base.
inline constexpr std::int64_t kPcrHz = 27'000'000;
inline constexpr std::int64_t kPtsHz = 90'000;
inline constexpr std::uint64_t kPtsWrap = std::uint64_t{1} << 33;
inline constexpr std::uint64_t kPcrWrap = kPtsWrap * 300;

using Packet = std::array<std::uint8_t, kPacketSize>;

// Header fields of a packet that starts with the sync byte.
[[nodiscard]] inline std::uint16_t PidOf(const std::uint8_t* packet) {
  return static_cast<std::uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
}
[[nodiscard]] inline bool UnitStartOf(const std::uint8_t* packet) { return (packet[1] & 0x40) != 0; }
[[nodiscard]] inline bool TransportErrorOf(const std::uint8_t* packet) { return (packet[1] & 0x80) != 0; }
[[nodiscard]] inline bool HasAdaptationField(const std::uint8_t* packet) { return (packet[3] & 0x20) != 0; }
[[nodiscard]] inline bool HasPayload(const std::uint8_t* packet) { return (packet[3] & 0x10) != 0; }
[[nodiscard]] inline std::uint8_t ContinuityOf(const std::uint8_t* packet) { return packet[3] & 0x0F; }
[[nodiscard]] inline std::uint8_t ScramblingOf(const std::uint8_t* packet) { return (packet[3] >> 6) & 0x03; }

}  // namespace kestrine::stream
