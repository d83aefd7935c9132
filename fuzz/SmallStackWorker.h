#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

#include <pthread.h>

#include "fuzz/FuzzCheck.h"

namespace kestrine::fuzz {

// One thread with a small stack, kept for the whole run, that carries out each
// input's work while the engine's thread waits. Parsing on a stack as small as
// some platforms give secondary threads turns runaway recursion into a crash
// the engine reports, instead of something a roomy main stack absorbs.
class SmallStackWorker final {
 public:
  explicit SmallStackWorker(std::size_t stackBytes) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    const int rc = pthread_create(&thread_, &attributes, &SmallStackWorker::Loop, this);
    pthread_attr_destroy(&attributes);
    if (rc != 0) Fail("cannot start the small-stack worker");
  }

  // The engine ends the run with exit(), which destroys this: the thread must
  // be gone first, or destroying the condition it waits on blocks for ever.
  ~SmallStackWorker() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    pthread_join(thread_, nullptr);
  }

  SmallStackWorker(const SmallStackWorker&) = delete;
  SmallStackWorker& operator=(const SmallStackWorker&) = delete;

  void Run(const std::function<void()>& work) {
    std::unique_lock lock(mutex_);
    work_ = &work;
    changed_.notify_all();
    changed_.wait(lock, [this] { return work_ == nullptr; });
  }

 private:
  static void* Loop(void* self) {
    auto& worker = *static_cast<SmallStackWorker*>(self);
    std::unique_lock lock(worker.mutex_);
    for (;;) {
      worker.changed_.wait(lock, [&worker] { return worker.work_ != nullptr || worker.stopping_; });
      if (worker.stopping_) return nullptr;
      (*worker.work_)();
      worker.work_ = nullptr;
      worker.changed_.notify_all();
    }
  }

  pthread_t thread_{};
  std::mutex mutex_;
  std::condition_variable changed_;
  const std::function<void()>* work_ = nullptr;
  bool stopping_ = false;
};

}  // namespace kestrine::fuzz
