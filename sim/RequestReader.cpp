#include "sim/RequestReader.h"

namespace kestrine::sim {

std::string_view ControlRequest::Body() const {
  if (bytes.size() <= net::kRequestHeaderSize) return {};
  return net::AsText(std::span<const std::byte>(bytes).subspan(net::kRequestHeaderSize));
}

void RequestReader::Feed(std::span<const std::byte> bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

RequestReader::Status RequestReader::Next(ControlRequest& request) {
  if (pending_.size() < net::kRequestHeaderSize) return Status::NeedMore;
  const std::span<const std::byte> header(pending_.data(), net::kRequestHeaderSize);
  const std::uint32_t cmd = net::GetLe32(header.subspan<net::kCommandOffset, 4>());
  const auto length = static_cast<std::int32_t>(net::GetLe32(header.subspan<net::kLengthOffset, 4>()));
  if (!net::IsControlCommand(cmd) || length < 0 || static_cast<std::size_t>(length) > kMaxBodyLength) {
    pending_.clear();
    return Status::Refused;
  }
  const std::size_t total = net::kRequestHeaderSize + static_cast<std::size_t>(length);
  if (pending_.size() < total) return Status::NeedMore;
  request.cmd = cmd;
  request.bytes.assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
  return Status::Complete;
}

}  // namespace kestrine::sim
