#include "sim/MessageRingLog.h"

#include <algorithm>
#include <cstring>

namespace kestrine::sim {

void MessageRingLog::Log(std::string_view text) {
  // An index outside the ring (only a preset makes one) starts the ring over.
  if (oldest_ < 0 || static_cast<std::size_t>(oldest_) >= net::MESSAGE_SLOT_COUNT) oldest_ = 0;
  const auto oldest = static_cast<std::size_t>(oldest_);
  if (filled_ < net::MESSAGE_SLOT_COUNT) {
    Store((oldest + filled_) % net::MESSAGE_SLOT_COUNT, text);
    ++filled_;
    return;
  }
  Store(oldest, text);
  oldest_ = static_cast<std::int8_t>((oldest + 1) % net::MESSAGE_SLOT_COUNT);
}

void MessageRingLog::Preset(std::int8_t oldest, const std::array<std::string, net::MESSAGE_SLOT_COUNT>& texts) {
  for (std::size_t slot = 0; slot < texts.size(); ++slot) Store(slot, texts[slot]);
  oldest_ = oldest;
  filled_ = net::MESSAGE_SLOT_COUNT;
}

void MessageRingLog::Clear() {
  slots_.fill('\0');
  oldest_ = 0;
  filled_ = 0;
}

void MessageRingLog::Store(std::size_t slot, std::string_view text) {
  char* start = slots_.data() + slot * net::MESSAGE_SLOT_SIZE;
  const std::size_t length = std::min(text.size(), kMaxTextLength);
  std::memset(start, 0, net::MESSAGE_SLOT_SIZE);
  if (length != 0) std::memcpy(start, text.data(), length);
}

}  // namespace kestrine::sim
