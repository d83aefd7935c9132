#include "net/MessageRing.h"

namespace kestrine::net {

std::vector<std::string_view> MessageLinesOldestFirst(const MessageRing& ring, int oldest) {
  std::vector<std::string_view> lines;
  if (oldest < 0 || oldest >= static_cast<int>(MESSAGE_SLOT_COUNT)) return lines;
  for (auto slot = static_cast<std::size_t>(oldest); slot < MESSAGE_SLOT_COUNT; ++slot) {
    const std::string_view text = MessageSlotText(ring, slot);
    if (!text.empty()) lines.push_back(text);
  }
  // The wrapped part is taken as it stands, empty slots included.
  for (std::size_t slot = 0; slot < static_cast<std::size_t>(oldest); ++slot) {
    lines.push_back(MessageSlotText(ring, slot));
  }
  return lines;
}

}  // namespace kestrine::net
