#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "exporter/ProbeReport.h"
#include "net/Timings.h"

namespace kestrine::exporter {

struct ProbeTarget;

struct ProberSettings {
  net::Timings timings;                            // as kestrinectl's, before a probe's budget cuts them
  std::optional<std::filesystem::path> baselines;  // --baseline: drift is judged when given
  std::chrono::milliseconds streamWindow{5000};    // longest the stream is received (module stream)
  std::string streamInterface;                     // --interface: where multicast groups are joined; empty: as routed
};

// One probe of one encoder: its configuration read as `kestrinectl read` reads it
// (command 1004 only), drift against its baseline, and with module stream the
// stream that configuration describes. Every wait fits into the budget. Probes
// share nothing, so any number may run at once.
class EncoderProber final {
 public:
  explicit EncoderProber(ProberSettings settings);

  // `stopping` (when given) answering true cuts the stream's window short.
  [[nodiscard]] ProbeReport Probe(const ProbeTarget& target, ProbeModule module, std::chrono::milliseconds budget,
                                  const std::function<bool()>& stopping = {}) const;

 private:
  void ReadConfiguration(const ProbeTarget& target, std::chrono::milliseconds budget, ProbeReport& report) const;
  void ReceiveStream(std::chrono::milliseconds timeLeft, const std::function<bool()>& stopping,
                     ProbeReport& report) const;

  ProberSettings settings_;
};

}  // namespace kestrine::exporter
