#pragma once

#include <string_view>
#include <vector>

#include "net/Protocol.h"

namespace kestrine::net {

// The ring's messages in the order they go into the log, oldest first: slots
// oldest..9 skipping empty ones, then 0..oldest-1 including empty ones. An
// `oldest` outside 0..9 names no slot and yields nothing.
[[nodiscard]] std::vector<std::string_view> MessageLinesOldestFirst(const MessageRing& ring, int oldest);

}  // namespace kestrine::net
