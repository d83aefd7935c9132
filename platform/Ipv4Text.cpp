#include "platform/Ipv4Text.h"

#include <array>
#include <cstring>

namespace kestrine::platform {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint32_t FromOctets(const std::array<std::uint8_t, 4>& octets) {
  std::uint32_t value = 0;
  std::memcpy(&value, octets.data(), sizeof value);
  return value;
}

std::array<std::uint8_t, 4> ToOctets(std::uint32_t networkOrder) {
  std::array<std::uint8_t, 4> octets{};
  std::memcpy(octets.data(), &networkOrder, sizeof networkOrder);
  return octets;
}

// Reads one number part at text[pos]; false when it is not a number or overflows 32 bits.
bool ReadPart(std::string_view text, std::size_t& pos, std::uint64_t& value) {
  if (pos >= text.size() || !IsDigit(text[pos])) return false;
  unsigned base = 10;
  if (text[pos] == '0') {
    base = 8;
    ++pos;
    if (pos < text.size() && (text[pos] == 'x' || text[pos] == 'X')) {
      base = 16;
      ++pos;
    }
  }
  value = 0;
  while (pos < text.size()) {
    const int digit = base == 16 ? HexValue(text[pos]) : (IsDigit(text[pos]) ? text[pos] - '0' : -1);
    if (digit < 0) break;
    if (base == 8 && digit > 7) return false;
    value = value * base + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFull) return false;
    ++pos;
  }
  return true;
}

}  // namespace

std::uint32_t InetAddr(std::string_view text) { return ParseInetAddr(text).value_or(kInaddrNone); }

std::optional<std::uint32_t> ParseInetAddr(std::string_view text) {
  std::array<std::uint64_t, 4> parts{};
  std::size_t count = 0;
  std::size_t pos = 0;
  for (;;) {
    if (!ReadPart(text, pos, parts[count])) return std::nullopt;
    ++count;
    if (pos < text.size() && text[pos] == '.') {
      if (count == 4 || parts[count - 1] > 0xFF) return std::nullopt;
      ++pos;
      continue;
    }
    break;
  }
  if (pos < text.size() && !IsBlank(text[pos])) return std::nullopt;

  // The last part fills all the bytes the earlier parts left over.
  const std::uint64_t lastLimit = 0xFFFFFFFFull >> (8 * (count - 1));
  if (parts[count - 1] > lastLimit) return std::nullopt;
  std::uint64_t host = parts[count - 1];
  for (std::size_t i = 0; i + 1 < count; ++i) host |= parts[i] << (8 * (3 - i));
  return HostToNetwork32(static_cast<std::uint32_t>(host));
}

std::string FormatIpv4(std::uint32_t networkOrder) {
  const auto octets = ToOctets(networkOrder);
  std::string text;
  for (std::size_t i = 0; i < octets.size(); ++i) {
    if (i != 0) text += '.';
    text += std::to_string(octets[i]);
  }
  return text;
}

std::uint32_t NetworkToHost32(std::uint32_t networkOrder) {
  const auto o = ToOctets(networkOrder);
  return (std::uint32_t{o[0]} << 24) | (std::uint32_t{o[1]} << 16) | (std::uint32_t{o[2]} << 8) | o[3];
}

std::uint32_t HostToNetwork32(std::uint32_t hostOrder) {
  return FromOctets({static_cast<std::uint8_t>(hostOrder >> 24), static_cast<std::uint8_t>(hostOrder >> 16),
                     static_cast<std::uint8_t>(hostOrder >> 8), static_cast<std::uint8_t>(hostOrder)});
}

bool ParseDottedQuad(std::string_view text, std::uint32_t& networkOrder) {
  std::array<std::uint8_t, 4> octets{};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < octets.size(); ++i) {
    if (i != 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && IsDigit(text[pos]) && digits < 3) {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || value > 255) return false;
    octets[i] = static_cast<std::uint8_t>(value);
  }
  if (pos != text.size()) return false;
  networkOrder = FromOctets(octets);
  return true;
}

}  // namespace kestrine::platform
