#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/Protocol.h"

namespace kestrine::sim {

// The ring of ten 50-byte message slots an encoder keeps, with the index of its
// oldest slot. It fills from the oldest slot on; once full, each new message
// overwrites the oldest and the index moves on by one.
class MessageRingLog final {
 public:
  // Longest message a slot holds (its last byte stays the terminator).
  static constexpr std::size_t kMaxTextLength = net::MESSAGE_SLOT_SIZE - 1;

  void Log(std::string_view text);

  // Replaces the ring as given, `oldest` included even outside 0..9; the ring then
  // counts as full, so the next message overwrites slot `oldest`. Texts are cut to a slot.
  void Preset(std::int8_t oldest, const std::array<std::string, net::MESSAGE_SLOT_COUNT>& texts);
  void Clear();

  [[nodiscard]] std::int8_t Oldest() const { return oldest_; }
  [[nodiscard]] const net::MessageRing& Slots() const { return slots_; }

 private:
  void Store(std::size_t slot, std::string_view text);

  net::MessageRing slots_{};
  std::int8_t oldest_ = 0;
  std::size_t filled_ = 0;
};

}  // namespace kestrine::sim
