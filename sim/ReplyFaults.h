#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "net/Protocol.h"

namespace kestrine::sim {

// How a simulated encoder misbehaves when it answers one command. The default
// answers properly, at once, in one piece.
struct ReplyFaults {
  // Reads the request and never answers; the connection stays open until the client closes it.
  bool silent = false;
  // From the complete request to the first byte of the reply.
  std::chrono::milliseconds delay{0};
  // 0 sends the reply in one piece; otherwise pieces of this many bytes, segmentGap apart.
  std::size_t segmentSize = 0;
  std::chrono::milliseconds segmentGap{0};
  // Sends only the first N bytes of the reply (header included), then closes the connection.
  std::optional<std::size_t> closeAfterBytes;
  // Closes the connection once the whole reply has gone out.
  bool closeAfterReply = false;
  // Replace the reply's cmd field, and its len field (rlen for the write result, the 4-byte
  // field after `oldest` for the message ring); the body is sent as it is.
  std::optional<std::uint32_t> cmd;
  std::optional<std::int32_t> length;
  // Write result (1003 only): these exact bytes as the result text (append '\0' to send one).
  // The document is still judged and applied as usual; only the answer changes.
  std::optional<std::string> writeResultText;
  // These exact bytes instead of the reply; delay, segments and the close options still apply,
  // cmd and length do not. For 1005 / 1006, which have no reply, the bytes are sent anyway.
  std::optional<net::Bytes> rawReply;
};

// What the discovery socket answers for one encoder.
enum class DiscoveryReplyMode {
  Valid,            // the 9-byte reply with the encoder's address
  BadChecksum,      // the checksum byte off by one
  WrongDeviceType,  // deviceType 7, checksum correct
  TooShort,         // the first 8 bytes of a valid reply
  Silent,           // no reply
};

struct DiscoveryFaults {
  DiscoveryReplyMode mode = DiscoveryReplyMode::Valid;
  int repeat = 1;  // replies sent per search request
};

}  // namespace kestrine::sim
