#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrine::cli {

// The longest a file an option names may keep kestrinectl waiting for bytes that do not come (a pipe
// whose writer holds it open, a terminal), and the most it may hold.
inline constexpr std::chrono::milliseconds kOptionFilePatience{30000};
inline constexpr std::size_t kTargetsFileLimit = 1024 * 1024;
inline constexpr std::size_t kPasswordFileLimit = 4096;

// The whole of a small file an option names: a regular file, a pipe such as `<(pass show encoders)`,
// a FIFO (one nobody writes reads as empty). Never more than `limit` bytes, never a longer wait than
// `patience`: anything else, or a file that cannot be read, is a UsageError naming it.
[[nodiscard]] std::string ReadOptionFile(const std::string& path, std::size_t limit,
                                         std::chrono::milliseconds patience = kOptionFilePatience);

// The first line of a password file, without its line end ("\n" or "\r\n"); an empty one is a UsageError.
[[nodiscard]] std::string ReadPasswordFile(const std::string& path);

// One line of a targets file that names an address: its text and its line number (from 1).
struct ListedAddress {
  std::string text;
  std::size_t line = 0;
};
// The addresses a targets file lists, in order: one per line, "#" starts a comment, blanks around
// an address and blank lines are ignored.
[[nodiscard]] std::vector<ListedAddress> ListedAddresses(std::string_view content);

}  // namespace kestrine::cli
