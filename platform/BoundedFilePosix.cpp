#include "platform/BoundedFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>
#include <utility>

#include "platform/Wait.h"

namespace kestrine::platform {

namespace {

std::string ErrorText(int error) { return std::generic_category().message(error); }

std::string WaitText(std::chrono::milliseconds wait) {
  if (wait.count() % 1000 == 0) return std::to_string(wait.count() / 1000) + " s";
  return std::to_string(wait.count()) + " ms";
}

BoundedFileRead OpenFailure(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return BoundedFileRead::Refused(FileReadError::Missing, "no such file");
    case EACCES:
    case EPERM:
    case ENXIO:  // a socket, or a device without its driver
      return BoundedFileRead::Refused(FileReadError::NotReadable, "not readable (" + ErrorText(error) + ")");
    default:
      return BoundedFileRead::Refused(FileReadError::Failed, "cannot be opened (" + ErrorText(error) + ")");
  }
}

class Descriptor final {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  [[nodiscard]] int get() const { return fd_; }

 private:
  int fd_;
};

// Waits until there is something to read, or the writer of a pipe has been and gone (then `writerSeen`).
void WaitReadable(int fd, int timeoutMs, bool& writerSeen) {
  pollfd wanted{fd, POLLIN, 0};
  if (::poll(&wanted, 1, timeoutMs) > 0 && (wanted.revents & (POLLHUP | POLLERR)) != 0) writerSeen = true;
}

// The descriptor is non-blocking. A pipe without a writer reads as its end (0 bytes), one whose writer
// has nothing yet as EAGAIN; anything else has its writer from the start.
BoundedFileRead ReadOpened(int fd, std::size_t maxBytes, bool pipe, std::chrono::milliseconds writerWait,
                           std::chrono::milliseconds patience) {
  std::string bytes;
  bool writerSeen = !pipe;
  const Deadline writerDeadline(writerWait);
  const Deadline wholeDeadline(patience);
  std::array<char, 4096> chunk{};
  for (;;) {
    const std::size_t room = maxBytes + 1 - bytes.size();  // one byte past the bound tells "too large"
    const ssize_t got = ::read(fd, chunk.data(), std::min(room, chunk.size()));
    if (got > 0) {
      bytes.append(chunk.data(), static_cast<std::size_t>(got));
      writerSeen = true;
      if (bytes.size() > maxBytes) return BoundedFileRead::TooLarge(maxBytes);
    } else if (got == 0) {
      if (writerSeen) return BoundedFileRead::Whole(std::move(bytes));
      if (writerDeadline.Expired()) {
        return BoundedFileRead::Refused(FileReadError::NoWriter,
                                        "a pipe nothing wrote to within " + WaitText(writerWait));
      }
      WaitReadable(fd, static_cast<int>(writerDeadline.Remaining().count()), writerSeen);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      writerSeen = true;  // as long as it stays, it may still write, but not for ever
      if (wholeDeadline.Expired()) {
        return BoundedFileRead::Refused(FileReadError::Silent, "nothing more came within " + WaitText(patience));
      }
      WaitReadable(fd, static_cast<int>(wholeDeadline.Remaining().count()), writerSeen);
    } else if (errno != EINTR) {
      return BoundedFileRead::Refused(FileReadError::Failed, "cannot be read (" + ErrorText(errno) + ")");
    }
  }
}

}  // namespace

BoundedFileRead ReadBoundedFile(const std::string& path, std::size_t maxBytes, std::chrono::milliseconds writerWait,
                                std::chrono::milliseconds patience) {
  // Non-blocking, so that opening a pipe without a writer does not wait for one.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) return OpenFailure(errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    return BoundedFileRead::Refused(FileReadError::Failed, "cannot be read (" + ErrorText(errno) + ")");
  }
  if (S_ISDIR(info.st_mode)) return BoundedFileRead::Refused(FileReadError::Directory, "a directory, not a file");
  if (S_ISREG(info.st_mode) && static_cast<std::uintmax_t>(info.st_size) > maxBytes)
    return BoundedFileRead::TooLarge(maxBytes);
  return ReadOpened(file.get(), maxBytes, S_ISFIFO(info.st_mode), writerWait, patience);
}

}  // namespace kestrine::platform
