#include "config/Gb18030Codec.h"

#include <windows.h>

namespace kestrine::config::gb18030 {
namespace {

constexpr UINT kGb18030CodePage = 54936;

// Between a code page and UTF-16, strictly: nothing when some sequence does not convert.
std::optional<std::wstring> ToWide(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int units = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), units) != units) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::string> FromWide(UINT codePage, std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int bytes = ::WideCharToMultiByte(codePage, WC_ERR_INVALID_CHARS, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::nullopt;
  std::string text(static_cast<std::size_t>(bytes), '\0');
  if (::WideCharToMultiByte(codePage, WC_ERR_INVALID_CHARS, wide.data(), size, text.data(), bytes, nullptr, nullptr) !=
      bytes) {
    return std::nullopt;
  }
  return text;
}

std::optional<std::string> Convert(UINT from, UINT to, std::string_view text) {
  if (!Available()) return std::nullopt;
  const std::optional<std::wstring> wide = ToWide(from, text);
  if (!wide) return std::nullopt;
  return FromWide(to, *wide);
}

}  // namespace

bool Available() { return ::IsValidCodePage(kGb18030CodePage) != 0; }

std::optional<std::string> ToUtf8(std::string_view gb18030) { return Convert(kGb18030CodePage, CP_UTF8, gb18030); }

std::optional<std::string> FromUtf8(std::string_view utf8) { return Convert(CP_UTF8, kGb18030CodePage, utf8); }

bool DecodeSome(std::string_view& in, std::string& out) {
  // The usual case: all of it converts.
  if (std::optional<std::string> all = ToUtf8(in)) {
    out += *all;
    in = {};
    return true;
  }
  // Else one character at a time up to the first that does not, as iconv stops there.
  while (!in.empty()) {
    const std::size_t length = CharacterLength(in, 0);
    const std::optional<std::string> one = ToUtf8(in.substr(0, length));
    if (!one) return false;
    out += *one;
    in.remove_prefix(length);
  }
  return true;
}

}  // namespace kestrine::config::gb18030
