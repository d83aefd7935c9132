#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exporter/ProbeReport.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::exporter {

struct StreamListening {
  std::chrono::milliseconds window{5000};
  std::string interfaceName;        // where multicast groups are joined; empty: as routed
  std::function<bool()> cancelled;  // true ends the listening early
};

// The one place that knows the stream library: receives the stream the record
// describes for the window and judges it against the record. What went wrong
// (nothing received, a destination this host cannot receive) is put into
// `failures`; nothing comes back when no stream could be looked at at all.
[[nodiscard]] std::optional<StreamReport> ProbeStream(const config::EncoderConfiguration& record,
                                                      const StreamListening& listening,
                                                      std::vector<ProbeFailure>& failures);

}  // namespace kestrine::exporter
