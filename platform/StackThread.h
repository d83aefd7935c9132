#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/SystemThread.h"

namespace kestrine::platform {

// A thread with a stack of a chosen size, waited for when it goes. The size is
// what a plain build needs: builds whose instrumentation makes frames larger
// (the sanitizers) multiply it by their KESTRINE_STACK_SCALE, here and nowhere
// else. Untouched stack costs address space only.
class StackThread final {
 public:
  StackThread() = default;
  ~StackThread();
  StackThread(const StackThread&) = delete;
  StackThread& operator=(const StackThread&) = delete;

  // Starts `body`, which must not throw, on a new thread with at least
  // `stackBytes` (scaled) of stack. False when the system gives no such thread
  // or one is running already.
  [[nodiscard]] bool Start(std::function<void()> body, std::size_t stackBytes);
  // Waits until the body has returned; at once when none was started.
  void Join();

 private:
  std::function<void()> body_;  // here, where the thread reaches it: this object never moves
  SystemThread thread_ = 0;
  bool running_ = false;
};

// The stack StackThread gives for `stackBytes` in this build.
[[nodiscard]] std::size_t ScaledStackBytes(std::size_t stackBytes);

// Runs `work` on a thread of its own with `stackBytes` of stack and waits for it;
// what `work` throws is thrown here. Throws std::system_error when the system
// gives no such thread: the work is never run on a stack it was not sized for.
void RunOnStack(std::size_t stackBytes, const std::function<void()>& work);

// The same for work with a result, which it returns.
template <typename Work>
  requires(!std::is_void_v<std::invoke_result_t<Work&>>)
std::invoke_result_t<Work&> RunOnStack(std::size_t stackBytes, Work&& work) {
  std::optional<std::invoke_result_t<Work&>> result;
  RunOnStack(stackBytes, std::function<void()>([&] { result.emplace(work()); }));
  return std::move(*result);
}

}  // namespace kestrine::platform
