#include "platform/Wait.h"

#include <algorithm>
#include <thread>

namespace kestrine::platform {

Deadline::Deadline(std::chrono::milliseconds fromNow)
    : when_(std::chrono::steady_clock::now() + fromNow) {}

bool Deadline::Expired() const { return std::chrono::steady_clock::now() >= when_; }

std::chrono::milliseconds Deadline::Remaining() const {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(when_ - std::chrono::steady_clock::now());
  return std::max(left, std::chrono::milliseconds{0});
}

void PauseFor(std::chrono::milliseconds duration, const KeepAlive& keepAlive) {
  const Deadline deadline(duration);
  while (!deadline.Expired()) {
    std::this_thread::sleep_for(std::min(deadline.Remaining(), kWaitSlice));
    if (keepAlive) keepAlive();
  }
}

}  // namespace kestrine::platform
