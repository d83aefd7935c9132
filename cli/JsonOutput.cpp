#include "cli/JsonOutput.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

#include "cli/RecordPrinter.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "config/TextEncoding.h"

namespace kestrine::cli {

DecodedText DecodeEncoderText(std::string_view bytes) {
  if (std::optional<std::string> decoded = config::DecodeGb18030(bytes)) return {std::move(*decoded), false};
  // Plain ASCII reads the same in both encodings, even where no converter exists.
  const bool ascii =
      std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return {config::DecodeGb18030Lenient(bytes), !ascii};
}

void PutEncoderText(Json& entry, std::string_view key, std::string_view bytes) {
  DecodedText decoded = DecodeEncoderText(bytes);
  entry[std::string(key)] = std::move(decoded.utf8);
  if (decoded.undecodable) entry["undecodable"] = true;
}

void PutRecordField(Json& entry, const config::RecordField& field, const config::EncoderConfiguration& record) {
  const std::string key(field.name);
  switch (field.kind) {
    case config::FieldKind::Number:
      entry[key] = record.*field.number;
      break;
    case config::FieldKind::Address:
      entry[key] = config::FormatFieldValue(field, record);
      break;
    case config::FieldKind::Text:
      PutEncoderText(entry, key, config::FormatFieldValue(field, record));
      break;
  }
}

void PutRecordFields(Json& entry, const config::EncoderConfiguration& record, bool showPasswords) {
  for (const config::RecordField& field : config::RecordFields()) {
    if (IsPasswordField(field) && !showPasswords) {
      entry[std::string(field.name)] = nullptr;
      continue;
    }
    PutRecordField(entry, field, record);
  }
}

Json EncoderEntry(std::string_view address, bool ok, std::string_view error) {
  Json entry = Json::object();
  entry["address"] = std::string(address);
  entry["ok"] = ok;
  if (!ok) PutEncoderText(entry, "error", error);
  return entry;
}

std::string FormatJson(const Json& document) {
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace kestrine::cli
