#include "platform/StackThread.h"

#include <exception>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#ifndef KESTRINE_STACK_SCALE
#error "KESTRINE_STACK_SCALE comes from the build (CMake cache variable of the same name)"
#endif

namespace kestrine::platform {

StackThread::~StackThread() { Join(); }

bool StackThread::Start(std::function<void()> body, std::size_t stackBytes) {
  if (running_) return false;
  body_ = std::move(body);
  running_ = StartSystemThread(body_, ScaledStackBytes(stackBytes), thread_);
  return running_;
}

void StackThread::Join() {
  if (running_) JoinSystemThread(thread_);
  running_ = false;
}

std::size_t ScaledStackBytes(std::size_t stackBytes) {
  constexpr std::size_t kScale = KESTRINE_STACK_SCALE;
  static_assert(kScale >= 1, "KESTRINE_STACK_SCALE multiplies stacks: 1 or more");
  constexpr std::size_t kLargest = std::numeric_limits<std::size_t>::max();
  return stackBytes > kLargest / kScale ? kLargest : stackBytes * kScale;
}

void RunOnStack(std::size_t stackBytes, const std::function<void()>& work) {
  std::exception_ptr thrown;
  StackThread thread;
  const bool started = thread.Start(
      [&] {
        try {
          work();
        } catch (...) {
          thrown = std::current_exception();
        }
      },
      stackBytes);
  if (!started) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "no thread with a stack of " + std::to_string(ScaledStackBytes(stackBytes)) + " bytes");
  }
  thread.Join();
  if (thrown) std::rethrow_exception(thrown);
}

}  // namespace kestrine::platform
