#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/DocumentLayout.h"

namespace kestrine::config {

class DocumentFields;
struct EncoderConfiguration;

// The longest configuration document: the protocol carries none longer, and no
// file holding a longer one is taken either.
inline constexpr std::size_t kMaxDocumentBytes = 9999;

// Fills the record from a received document (the bytes as they came). Returns 1
// when the document was accepted and 0 when it was not (empty, longer than
// kMaxDocumentBytes, unparsable, or a root other than "tavrix"); a refused
// document changes no field. The parser runs on a thread of its own with stack
// for the deepest nesting that many bytes can hold, so the caller's stack,
// however small, is never at risk. Only elements are matched by name, and a leaf
// counts as having text when its first child is text (comments and nested
// elements are not a value).
int LoadConfigurationDocument(std::string_view documentBytes, EncoderConfiguration& record);
// The same, also saying which fields the document carried (unchanged when it is refused).
int LoadConfigurationDocument(std::string_view documentBytes, EncoderConfiguration& record, DocumentFields& fields);
// As the encoder reads what a manager writes: an element the manager spells its own way (multicast_Mode)
// is taken in that spelling too.
int LoadManagerDocument(std::string_view documentBytes, EncoderConfiguration& record);
int LoadConfigurationDocument(std::string_view documentBytes, DocumentWriter writtenBy, EncoderConfiguration& record,
                              DocumentFields& fields);

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
