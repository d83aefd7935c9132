#include "cli/RecordPrinter.h"

#include "config/EncoderConfiguration.h"
#include "config/HumanText.h"
#include "config/RecordFields.h"

namespace kestrine::cli {

bool IsPasswordField(const config::RecordField& field) {
  return field.name == "old_password" || field.name == "new_password";
}

std::string FormatRecordLines(const config::EncoderConfiguration& record, bool showPasswords) {
  std::string out;
  for (const config::RecordField& field : config::RecordFields()) {
    const bool masked = IsPasswordField(field) && !showPasswords;
    const std::string value = masked ? std::string(kMaskedPassword) : config::FormatFieldValue(field, record);
    out.append(field.name).append("=").append(config::HumanText(value)).append("\n");
  }
  return out;
}

}  // namespace kestrine::cli
