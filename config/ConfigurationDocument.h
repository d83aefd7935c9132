#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/DocumentLayout.h"

namespace kestrine::config {

class DocumentFields;
struct EncoderConfiguration;

// Fills the record from a received document (the bytes as they came). Returns 1
// when the document was accepted and 0 when it was not (empty, unparsable, or a
// root other than "tavrix"); a refused document changes no field. Only elements
// are matched by name, and a leaf counts as having text when its first child is
// text (comments and nested elements are not a value).
int LoadConfigurationDocument(std::string_view documentBytes, EncoderConfiguration& record);
// The same, also saying which fields the document carried (unchanged when it is refused).
int LoadConfigurationDocument(std::string_view documentBytes, EncoderConfiguration& record, DocumentFields& fields);

// The document a write sends, line for line. Stores back into the record what it
// decides: "DVB" for an empty service or provider name, the chosen PMT PID for 0.
[[nodiscard]] std::string BuildConfigurationDocument(EncoderConfiguration& record);

// The document as `writer` writes the record, taking it as it is.
[[nodiscard]] std::string WriteConfigurationDocument(const EncoderConfiguration& record, DocumentWriter writer);

// "&", "<", ">", '"' and "'" as entities; every other byte unchanged.
[[nodiscard]] std::string EscapeXmlText(std::string_view text);

// The smallest PID from 20 upward that none of the record's four PIDs uses (100 if none is free below it).
[[nodiscard]] std::int32_t ChooseFreePmtPid(const EncoderConfiguration& record);

}  // namespace kestrine::config
