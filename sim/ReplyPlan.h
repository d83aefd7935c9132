#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "net/Protocol.h"
#include "sim/ReplyFaults.h"

namespace kestrine::sim {

// One timed piece of a reply: sent `delay` after the previous piece went out
// (the first one: after the request came in); then, if asked, the connection closes.
struct ReplyStep {
  net::Bytes bytes;
  std::chrono::milliseconds delay{0};
  bool closeAfter = false;
};

// Puts the cmd and length overrides of `faults` into an encoded reply to `cmd`.
void OverrideReplyFields(net::Bytes& reply, std::uint32_t cmd, const ReplyFaults& faults);

// Cuts a reply into the pieces the connection sends, as the faults ask. A silent
// reply yields nothing; an empty one yields nothing unless it must close.
[[nodiscard]] std::vector<ReplyStep> PlanReply(net::Bytes reply, const ReplyFaults& faults);

}  // namespace kestrine::sim
