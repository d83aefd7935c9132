#include "cli/JsonOutput.h"

#include <nlohmann/json.hpp>

#include <vector>

#include "cli/RecordPrinter.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"

#ifndef _WIN32
#include <cerrno>
#include <iconv.h>
#endif

namespace kestrine::cli {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// Where no GB18030 decoder is at hand, only ASCII is sure.
DecodedText KeepAsciiOnly(std::string_view bytes) {
  DecodedText decoded;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      decoded.utf8 += c;
    } else {
      decoded.utf8 += kReplacementCharacter;
      decoded.undecodable = true;
    }
  }
  return decoded;
}

#ifndef _WIN32
// iconv stops at a byte sequence it cannot take; that byte becomes U+FFFD and the rest goes on.
DecodedText DecodeGb18030(std::string_view bytes) {
  iconv_t converter = ::iconv_open("UTF-8", "GB18030");
  if (converter == reinterpret_cast<iconv_t>(-1)) return KeepAsciiOnly(bytes);
  DecodedText decoded;
  std::vector<char> in(bytes.begin(), bytes.end());
  std::vector<char> out(4 * bytes.size() + 16);
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  while (inLeft > 0) {
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = ::iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    decoded.utf8.append(out.data(), static_cast<std::size_t>(outPtr - out.data()));
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    decoded.utf8 += kReplacementCharacter;  // EILSEQ, or a sequence the text ends inside (EINVAL)
    decoded.undecodable = true;
    ++inPtr;
    --inLeft;
    ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  ::iconv_close(converter);
  return decoded;
}
#endif

}  // namespace

DecodedText DecodeEncoderText(std::string_view bytes) {
#ifdef _WIN32
  return KeepAsciiOnly(bytes);
#else
  return DecodeGb18030(bytes);
#endif
}

void PutEncoderText(Json& entry, std::string_view key, std::string_view bytes) {
  DecodedText decoded = DecodeEncoderText(bytes);
  entry[std::string(key)] = std::move(decoded.utf8);
  if (decoded.undecodable) entry["undecodable"] = true;
}

void PutRecordFields(Json& entry, const config::EncoderConfiguration& record, bool showPasswords) {
  for (const config::RecordField& field : config::RecordFields()) {
    const std::string key(field.name);
    if (IsPasswordField(field) && !showPasswords) {
      entry[key] = nullptr;
      continue;
    }
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
