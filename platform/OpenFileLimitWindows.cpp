#include "platform/OpenFileLimit.h"

#include <windows.h>

namespace kestrine::platform {
namespace {

// The handle table of one process holds at most this many (a system limit, not a setting).
constexpr std::size_t kHandlesPerProcess = std::size_t{1} << 24;

}  // namespace

std::size_t RaiseOpenFileLimit() {
  DWORD held = 0;
  if (!::GetProcessHandleCount(::GetCurrentProcess(), &held)) return kHandlesPerProcess / 2;
  return held < kHandlesPerProcess ? kHandlesPerProcess - held : 0;
}

}  // namespace kestrine::platform
