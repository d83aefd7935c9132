#include "sim/DiscoveryReplies.h"

#include <algorithm>

namespace kestrine::sim {

bool IsSearchRequest(std::span<const std::byte> datagram) {
  const net::Bytes request = net::EncodeSearchRequest();
  return std::equal(datagram.begin(), datagram.end(), request.begin(), request.end());
}

net::Bytes BuildDiscoveryReply(std::uint32_t address, DiscoveryReplyMode mode) {
  switch (mode) {
    case DiscoveryReplyMode::Valid:
      return net::EncodeSearchReply(address, net::kEncoderDeviceType);
    case DiscoveryReplyMode::BadChecksum: {
      net::Bytes reply = net::EncodeSearchReply(address, net::kEncoderDeviceType);
      reply.back() = static_cast<std::byte>(std::to_integer<std::uint8_t>(reply.back()) + 1);
      return reply;
    }
    case DiscoveryReplyMode::WrongDeviceType:
      return net::EncodeSearchReply(address, 7);
    case DiscoveryReplyMode::TooShort: {
      net::Bytes reply = net::EncodeSearchReply(address, net::kEncoderDeviceType);
      reply.pop_back();
      return reply;
    }
    case DiscoveryReplyMode::Silent:
      break;
  }
  return {};
}

}  // namespace kestrine::sim
