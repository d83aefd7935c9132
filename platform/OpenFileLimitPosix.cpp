#include "platform/OpenFileLimit.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include <sys/resource.h>

namespace kestrine::platform {
namespace {

std::size_t OpenDescriptorCount() {
  std::error_code error;
  std::size_t count = 0;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error)) {
    ++count;
  }
  return count;
}

}  // namespace

std::size_t RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 256;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  const std::size_t open = OpenDescriptorCount();
  const std::size_t soft = limit.rlim_cur == RLIM_INFINITY ? SIZE_MAX : static_cast<std::size_t>(limit.rlim_cur);
  return soft > open ? soft - open : 0;
}

}  // namespace kestrine::platform
