#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "net/Protocol.h"

namespace kestrine::sim {

// One complete request from a control connection.
struct ControlRequest {
  std::uint32_t cmd = 0;
  net::Bytes bytes;  // header and body, exactly as received

  [[nodiscard]] std::string_view Body() const;
};

// Cuts the byte stream of one control connection into requests. Everything on the
// wire is untrusted: a header with a negative or oversized length, or a command an
// encoder does not know, ends the connection before any body is buffered.
class RequestReader final {
 public:
  // The manager builds its document in a buffer of this size, so a larger announced body is garbage,
  // not a request. The bound also caps the parse: TinyXML's time grows with the square of the nesting
  // depth (64 KiB of "<a>" held the one serving thread, and with it the whole fleet, for seconds).
  static constexpr std::size_t kMaxBodyLength = static_cast<std::size_t>(net::kMaxDocumentLength);

  enum class Status { NeedMore, Complete, Refused };

  void Feed(std::span<const std::byte> bytes);
  // Takes the next complete request off the front of what was fed.
  Status Next(ControlRequest& request);
  [[nodiscard]] bool HasPartialRequest() const { return !pending_.empty(); }

 private:
  net::Bytes pending_;
};

}  // namespace kestrine::sim
