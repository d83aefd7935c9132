#include "cli/OptionFiles.h"

#include <algorithm>
#include <utility>

#include "cli/Commands.h"
#include "platform/BoundedFile.h"

namespace kestrine::cli {
namespace {

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\v\f";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::string ReadOptionFile(const std::string& path, std::size_t limit, std::chrono::milliseconds patience) {
  // A pipe nobody opened for writing is waited on no longer than a document's.
  const std::chrono::milliseconds writerWait = std::min(patience, std::chrono::milliseconds{2000});
  platform::BoundedFileRead read = platform::ReadBoundedFile(path, limit, writerWait, patience);
  if (!read.Read()) throw UsageError(path + ": " + read.reason);
  return std::move(read.bytes);
}

std::string ReadPasswordFile(const std::string& path) {
  const std::string content = ReadOptionFile(path, kPasswordFileLimit);
  std::string_view line(content);
  line = line.substr(0, line.find('\n'));
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line.empty()) throw UsageError(path + ": holds no password on its first line");
  return std::string(line);
}

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

}  // namespace kestrine::cli
