#include "platform/FileReplace.h"

namespace kestrine::platform {

bool IsReplaceable(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  return status.type() == std::filesystem::file_type::not_found || status.type() == std::filesystem::file_type::regular;
}

}  // namespace kestrine::platform
