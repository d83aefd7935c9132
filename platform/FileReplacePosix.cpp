#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrine::platform {
namespace {

bool Fail(std::error_code* reason, int error) {
  if (reason != nullptr) *reason = std::error_code(error, std::generic_category());
  return false;
}

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

bool IsOwnerOnly(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::perms perms = fs::status(path, error).permissions() & fs::perms::all;
  return !error && perms == (fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace kestrine::platform
