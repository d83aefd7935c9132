#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine::exporter {

// What a probe looks at: the configuration alone, or the stream it describes too.
enum class ProbeModule { Config, Stream };

[[nodiscard]] std::string_view ModuleName(ProbeModule module);
[[nodiscard]] std::optional<ProbeModule> ParseModule(std::string_view name);

// One encoder as a scrape names it: "a.b.c.d" (the exporter's --port) or "a.b.c.d:port".
struct ProbeTarget {
  std::uint32_t address = 0;  // network order
  std::uint16_t port = 0;
  [[nodiscard]] std::string AddressText() const;
};

// Nothing for anything else: host names are not resolved (the allow-list judges
// the address that is connected to, and a name could resolve elsewhere next time).
[[nodiscard]] std::optional<ProbeTarget> ParseTarget(std::string_view text, std::uint16_t defaultPort);

}  // namespace kestrine::exporter
