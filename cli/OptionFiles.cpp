#include "cli/OptionFiles.h"

#include <algorithm>
#include <utility>

#include "cli/Commands.h"
#include "platform/BoundedFile.h"

namespace kestrine::cli {

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

}  // namespace kestrine::cli
