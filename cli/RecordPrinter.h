#pragma once

#include <string>
#include <string_view>

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::cli {

// One "field=value" line per record field, in record order: numbers in
// decimal, addresses dotted, texts as stored (bytes unchanged) but for control
// bytes, which are shown escaped (HumanText), so a text never adds a line.
[[nodiscard]] std::string FormatRecordLines(const config::EncoderConfiguration& record);

// The same fields as one JSON object: numbers as numbers, addresses and texts as strings.
[[nodiscard]] std::string FormatRecordJson(const config::EncoderConfiguration& record);

// A JSON string literal for record text. Record texts are bytes in the
// document's encoding (GB2312); JSON is UTF-8, so text that is not UTF-8
// already is decoded from that encoding, and bytes nothing can decode are kept
// as \u00XX escapes rather than dropped.
[[nodiscard]] std::string JsonString(std::string_view bytes);

}  // namespace kestrine::cli
