#pragma once

#include <cstdint>
#include <span>

#include "net/Protocol.h"
#include "sim/ReplyFaults.h"

namespace kestrine::sim {

// Only the exact search request (E9 03 06 00 F2) is answered; anything else on the
// discovery port is ignored.
[[nodiscard]] bool IsSearchRequest(std::span<const std::byte> datagram);

// The reply an encoder at `address` (network order) sends, spoiled as `mode` says;
// empty for a silent encoder.
[[nodiscard]] net::Bytes BuildDiscoveryReply(std::uint32_t address, DiscoveryReplyMode mode);

}  // namespace kestrine::sim
