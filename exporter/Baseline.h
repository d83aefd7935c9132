#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "exporter/ProbeReport.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::exporter {

// The configurations saved with `kestrinectl read ADDR -o DIR/ADDR.xml`, one per
// encoder, against which each probe judges drift.
class BaselineFolder final {
 public:
  explicit BaselineFolder(std::filesystem::path folder);

  // ipAddr: the address the encoder was reached at, network order; it alone names
  // the file, so no text from a request ever becomes part of a path.
  [[nodiscard]] std::filesystem::path FileFor(std::uint32_t ipAddr) const;

  // The drift of `current` from the encoder's baseline, judged as `apply` judges a
  // saved file against an encoder: each setting it would copy that differs. A
  // baseline that cannot be read says why in `failures`.
  [[nodiscard]] DriftReport Compare(std::uint32_t ipAddr, const config::EncoderConfiguration& current,
                                    std::vector<ProbeFailure>& failures) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace kestrine::exporter
