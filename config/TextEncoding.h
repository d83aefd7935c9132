#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine::config {

// Record texts are bytes in the document's encoding (GB2312). GB18030 is a superset of it that
// covers all of Unicode, so it is the encoding both ways: decoding never loses a GB2312 text, and
// encoding never fails for a text a person typed. Other text (UTF-8) is the program's own.

// False where the system has no GB18030 converter (Wine lacks it): the conversions below then
// answer nothing, and a lenient decode shows every non-ASCII byte as U+FFFD.
[[nodiscard]] bool CanConvertGb18030();

// UTF-8 for the bytes, or nothing when some byte sequence is not GB18030 (or no converter exists).
[[nodiscard]] std::optional<std::string> DecodeGb18030(std::string_view bytes);

// UTF-8 for the bytes; a sequence that does not decode shows as U+FFFD and decoding goes on after it.
[[nodiscard]] std::string DecodeGb18030Lenient(std::string_view bytes);

// GB18030 bytes for UTF-8 text, or nothing when the text is not UTF-8 (or no converter exists).
[[nodiscard]] std::optional<std::string> EncodeGb18030(std::string_view utf8);

// The longest prefix of GB18030 bytes, at most `limit` long, that does not end inside a multi-byte
// character. Bytes that do not form a character count as characters of one byte.
[[nodiscard]] std::size_t WholeCharacterPrefix(std::string_view bytes, std::size_t limit);

}  // namespace kestrine::config
