#include "platform/StackThread.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <system_error>

namespace kestrine::platform {
namespace {

TEST(StackThreadTest, RunOnStackReturnsTheResultAndThrowsWhatTheWorkThrew) {
  EXPECT_EQ(RunOnStack(64 * 1024, [] { return 42; }), 42);
  EXPECT_THROW(RunOnStack(64 * 1024, [] { throw std::invalid_argument("refused"); }), std::invalid_argument);
  // No address space holds this stack: the work is not run on some other one instead.
  bool ran = false;
  EXPECT_THROW(RunOnStack(std::size_t{1} << 60, [&] { ran = true; }), std::system_error);
  EXPECT_FALSE(ran);
}

// Each call keeps 4 KiB of its own on the stack until the deepest one returns.
constexpr std::size_t kFrameBytes = 4096;
std::size_t Descend(std::size_t calls) {
  volatile char frame[kFrameBytes] = {};  // volatile: the optimiser keeps every frame
  frame[calls % kFrameBytes] = 1;
  if (calls == 0) return frame[0];
  return Descend(calls - 1) + static_cast<std::size_t>(frame[calls % kFrameBytes]);
}

TEST(StackThreadTest, TheThreadHasTheStackAskedFor) {
  // 48 MiB of frames, far past the 8 MiB a thread gets by default here.
  constexpr std::size_t kCalls = (48u << 20) / kFrameBytes;
  EXPECT_GT(RunOnStack(64u << 20, [] { return Descend(kCalls); }), 0u);
  EXPECT_GE(ScaledStackBytes(1000), 1000u);
}

}  // namespace
}  // namespace kestrine::platform
