#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace kestrine::test {

// Polls until the condition holds or a generous limit passes; tests never rely on timing luck.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace kestrine::test
