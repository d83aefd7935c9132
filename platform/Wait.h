#pragma once

#include <chrono>
#include <functional>

namespace kestrine::platform {

// Called between the short slices of every blocking wait, so that a caller with a
// window can keep it painted while an exchange runs. Empty means "nothing to do".
using KeepAlive = std::function<void()>;

// Longest stretch a wait blocks without calling its KeepAlive.
inline constexpr std::chrono::milliseconds kWaitSlice{20};

// A point on the monotonic clock; wall-clock changes do not move it.
class Deadline final {
 public:
  explicit Deadline(std::chrono::milliseconds fromNow);

  [[nodiscard]] bool Expired() const;
  [[nodiscard]] std::chrono::milliseconds Remaining() const;

 private:
  std::chrono::steady_clock::time_point when_;
};

// Sleeps for the whole duration, calling keepAlive between slices.
void PauseFor(std::chrono::milliseconds duration, const KeepAlive& keepAlive);

}  // namespace kestrine::platform
