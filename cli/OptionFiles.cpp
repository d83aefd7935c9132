#include "cli/OptionFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

#include "cli/Commands.h"
#include "platform/Wait.h"

namespace kestrine::cli {
namespace {

[[noreturn]] void Unreadable(const std::string& path, int error) {
  throw UsageError(path + ": cannot be read: " + std::generic_category().message(error));
}

void CheckLimit(const std::string& path, const std::string& bytes, std::size_t limit) {
  if (bytes.size() > limit) throw UsageError(path + ": longer than " + std::to_string(limit) + " bytes");
}

#ifndef _WIN32
class Descriptor final {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { ::close(fd_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  [[nodiscard]] int Get() const { return fd_; }

 private:
  int fd_;
};
#endif

}  // namespace

#ifdef _WIN32

std::string ReadOptionFile(const std::string& path, std::size_t limit, std::chrono::milliseconds /*patience*/) {
  std::ifstream file(path, std::ios::binary);
  if (!file) Unreadable(path, errno != 0 ? errno : ENOENT);
  std::string bytes(limit + 1, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (file.bad()) Unreadable(path, EIO);
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  CheckLimit(path, bytes, limit);
  return bytes;
}

#else

std::string ReadOptionFile(const std::string& path, std::size_t limit, std::chrono::milliseconds patience) {
  // Not blocking, so that opening a FIFO nobody writes does not wait for a writer.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.Get() < 0) Unreadable(path, errno);
  const platform::Deadline deadline(patience);
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const std::size_t room = std::min(sizeof buffer, limit + 1 - bytes.size());
    const ssize_t n = ::read(file.Get(), buffer, room);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
      CheckLimit(path, bytes, limit);
      continue;
    }
    if (n == 0) return bytes;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) Unreadable(path, errno);
    pollfd waiting{file.Get(), POLLIN, 0};
    const auto remaining = deadline.Remaining();
    if (deadline.Expired() || ::poll(&waiting, 1, static_cast<int>(remaining.count())) == 0) {
      throw UsageError(path + ": nothing more came within " + std::to_string(patience.count() / 1000) + " s");
    }
  }
}

#endif

std::string ReadPasswordFile(const std::string& path) {
  const std::string content = ReadOptionFile(path, kPasswordFileLimit);
  std::string_view line(content);
  line = line.substr(0, line.find('\n'));
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line.empty()) throw UsageError(path + ": holds no password on its first line");
  return std::string(line);
}

}  // namespace kestrine::cli
