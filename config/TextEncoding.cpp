#include "config/TextEncoding.h"

#include <algorithm>

#include "config/Gb18030Codec.h"

namespace kestrine::config {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsDigitByte(unsigned char byte) { return byte >= 0x30 && byte <= 0x39; }
bool IsTrailByte(unsigned char byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE); }

}  // namespace

namespace gb18030 {

std::size_t CharacterLength(std::string_view bytes, std::size_t at) {
  const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (!IsLeadByte(byteAt(at)) || at + 1 >= bytes.size()) return 1;
  if (IsTrailByte(byteAt(at + 1))) return 2;
  if (IsDigitByte(byteAt(at + 1)) && at + 3 < bytes.size() && IsLeadByte(byteAt(at + 2)) &&
      IsDigitByte(byteAt(at + 3))) {
    return 4;
  }
  return 1;
}

}  // namespace gb18030

bool CanConvertGb18030() { return gb18030::Available(); }

std::optional<std::string> DecodeGb18030(std::string_view bytes) { return gb18030::ToUtf8(bytes); }

std::string DecodeGb18030Lenient(std::string_view bytes) {
  // Most record texts are plain ASCII, which reads the same in both encodings.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }
  std::string out;
  if (gb18030::Available()) {
    while (!gb18030::DecodeSome(bytes, out)) {
      out += kReplacementCharacter;
      bytes.remove_prefix(1);
    }
    return out;
  }
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      out += kReplacementCharacter;
    }
  }
  return out;
}

std::optional<std::string> EncodeGb18030(std::string_view utf8) { return gb18030::FromUtf8(utf8); }

std::size_t WholeCharacterPrefix(std::string_view bytes, std::size_t limit) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t next = at + gb18030::CharacterLength(bytes, at);
    if (next > limit) break;
    at = next;
  }
  return at;
}

}  // namespace kestrine::config
