#include "config/EncoderList.h"

namespace kestrine::config {
namespace {

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\v\f";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::vector<ListedAddress> ListedAddresses(std::string_view content) {
  std::vector<ListedAddress> listed;
  std::size_t number = 0;
  while (!content.empty()) {
    ++number;
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    line = Trimmed(line.substr(0, line.find('#')));
    if (!line.empty()) listed.push_back({std::string(line), number});
  }
  return listed;
}

std::string EncoderListText(std::span<const std::string> addresses) {
  std::string text = "# Kestrine encoders, one address per line (kestrinectl --targets FILE takes this file)\n";
  for (const std::string& address : addresses) text.append(address).append("\n");
  return text;
}

}  // namespace kestrine::config
