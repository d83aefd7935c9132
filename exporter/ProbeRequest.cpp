#include "exporter/ProbeRequest.h"

#include <array>
#include <charconv>

#include "platform/Ipv4Text.h"

namespace kestrine::exporter {
namespace {

struct ModuleEntry {
  ProbeModule module;
  std::string_view name;
};

constexpr std::array<ModuleEntry, 2> kModules{{{ProbeModule::Config, "config"}, {ProbeModule::Stream, "stream"}}};

}  // namespace

std::string_view ModuleName(ProbeModule module) {
  for (const ModuleEntry& entry : kModules) {
    if (entry.module == module) return entry.name;
  }
  return {};
}

std::optional<ProbeModule> ParseModule(std::string_view name) {
  for (const ModuleEntry& entry : kModules) {
    if (entry.name == name) return entry.module;
  }
  return std::nullopt;
}

std::string ProbeTarget::AddressText() const { return platform::FormatIpv4(address); }

std::optional<ProbeTarget> ParseTarget(std::string_view text, std::uint16_t defaultPort) {
  ProbeTarget target;
  target.port = defaultPort;
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view digits = text.substr(colon + 1);
    unsigned port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || port == 0 || port > 65535) {
      return std::nullopt;
    }
    target.port = static_cast<std::uint16_t>(port);
  }
  if (!platform::ParseDottedQuad(text.substr(0, colon), target.address)) return std::nullopt;
  return target;
}

}  // namespace kestrine::exporter
