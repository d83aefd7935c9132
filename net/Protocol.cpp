#include "net/Protocol.h"

#include <algorithm>

#include <cstring>

namespace kestrine::net {

void PutLe32(Bytes& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::byte>(value >> shift));
}

void PutLe16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::byte>(value));
  out.push_back(static_cast<std::byte>(value >> 8));
}

std::uint32_t GetLe32(std::span<const std::byte, 4> bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | std::to_integer<std::uint32_t>(bytes[static_cast<std::size_t>(i)]);
  return value;
}

std::uint16_t GetLe16(std::span<const std::byte, 2> bytes) {
  return static_cast<std::uint16_t>(std::to_integer<unsigned>(bytes[0]) | (std::to_integer<unsigned>(bytes[1]) << 8));
}

std::span<const std::byte> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

std::string_view AsText(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

namespace {

void Append(Bytes& out, const void* data, std::size_t size) {
  const std::size_t at = out.size();
  out.resize(at + size);
  if (size != 0) std::memcpy(out.data() + at, data, size);
}

void Append(Bytes& out, std::string_view text) { Append(out, text.data(), text.size()); }

// cmd, the length of what follows, then the bytes: requests and two of the replies share this layout.
Bytes EncodeCommandWithBody(std::uint32_t cmd, std::string_view body) {
  Bytes out;
  out.reserve(kRequestHeaderSize + body.size());
  PutLe32(out, cmd);
  PutLe32(out, static_cast<std::uint32_t>(body.size()));
  Append(out, body);
  return out;
}

}  // namespace

bool IsControlCommand(std::uint32_t cmd) {
  return std::find(kControlCommands.begin(), kControlCommands.end(), cmd) != kControlCommands.end();
}

Bytes EncodeRequest(std::uint32_t cmd, std::string_view body) { return EncodeCommandWithBody(cmd, body); }

Bytes EncodeConfigurationReply(std::string_view document) { return EncodeCommandWithBody(CMD_GETXML, document); }

Bytes EncodeMessageReply(std::int8_t oldest, std::span<const char> ring) {
  Bytes out;
  PutLe32(out, CMD_GET_MESSAGE);
  out.push_back(static_cast<std::byte>(oldest));
  PutLe32(out, static_cast<std::uint32_t>(ring.size()));
  Append(out, std::string_view(ring.data(), ring.size()));
  return out;
}

Bytes EncodeWriteResultReply(std::string_view resultText) {
  return EncodeCommandWithBody(CMD_SENDXML, resultText);
}

std::string_view MessageSlotText(const MessageRing& ring, std::size_t slot) {
  const char* start = ring.data() + slot * MESSAGE_SLOT_SIZE;
  const void* nul = std::memchr(start, '\0', MESSAGE_SLOT_SIZE);
  const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - start) : MESSAGE_SLOT_SIZE;
  return {start, length};
}

std::uint8_t Checksum(std::span<const std::byte> bytes) {
  unsigned sum = 0;
  for (const std::byte b : bytes) sum += std::to_integer<unsigned>(b);
  return static_cast<std::uint8_t>(sum);
}

Bytes EncodeSearchRequest() {
  Bytes out;
  PutLe16(out, static_cast<std::uint16_t>(CMD_SEARCH));
  PutLe16(out, kEncoderDeviceType);
  out.push_back(static_cast<std::byte>(Checksum(out)));
  return out;
}

Bytes EncodeSearchReply(std::uint32_t addressNetworkOrder, std::uint16_t deviceType) {
  Bytes out;
  PutLe16(out, static_cast<std::uint16_t>(CMD_SEARCH));
  Append(out, &addressNetworkOrder, sizeof addressNetworkOrder);
  PutLe16(out, deviceType);
  out.push_back(static_cast<std::byte>(Checksum(out)));
  return out;
}

std::optional<std::uint32_t> DecodeSearchReply(std::span<const std::byte> datagram) {
  if (datagram.size() < kMinSearchReplySize) return std::nullopt;
  if (std::to_integer<std::uint8_t>(datagram.back()) != Checksum(datagram.first(datagram.size() - 1))) {
    return std::nullopt;
  }
  if (GetLe16(datagram.subspan<kSearchReplyDeviceTypeOffset, 2>()) != kEncoderDeviceType) return std::nullopt;
  std::uint32_t address = 0;
  std::memcpy(&address, datagram.data() + kSearchReplyAddressOffset, sizeof address);
  return address;
}

}  // namespace kestrine::net
