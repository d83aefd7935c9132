#pragma once

#include <string>
#include <string_view>

namespace kestrine::config {

// Text for a person: a terminal's line or a window's. Whatever an encoder sends
// may end up in it, so control bytes (below 0x20, and 0x7F) are shown escaped,
// "\n", "\r", "\t" or "\x1b", never acted on nor drawn as empty boxes: peer
// text can neither start a line of its own nor steer the terminal. Bytes from
// 0x80 up pass as they are (GB2312 text, or the UTF-8 it was decoded to).
[[nodiscard]] std::string HumanText(std::string_view bytes);

}  // namespace kestrine::config
