#include "platform/FileReplace.h"

#include <cstdio>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrine::platform {

#ifdef _WIN32

bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, FileAccess /*access*/) {
  std::filesystem::path temporary = path;
  temporary += L".tmp";
  std::FILE* file = _wfopen(temporary.c_str(), L"wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  std::error_code error;
  if (written && closed) std::filesystem::rename(temporary, path, error);
  if (!written || !closed || error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}

#else

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, FileAccess access) {
  std::string pattern = path.string() + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());  // created 0600
  if (fd < 0) return false;
  bool ok = true;
  if (access == FileAccess::Shared) ok = ::fchmod(fd, 0644) == 0;
  ok = ok && WriteAll(fd, bytes);
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(pattern.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(pattern.c_str());
  return ok;
}

#endif

}  // namespace kestrine::platform
