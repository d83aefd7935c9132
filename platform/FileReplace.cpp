#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrine::platform {
namespace {

bool Fail(std::error_code* reason, int error) {
  if (reason != nullptr) *reason = std::error_code(error, std::generic_category());
  return false;
}

}  // namespace

bool IsReplaceable(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  return status.type() == std::filesystem::file_type::not_found || status.type() == std::filesystem::file_type::regular;
}

#ifdef _WIN32

WriteThroughResult WriteThrough(const std::filesystem::path& path, std::string_view bytes, std::error_code* reason) {
  std::FILE* file = _wfopen(path.c_str(), L"wb");
  bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int error = errno;
  ok = file != nullptr && std::fclose(file) == 0 && ok;
  if (ok) return WriteThroughResult::Written;
  Fail(reason, error != 0 ? error : EIO);
  return WriteThroughResult::Failed;
}

bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, FileAccess /*access*/,
                 std::error_code* reason) {
  std::filesystem::path temporary = path;
  temporary += L".tmp";
  std::FILE* file = _wfopen(temporary.c_str(), L"wb");
  if (file == nullptr) return Fail(reason, errno);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = ok && std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
  const int error = errno;
  ok = (std::fclose(file) == 0) && ok;
  std::error_code renamed;
  if (ok) std::filesystem::rename(temporary, path, renamed);
  if (!ok || renamed) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    if (renamed) {
      if (reason != nullptr) *reason = renamed;
      return false;
    }
    return Fail(reason, error != 0 ? error : EIO);
  }
  return true;
}

#else

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The rename itself reaches the disk only with its folder; a folder that cannot
// be synced (some file systems refuse) still holds a whole file either way.
void SyncFolder(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

WriteThroughResult WriteThrough(const std::filesystem::path& path, std::string_view bytes, std::error_code* reason) {
  // Not truncated on opening: whether it may be is known only once it is open.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    Fail(reason, errno);
    return WriteThroughResult::Failed;
  }
  struct stat opened {};
  struct stat standardOutput {};
  if (::fstat(fd, &opened) == 0 && ::fstat(STDOUT_FILENO, &standardOutput) == 0 &&
      opened.st_dev == standardOutput.st_dev && opened.st_ino == standardOutput.st_ino) {
    ::close(fd);
    return WriteThroughResult::StandardOutput;
  }
  bool ok = (!S_ISREG(opened.st_mode) || ::ftruncate(fd, 0) == 0) && WriteAll(fd, bytes);
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    Fail(reason, error);
    return WriteThroughResult::Failed;
  }
  return WriteThroughResult::Written;
}

bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, FileAccess access,
                 std::error_code* reason) {
  std::string pattern = path.string() + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());  // created 0600, whatever the umask
  if (fd < 0) return Fail(reason, errno);
  bool ok = access == FileAccess::OwnerOnly || ::fchmod(fd, 0644) == 0;
  ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && std::rename(pattern.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(pattern.c_str());
    return Fail(reason, error);
  }
  SyncFolder(path);
  return true;
}

#endif

}  // namespace kestrine::platform
