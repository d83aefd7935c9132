#pragma once

#include <string>

namespace kestrine::exporter {

struct ProbeReport;

// The probe's answer in the Prometheus text format. Every text from the encoder
// is decoded from GB18030 (bytes that do not decode become U+FFFD) and escaped by
// the serializer, so no name an encoder reports can break a line or a label.
// Passwords are never among the values exposed.
[[nodiscard]] std::string ExposeProbe(const ProbeReport& report);

}  // namespace kestrine::exporter
