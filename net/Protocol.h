#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigurationDocument.h"

namespace kestrine::net {

// Command codes of the control connection (and of the discovery request).
enum CommandCode : std::uint32_t {
  CMD_SEARCH = 1001,
  CMD_SENDXML = 1003,
  CMD_GETXML = 1004,
  CMD_TS_START = 1005,
  CMD_TS_STOP = 1006,
  CMD_GET_MESSAGE = 1007,
};

// The commands a control connection carries (discovery's 1001 is not one of them).
inline constexpr std::array<std::uint32_t, 5> kControlCommands{CMD_SENDXML, CMD_GETXML, CMD_TS_START, CMD_TS_STOP,
                                                                CMD_GET_MESSAGE};
[[nodiscard]] bool IsControlCommand(std::uint32_t cmd);

inline constexpr std::uint16_t kControlPort = 9999;
inline constexpr std::uint16_t kDiscoveryPort = 8888;

// Request header, and the header of the configuration and write-result replies:
// cmd, len, each a little-endian 32-bit integer.
inline constexpr std::size_t kCommandOffset = 0;
inline constexpr std::size_t kLengthOffset = 4;
inline constexpr std::size_t kRequestHeaderSize = 8;

// Configuration reply: the largest document accepted and the buffer it lands in.
inline constexpr std::int32_t kMaxDocumentLength = static_cast<std::int32_t>(config::kMaxDocumentBytes);
inline constexpr std::size_t kDocumentBufferSize = 10000;

// Device-message reply: a ring of ten 50-byte slots behind a 9-byte header.
inline constexpr std::size_t MESSAGE_SLOT_COUNT = 10;
inline constexpr std::size_t MESSAGE_SLOT_SIZE = 50;
inline constexpr std::size_t kMessageRingSize = MESSAGE_SLOT_COUNT * MESSAGE_SLOT_SIZE;
// The header is cmd, the 1-byte `oldest`, then len.
inline constexpr std::size_t kMessageOldestOffset = 4;
inline constexpr std::size_t kMessageLengthOffset = 5;
inline constexpr std::size_t kMessageHeaderSize = 9;

// Where a reply to `cmd` keeps its len field.
[[nodiscard]] constexpr std::size_t ReplyLengthOffset(std::uint32_t cmd) {
  return cmd == CMD_GET_MESSAGE ? kMessageLengthOffset : kLengthOffset;
}

// Write-result reply: the result text's buffer, and the text that means a wrong password.
inline constexpr std::size_t kWriteResultBufferSize = 2000;
inline constexpr std::string_view kPasswordErrorText = "PASSWORD ERR";

// Discovery datagrams.
inline constexpr std::uint16_t kEncoderDeviceType = 6;
inline constexpr std::size_t kSearchRequestSize = 5;
// A search reply: cmd (16 bits), the encoder's address (network order), its
// device type (16 bits), and a checksum byte last.
inline constexpr std::size_t kSearchReplyAddressOffset = 2;
inline constexpr std::size_t kSearchReplyDeviceTypeOffset = 6;
inline constexpr std::size_t kMinSearchReplySize = 9;
inline constexpr std::size_t kSearchReplyBufferSize = 1000;

using Bytes = std::vector<std::byte>;
using MessageRing = std::array<char, kMessageRingSize>;

// Little-endian integers, as the encoders lay them out whatever the host.
void PutLe32(Bytes& out, std::uint32_t value);
void PutLe16(Bytes& out, std::uint16_t value);
[[nodiscard]] std::uint32_t GetLe32(std::span<const std::byte, 4> bytes);
[[nodiscard]] std::uint16_t GetLe16(std::span<const std::byte, 2> bytes);

[[nodiscard]] std::span<const std::byte> AsBytes(std::string_view text);
[[nodiscard]] std::string_view AsText(std::span<const std::byte> bytes);

// cmd, len and the body: the whole request as it goes out.
[[nodiscard]] Bytes EncodeRequest(std::uint32_t cmd, std::string_view body);

// Replies, as an encoder sends them.
[[nodiscard]] Bytes EncodeConfigurationReply(std::string_view document);
[[nodiscard]] Bytes EncodeMessageReply(std::int8_t oldest, std::span<const char> ring);
[[nodiscard]] Bytes EncodeWriteResultReply(std::string_view resultText);

// The text of ring slot `slot` (up to its first NUL or the slot's end).
[[nodiscard]] std::string_view MessageSlotText(const MessageRing& ring, std::size_t slot);

// Discovery: the 8-bit sum of the bytes, modulo 256.
[[nodiscard]] std::uint8_t Checksum(std::span<const std::byte> bytes);
[[nodiscard]] Bytes EncodeSearchRequest();  // always E9 03 06 00 F2
[[nodiscard]] Bytes EncodeSearchReply(std::uint32_t addressNetworkOrder, std::uint16_t deviceType);
// The encoder address inside an acceptable reply (network order); nothing for a reply to ignore.
[[nodiscard]] std::optional<std::uint32_t> DecodeSearchReply(std::span<const std::byte> datagram);

}  // namespace kestrine::net
