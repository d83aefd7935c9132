#include "config/TextEncoding.h"

#include <algorithm>

#ifndef _WIN32
#include <cerrno>

#include <iconv.h>
#endif

namespace kestrine::config {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
constexpr std::string_view kGb18030 = "GB18030";
constexpr std::string_view kUtf8 = "UTF-8";

#ifndef _WIN32
// One conversion descriptor for one call: iconv keeps shift state in it, so it is never shared.
class Converter final {
 public:
  Converter(std::string_view to, std::string_view from)
      : handle_(::iconv_open(std::string(to).c_str(), std::string(from).c_str())) {}
  ~Converter() {
    if (IsOpen()) ::iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  [[nodiscard]] bool IsOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can into `out`; answers false at a sequence it cannot convert,
  // with `in` then starting at that sequence.
  bool Convert(std::string_view& in, std::string& out) {
    // Four output bytes per input byte hold any GB18030 <-> UTF-8 conversion.
    std::string buffer(in.size() * 4 + 4, '\0');
    char* inPtr = const_cast<char*>(in.data());  // iconv's signature; the input is never written
    std::size_t inLeft = in.size();
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t rc = ::iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    in.remove_prefix(in.size() - inLeft);
    return rc != static_cast<std::size_t>(-1) && inLeft == 0;
  }

 private:
  iconv_t handle_;
};

std::optional<std::string> ConvertStrictly(std::string_view to, std::string_view from, std::string_view text) {
  Converter converter(to, from);
  if (!converter.IsOpen()) return std::nullopt;
  std::string out;
  if (!converter.Convert(text, out)) return std::nullopt;
  return out;
}
#else
std::optional<std::string> ConvertStrictly(std::string_view, std::string_view, std::string_view) {
  return std::nullopt;
}
#endif

bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsDigitByte(unsigned char byte) { return byte >= 0x30 && byte <= 0x39; }
bool IsTrailByte(unsigned char byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE); }

// The length of the character starting at `at`: 4 or 2 for a well-formed multi-byte sequence, else 1.
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

}  // namespace

std::optional<std::string> DecodeGb18030(std::string_view bytes) { return ConvertStrictly(kUtf8, kGb18030, bytes); }

std::string DecodeGb18030Lenient(std::string_view bytes) {
  // Most record texts are plain ASCII, which reads the same in both encodings.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }
  std::string out;
#ifndef _WIN32
  Converter converter(kUtf8, kGb18030);
  if (converter.IsOpen()) {
    while (!converter.Convert(bytes, out)) {
      out += kReplacementCharacter;
      bytes.remove_prefix(1);
    }
    return out;
  }
#endif
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      out += kReplacementCharacter;
    }
  }
  return out;
}

std::optional<std::string> EncodeGb18030(std::string_view utf8) { return ConvertStrictly(kGb18030, kUtf8, utf8); }

std::size_t WholeCharacterPrefix(std::string_view bytes, std::size_t limit) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t next = at + CharacterLength(bytes, at);
    if (next > limit) break;
    at = next;
  }
  return at;
}

}  // namespace kestrine::config
