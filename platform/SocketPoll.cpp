#include "platform/SocketPoll.h"

#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <cerrno>
#include <poll.h>
#endif

namespace kestrine::platform {
namespace {

#ifdef _WIN32
using PollRecord = WSAPOLLFD;
int PollNative(PollRecord* records, std::size_t count, int timeoutMs) {
  return WSAPoll(records, static_cast<ULONG>(count), timeoutMs);
}
#else
using PollRecord = pollfd;
int PollNative(PollRecord* records, std::size_t count, int timeoutMs) {
  for (;;) {
    const int rc = ::poll(records, static_cast<nfds_t>(count), timeoutMs);
    if (rc >= 0 || errno != EINTR) return rc;
  }
}
#endif

}  // namespace

int PollSockets(std::span<PollEntry> entries, std::chrono::milliseconds timeout) {
  std::vector<PollRecord> records(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    records[i].fd = entries[i].socket;
    records[i].events = static_cast<short>((entries[i].wantRead ? POLLIN : 0) | (entries[i].wantWrite ? POLLOUT : 0));
    records[i].revents = 0;
  }
  const int timeoutMs = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
  const int ready = PollNative(records.data(), records.size(), timeoutMs);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const short events = ready > 0 ? records[i].revents : short{0};
    entries[i].readable = (events & POLLIN) != 0;
    entries[i].writable = (events & POLLOUT) != 0;
    entries[i].broken = (events & (POLLERR | POLLHUP | POLLNVAL)) != 0;
  }
  return ready < 0 ? -1 : ready;
}

}  // namespace kestrine::platform
