#include "exporter/AllowList.h"

#include <charconv>

#include "platform/Ipv4Text.h"

namespace kestrine::exporter {
namespace {

constexpr unsigned kAddressBits = 32;

std::uint32_t MaskOf(unsigned prefixLength) {
  return prefixLength == 0 ? 0u : ~std::uint32_t{0} << (kAddressBits - prefixLength);
}

}  // namespace

std::string AddressRange::Text() const {
  return platform::FormatIpv4(platform::HostToNetwork32(network)) + "/" + std::to_string(prefixLength);
}

std::optional<AddressRange> AddressRange::Parse(std::string_view text) {
  const std::size_t slash = text.find('/');
  std::uint32_t address = 0;
  if (!platform::ParseDottedQuad(text.substr(0, slash), address)) return std::nullopt;
  unsigned length = kAddressBits;
  if (slash != std::string_view::npos) {
    const std::string_view digits = text.substr(slash + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || length > kAddressBits) {
      return std::nullopt;
    }
  }
  AddressRange range;
  range.prefixLength = length;
  range.mask = MaskOf(length);
  range.network = platform::NetworkToHost32(address);
  if ((range.network & ~range.mask) != 0) return std::nullopt;
  return range;
}

AllowList::AllowList() : AllowList({*AddressRange::Parse("127.0.0.0/8")}) {}

AllowList::AllowList(std::vector<AddressRange> ranges) : ranges_(std::move(ranges)) {}

bool AllowList::Allows(std::uint32_t networkOrder) const {
  const std::uint32_t address = platform::NetworkToHost32(networkOrder);
  for (const AddressRange& range : ranges_) {
    if (range.Contains(address)) return true;
  }
  return false;
}

}  // namespace kestrine::exporter
