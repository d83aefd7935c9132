#include "config/EncoderConfiguration.h"

#include <algorithm>
#include <cstring>

#include "config/TextEncoding.h"

namespace kestrine::config {

std::string_view TextOf(std::span<const char> field) {
  const auto end = std::find(field.begin(), field.end(), '\0');
  return {field.data(), static_cast<std::size_t>(end - field.begin())};
}

void StoreText(std::span<char> field, std::string_view text) {
  if (field.empty()) return;
  // A cut text keeps whole characters: half a two-byte character would turn the next byte into garbage.
  const std::size_t length = WholeCharacterPrefix(text, field.size() - 1);
  // The text may alias the field (storing a field's own text back); move, then clear the tail.
  std::memmove(field.data(), text.data(), length);
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(length), field.end(), '\0');
}

}  // namespace kestrine::config
