#include "sim/ReplyPlan.h"

#include <algorithm>

namespace kestrine::sim {
namespace {

void Overwrite32(net::Bytes& reply, std::size_t offset, std::uint32_t value) {
  net::Bytes field;
  net::PutLe32(field, value);
  for (std::size_t i = 0; i < field.size() && offset + i < reply.size(); ++i) reply[offset + i] = field[i];
}

}  // namespace

void OverrideReplyFields(net::Bytes& reply, std::uint32_t cmd, const ReplyFaults& faults) {
  if (faults.cmd) Overwrite32(reply, net::kCommandOffset, *faults.cmd);
  if (faults.length) Overwrite32(reply, net::ReplyLengthOffset(cmd), static_cast<std::uint32_t>(*faults.length));
}

std::vector<ReplyStep> PlanReply(net::Bytes reply, const ReplyFaults& faults) {
  std::vector<ReplyStep> steps;
  if (faults.silent) return steps;
  bool closeAtEnd = faults.closeAfterReply;
  if (faults.closeAfterBytes) {
    reply.resize(std::min(*faults.closeAfterBytes, reply.size()));
    closeAtEnd = true;
  }
  const std::size_t piece = faults.segmentSize == 0 ? reply.size() : faults.segmentSize;
  for (std::size_t at = 0; at < reply.size(); at += piece) {
    const std::size_t length = std::min(piece, reply.size() - at);
    ReplyStep step;
    step.bytes.assign(reply.begin() + static_cast<std::ptrdiff_t>(at),
                      reply.begin() + static_cast<std::ptrdiff_t>(at + length));
    step.delay = steps.empty() ? faults.delay : faults.segmentGap;
    steps.push_back(std::move(step));
  }
  if (closeAtEnd) {
    if (steps.empty()) steps.push_back(ReplyStep{{}, faults.delay, false});
    steps.back().closeAfter = true;
  }
  return steps;
}

}  // namespace kestrine::sim
