#include "config/DecimalText.h"

#include <limits>

namespace kestrine::config {

std::int32_t Atoi(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                      : std::int64_t{std::numeric_limits<std::int32_t>::max()};
  std::int64_t magnitude = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    magnitude = magnitude * 10 + (text[pos] - '0');
    if (magnitude > limit) {
      magnitude = limit;  // stays saturated; the remaining digits cannot lower it
    }
    ++pos;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string FormatDecimal(std::int32_t value) { return std::to_string(value); }

}  // namespace kestrine::config
