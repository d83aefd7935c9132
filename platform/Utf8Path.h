#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrine::platform {

// A path named by UTF-8 text (the program's arguments are UTF-8 everywhere). A plain
// std::string would be read in the ANSI code page on Windows, and a name it cannot
// hold would open another file or none.
[[nodiscard]] inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace kestrine::platform
