#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "exporter/ProbeReport.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::exporter {

// The one place that knows the stream library: receives the stream the record
// describes for the window and judges it against the record. What went wrong
// (nothing received, a destination this host cannot receive) is put into
// `failures`; nothing comes back when no stream could be looked at at all.
[[nodiscard]] std::optional<StreamReport> ProbeStream(const config::EncoderConfiguration& record,
                                                      std::chrono::milliseconds window,
                                                      std::vector<ProbeFailure>& failures);

}  // namespace kestrine::exporter
