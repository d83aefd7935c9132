// Any datagram as a discovery reply, checked against the rule written out plainly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "fuzz/FuzzCheck.h"
#include "net/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The discovery socket never hands over more than its buffer.
  if (size > kestrine::net::kSearchReplyBufferSize) size = kestrine::net::kSearchReplyBufferSize;
  const auto datagram = std::as_bytes(std::span(data, size));
  const auto decoded = kestrine::net::DecodeSearchReply(datagram);

  bool acceptable = size >= 9;
  if (acceptable) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < size; ++i) sum += data[i];
    const std::size_t type = kestrine::net::kSearchReplyDeviceTypeOffset;
    acceptable = static_cast<std::uint8_t>(sum) == data[size - 1] && data[type] == 6 && data[type + 1] == 0;
  }
  kestrine::fuzz::Require(decoded.has_value() == acceptable, "accepted exactly the well-formed replies");
  if (decoded) {
    std::uint32_t address = 0;
    std::memcpy(&address, data + kestrine::net::kSearchReplyAddressOffset, sizeof address);
    kestrine::fuzz::Require(*decoded == address, "the address is the one inside the reply");
  }
  return 0;
}
