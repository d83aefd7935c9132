#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "config/EncoderList.h"
#include "platform/BoundedFile.h"

namespace kestrine::cli {

// The longest a file an option names may keep kestrinectl waiting for bytes that do not come (a pipe
// whose writer holds it open, a terminal), and the most it may hold.
inline constexpr std::chrono::milliseconds kOptionFilePatience = platform::kWholeReadPatience;
inline constexpr std::size_t kTargetsFileLimit = config::kEncoderListLimit;
inline constexpr std::size_t kPasswordFileLimit = 4096;

// The whole of a small file an option names: a regular file, a pipe such as `<(pass show encoders)`,
// a FIFO (one nobody writes reads as empty). Never more than `limit` bytes, never a longer wait than
// `patience`: anything else, or a file that cannot be read, is a UsageError naming it.
[[nodiscard]] std::string ReadOptionFile(const std::string& path, std::size_t limit,
                                         std::chrono::milliseconds patience = kOptionFilePatience);

// The first line of a password file, without its line end ("\n" or "\r\n"); an empty one is a UsageError.
[[nodiscard]] std::string ReadPasswordFile(const std::string& path);

}  // namespace kestrine::cli
