#include "stream/PacketWriter.h"

#include <algorithm>
#include <cstring>

namespace kestrine::stream {
namespace {

constexpr std::uint8_t kPayloadOnly = 0x10;
constexpr std::uint8_t kAdaptationOnly = 0x20;
constexpr std::uint8_t kDiscontinuityFlag = 0x80;
constexpr std::uint8_t kPcrFlag = 0x10;
constexpr std::size_t kPcrBytes = 6;

}  // namespace

std::size_t WritePacket(Packet& out, const PacketFields& fields, std::span<const std::uint8_t> payload) {
  // Length byte and flags byte, then the PCR.
  const std::size_t fieldsNeeded = fields.pcr || fields.discontinuity ? 2 + (fields.pcr ? kPcrBytes : 0) : 0;
  const std::size_t taken = std::min(payload.size(), kPayloadRoom - fieldsNeeded);
  const std::size_t adaptation = kPayloadRoom - taken;  // bytes of adaptation field, its length byte included

  out[0] = kSyncByte;
  out[1] = static_cast<std::uint8_t>((fields.unitStart ? 0x40 : 0x00) | ((fields.pid >> 8) & 0x1F));
  out[2] = static_cast<std::uint8_t>(fields.pid & 0xFF);
  out[3] = static_cast<std::uint8_t>((taken > 0 ? kPayloadOnly : 0) | (adaptation > 0 ? kAdaptationOnly : 0) |
                                     (fields.continuity & 0x0F));
  std::uint8_t* at = out.data() + kHeaderSize;
  if (adaptation > 0) {
    at[0] = static_cast<std::uint8_t>(adaptation - 1);
    if (adaptation > 1) {
      at[1] = static_cast<std::uint8_t>((fields.discontinuity ? kDiscontinuityFlag : 0) | (fields.pcr ? kPcrFlag : 0));
      std::size_t used = 2;
      if (fields.pcr) {
        PutPcr(at + used, *fields.pcr);
        used += kPcrBytes;
      }
      std::memset(at + used, 0xFF, adaptation - used);
    }
    at += adaptation;
  }
  if (taken > 0) std::memcpy(at, payload.data(), taken);
  return taken;
}

void WriteNullPacket(Packet& out) {
  out.fill(0xFF);
  out[0] = kSyncByte;
  out[1] = static_cast<std::uint8_t>(kNullPid >> 8);
  out[2] = static_cast<std::uint8_t>(kNullPid & 0xFF);
  out[3] = kPayloadOnly;
}

void PutPcr(std::uint8_t* six, std::uint64_t pcr) {
  const std::uint64_t base = (pcr / 300) & (kPtsWrap - 1);
  const std::uint64_t extension = pcr % 300;
  six[0] = static_cast<std::uint8_t>(base >> 25);
  six[1] = static_cast<std::uint8_t>(base >> 17);
  six[2] = static_cast<std::uint8_t>(base >> 9);
  six[3] = static_cast<std::uint8_t>(base >> 1);
  six[4] = static_cast<std::uint8_t>(((base & 1) << 7) | 0x7E | ((extension >> 8) & 1));
  six[5] = static_cast<std::uint8_t>(extension & 0xFF);
}

std::uint64_t ReadPcr(const std::uint8_t* six) {
  const std::uint64_t base = (std::uint64_t{six[0]} << 25) | (std::uint64_t{six[1]} << 17) |
                             (std::uint64_t{six[2]} << 9) | (std::uint64_t{six[3]} << 1) | (six[4] >> 7);
  const std::uint64_t extension = (std::uint64_t{six[4] & 1u} << 8) | six[5];
  return base * 300 + extension;
}

std::vector<Packet> PacketiseSection(std::span<const std::uint8_t> section, std::uint16_t pid) {
  std::vector<Packet> packets;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(section.size() + 1);
  bytes.push_back(0);  // pointer_field: the section starts right after it
  bytes.insert(bytes.end(), section.begin(), section.end());
  for (std::size_t at = 0; at < bytes.size(); at += kPayloadRoom) {
    Packet& packet = packets.emplace_back();
    packet.fill(0xFF);
    packet[0] = kSyncByte;
    packet[1] = static_cast<std::uint8_t>((at == 0 ? 0x40 : 0x00) | ((pid >> 8) & 0x1F));
    packet[2] = static_cast<std::uint8_t>(pid & 0xFF);
    packet[3] = kPayloadOnly;
    const std::size_t length = std::min(kPayloadRoom, bytes.size() - at);
    std::memcpy(packet.data() + kHeaderSize, bytes.data() + at, length);
  }
  return packets;
}

}  // namespace kestrine::stream
