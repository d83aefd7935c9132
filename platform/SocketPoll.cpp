#include "platform/SocketPoll.h"

#include <vector>

#include "platform/SocketSystem.h"

namespace kestrine::platform {

int PollSockets(std::span<PollEntry> entries, std::chrono::milliseconds timeout) {
  std::vector<os::PollRecord> records(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    records[i].fd = entries[i].socket;
    records[i].events = static_cast<short>((entries[i].wantRead ? POLLIN : 0) | (entries[i].wantWrite ? POLLOUT : 0));
    records[i].revents = 0;
  }
  const int timeoutMs = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
  const int ready = os::Poll(records.data(), records.size(), timeoutMs);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const short events = ready > 0 ? records[i].revents : short{0};
    entries[i].readable = (events & POLLIN) != 0;
    entries[i].writable = (events & POLLOUT) != 0;
    entries[i].broken = (events & (POLLERR | POLLHUP | POLLNVAL)) != 0;
  }
  return ready < 0 ? -1 : ready;
}

}  // namespace kestrine::platform
