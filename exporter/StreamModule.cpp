#include "exporter/StreamModule.h"

namespace kestrine::exporter {

std::optional<StreamReport> ProbeStream(const config::EncoderConfiguration& /*record*/,
                                        std::chrono::milliseconds /*window*/, std::vector<ProbeFailure>& failures) {
  // Not yet: this build carries no stream library.
  failures.push_back({"stream", "stream module unavailable"});
  return std::nullopt;
}

}  // namespace kestrine::exporter
