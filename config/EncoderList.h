#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrine::config {

// An encoder list is a plain text file of addresses, one per line; "#" starts a comment, and blanks
// around an address and blank lines are ignored. The desktop opens and saves it, `kestrinectl
// --targets FILE` takes it, so a list kept in the desktop drives a script.

// The most an encoder list may hold: far more than any fleet's addresses.
inline constexpr std::size_t kEncoderListLimit = 1024 * 1024;

// One line of an encoder list that names something: its text and its line number (from 1). Whether
// the text is an address (a.b.c.d) is for the reader to judge.
struct ListedAddress {
  std::string text;
  std::size_t line = 0;
};

// What the list names, in order.
[[nodiscard]] std::vector<ListedAddress> ListedAddresses(std::string_view content);

// The list of these dotted addresses, in their order, under a comment that says what the file is.
[[nodiscard]] std::string EncoderListText(std::span<const std::string> addresses);

}  // namespace kestrine::config
