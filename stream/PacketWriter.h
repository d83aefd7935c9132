#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "stream/TsPacket.h"

namespace kestrine::stream {

// What goes into one packet besides its payload.
struct PacketFields {
  std::uint16_t pid = kNullPid;
  bool unitStart = false;
  std::uint8_t continuity = 0;
  std::optional<std::uint64_t> pcr;  // 27 MHz, below kPcrWrap
  bool discontinuity = false;
};

// Writes a whole packet: header, the adaptation field the fields need (PCR, discontinuity flag) and as much
// of `payload` as fits; a shorter payload is padded with adaptation-field stuffing, so the payload always
// ends the packet. Returns the payload bytes taken. With no payload the packet carries only its adaptation
// field (and its continuity counter must repeat the previous one).
std::size_t WritePacket(Packet& out, const PacketFields& fields, std::span<const std::uint8_t> payload);

void WriteNullPacket(Packet& out);

// The six bytes of a program_clock_reference: 33-bit base at 90 kHz, 6 reserved bits, 9-bit extension.
void PutPcr(std::uint8_t* six, std::uint64_t pcr);
[[nodiscard]] std::uint64_t ReadPcr(const std::uint8_t* six);

// A table section as packets on `pid`: pointer field 0 in the first, 0xFF after the section's end.
// Their continuity counters are 0; the sender numbers them.
[[nodiscard]] std::vector<Packet> PacketiseSection(std::span<const std::uint8_t> section, std::uint16_t pid);

inline void SetContinuity(Packet& packet, std::uint8_t continuity) {
  packet[3] = static_cast<std::uint8_t>((packet[3] & 0xF0) | (continuity & 0x0F));
}

}  // namespace kestrine::stream
