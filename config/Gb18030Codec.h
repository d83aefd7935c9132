#pragma once

// The system's GB18030 <-> UTF-8 converter, for TextEncoding.cpp only. Implemented
// twice: with iconv (Gb18030CodecIconv.cpp) and, where iconv is missing, with the Windows
// code page 54936 (Gb18030CodecWindows.cpp). Both convert the same way: strictly, and
// stopping at the first byte sequence that does not convert.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine::config::gb18030 {

// False when this system has no GB18030 converter (Wine, for one, lacks code page 54936).
[[nodiscard]] bool Available();

// The whole text converted, or nothing when some sequence does not convert.
[[nodiscard]] std::optional<std::string> ToUtf8(std::string_view gb18030);
[[nodiscard]] std::optional<std::string> FromUtf8(std::string_view utf8);

// Appends the UTF-8 of as much of `in` as converts to `out` and drops it from `in`;
// false when it stopped at a sequence that does not convert, `in` then starting there.
bool DecodeSome(std::string_view& in, std::string& out);

// The length of the character starting at `at`: 4 or 2 for a well-formed multi-byte
// sequence, else 1 (TextEncoding.cpp).
[[nodiscard]] std::size_t CharacterLength(std::string_view bytes, std::size_t at);

}  // namespace kestrine::config::gb18030
