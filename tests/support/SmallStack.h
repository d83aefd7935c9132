#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <thread>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace kestrine::test {

// Runs `work` on a thread of its own with a stack of `bytes`, as small as some
// platforms give their secondary threads, and waits for it. Code that recurses
// on untrusted input crashes here where the main thread's roomy stack would hide it.
inline void RunOnStackOf(std::size_t bytes, const std::function<void()>& work) {
#ifdef _WIN32
  (void)bytes;
  std::thread(work).join();
#else
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, bytes);
  pthread_t thread;
  std::function<void()> job = work;  // lives until the join below
  const int rc = pthread_create(
      &thread, &attributes,
      [](void* arg) -> void* {
        auto* task = static_cast<std::function<void()>*>(arg);
        (*task)();
        return nullptr;
      },
      &job);
  pthread_attr_destroy(&attributes);
  if (rc != 0) throw std::runtime_error("cannot start a small-stack thread");
  pthread_join(thread, nullptr);
#endif
}

}  // namespace kestrine::test
