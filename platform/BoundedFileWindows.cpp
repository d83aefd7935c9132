#include "platform/BoundedFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/Utf8Path.h"

namespace kestrine::platform {

// No named pipes live in the file system here, so nothing can keep a reader waiting.
BoundedFileRead ReadBoundedFile(const std::string& path, std::size_t maxBytes, std::chrono::milliseconds,
                                std::chrono::milliseconds) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(PathFromUtf8(path), error);
  if (!std::filesystem::exists(status)) return BoundedFileRead::Refused(FileReadError::Missing, "no such file");
  if (std::filesystem::is_directory(status))
    return BoundedFileRead::Refused(FileReadError::Directory, "a directory, not a file");
  std::ifstream file(PathFromUtf8(path), std::ios::binary);
  if (!file) return BoundedFileRead::Refused(FileReadError::NotReadable, "not readable");
  std::string bytes(maxBytes + 1, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (file.bad()) return BoundedFileRead::Refused(FileReadError::Failed, "cannot be read");
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  if (bytes.size() > maxBytes) return BoundedFileRead::TooLarge(maxBytes);
  return BoundedFileRead::Whole(std::move(bytes));
}

}  // namespace kestrine::platform
