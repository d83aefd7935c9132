#pragma once

#include <string>
#include <string_view>

namespace kestrine::config {
struct EncoderConfiguration;
struct RecordField;
}  // namespace kestrine::config

namespace kestrine::cli {

// What `show` prints in place of a password it keeps back.
inline constexpr std::string_view kMaskedPassword = "********";

// old_password and new_password: shown only when asked for.
[[nodiscard]] bool IsPasswordField(const config::RecordField& field);

// One "field=value" line per record field, in record order: numbers in
// decimal, addresses dotted, texts as stored (bytes unchanged) but for control
// bytes, shown escaped (config::HumanText), so a text never adds a line; the passwords
// masked unless shown.
[[nodiscard]] std::string FormatRecordLines(const config::EncoderConfiguration& record, bool showPasswords = false);

}  // namespace kestrine::cli
