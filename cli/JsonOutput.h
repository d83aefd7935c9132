#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

namespace kestrine::config {
struct EncoderConfiguration;
struct RecordField;
}

namespace kestrine::cli {

// Objects keep their keys in the order they were put in, so records print in record order.
using Json = nlohmann::ordered_json;

// Text an encoder sent (GB18030, of which the documents' GB2312 is a part) as
// UTF-8 for JSON. Bytes that do not decode become U+FFFD and are reported.
struct DecodedText {
  std::string utf8;
  bool undecodable = false;
};
[[nodiscard]] DecodedText DecodeEncoderText(std::string_view bytes);

// Adds the decoded text under `key`; an entry holding text that did not decode gets "undecodable": true.
void PutEncoderText(Json& entry, std::string_view key, std::string_view bytes);

// One field under its name: a number as a number, an address or a text as a string.
void PutRecordField(Json& entry, const config::RecordField& field, const config::EncoderConfiguration& record);

// The record's fields by their names: numbers as numbers, addresses and texts as
// strings; the two passwords null unless shown.
void PutRecordFields(Json& entry, const config::EncoderConfiguration& record, bool showPasswords);

// One encoder's entry: {"address": A, "ok": ok} and, when not ok, "error".
[[nodiscard]] Json EncoderEntry(std::string_view address, bool ok, std::string_view error = {});

// The document as printed: UTF-8, indented, one line feed at the end.
[[nodiscard]] std::string FormatJson(const Json& document);

}  // namespace kestrine::cli
