#include "cli/RecordPrinter.h"

#include <array>
#include <cstdio>
#include <optional>

#include "cli/HumanText.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "config/TextEncoding.h"


namespace kestrine::cli {
namespace {

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    if (lead < 0x80) {
      extra = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (i + extra >= text.size() && extra != 0) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

void AppendEscaped(std::string& out, std::string_view utf8, bool bytesAsLatin1) {
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      default: break;
    }
    if (byte < 0x20 || (bytesAsLatin1 && byte >= 0x80)) {
      std::array<char, 8> escape{};
      std::snprintf(escape.data(), escape.size(), "\\u%04x", byte);
      out += escape.data();
    } else {
      out += c;
    }
  }
}

}  // namespace

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  if (IsValidUtf8(bytes)) {
    AppendEscaped(out, bytes, false);
  } else if (const std::optional<std::string> decoded = config::DecodeGb18030(bytes)) {
    AppendEscaped(out, *decoded, false);
  } else {
    AppendEscaped(out, bytes, true);
  }
  out += '"';
  return out;
}

std::string FormatRecordLines(const config::EncoderConfiguration& record) {
  std::string out;
  for (const config::RecordField& field : config::RecordFields()) {
    out.append(field.name).append("=").append(HumanText(config::FormatFieldValue(field, record))).append("\n");
  }
  return out;
}

std::string FormatRecordJson(const config::EncoderConfiguration& record) {
  std::string out = "{";
  bool first = true;
  for (const config::RecordField& field : config::RecordFields()) {
    out += first ? "\n  " : ",\n  ";
    first = false;
    out += JsonString(field.name);
    out += ": ";
    const std::string value = config::FormatFieldValue(field, record);
    out += field.kind == config::FieldKind::Number ? value : JsonString(value);
  }
  out += "\n}\n";
  return out;
}

}  // namespace kestrine::cli
