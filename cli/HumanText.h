#pragma once

#include <string>
#include <string_view>

namespace kestrine::cli {

// Text for a person's terminal. Whatever an encoder sends may end up in it, so
// control bytes (below 0x20, and 0x7F) are shown escaped, "\n", "\r", "\t" or
// "\x1b", never acted on: peer text can neither start a line of its own nor
// steer the terminal. Bytes from 0x80 up pass as they are (GB2312 text).
[[nodiscard]] std::string HumanText(std::string_view bytes);

}  // namespace kestrine::cli
