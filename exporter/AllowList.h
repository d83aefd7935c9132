#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrine::exporter {

// One IPv4 network, "a.b.c.d/len" (a bare address is a /32).
struct AddressRange {
  std::uint32_t network = 0;  // host order, host bits cleared
  std::uint32_t mask = 0;     // host order
  unsigned prefixLength = 0;

  [[nodiscard]] bool Contains(std::uint32_t hostOrder) const { return (hostOrder & mask) == network; }
  [[nodiscard]] std::string Text() const;

  // Nothing when the text is not a.b.c.d[/0..32] or has host bits set (a typo there would
  // silently open or close a different network than the one meant).
  [[nodiscard]] static std::optional<AddressRange> Parse(std::string_view text);
};

// The encoders this exporter may be asked to probe. Anything that can reach the
// exporter names the target, so without a list it would open connections wherever
// it is told: by default only loopback, where the simulator runs.
class AllowList final {
 public:
  AllowList();  // 127.0.0.0/8
  explicit AllowList(std::vector<AddressRange> ranges);

  // networkOrder: the record's byte order.
  [[nodiscard]] bool Allows(std::uint32_t networkOrder) const;
  [[nodiscard]] const std::vector<AddressRange>& Ranges() const { return ranges_; }

 private:
  std::vector<AddressRange> ranges_;
};

}  // namespace kestrine::exporter
