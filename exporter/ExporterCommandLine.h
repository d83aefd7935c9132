#pragma once

#include <iosfwd>
#include <optional>

#include "exporter/ExporterSettings.h"

namespace kestrine::exporter {

// Parses kestrine-exporter's options. Returns nothing when the program is to run;
// otherwise its exit status: 0 after --help, 2 for a usage error, whose message
// went to `err`.
[[nodiscard]] std::optional<int> ParseExporterCommandLine(int argc, const char* const* argv, ExporterSettings& settings,
                                                          std::ostream& out, std::ostream& err);

}  // namespace kestrine::exporter
