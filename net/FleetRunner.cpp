#include "net/FleetRunner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace kestrine::net {
namespace {

// Descriptors kept back for what the program opens besides its sockets (streams, an output file).
constexpr std::size_t kReservedDescriptors = 16;

// A worker thread with a small stack, joined when it goes.
class Worker final {
 public:
  Worker() = default;
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  ~Worker() { Join(); }

  // False when the system has no thread to give.
  bool Start(std::function<void()> body, std::size_t stackBytes) {
    body_ = std::make_unique<std::function<void()>>(std::move(body));
#ifdef _WIN32
    (void)stackBytes;  // std::thread takes the system's default
    try {
      thread_ = std::thread(*body_);
      return true;
    } catch (const std::system_error&) {
      return false;
    }
#else
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    started_ = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
               pthread_create(&thread_, &attributes, &Worker::Enter, body_.get()) == 0;
    pthread_attr_destroy(&attributes);
    return started_;
#endif
  }

 private:
#ifdef _WIN32
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::thread thread_;
#else
  static void* Enter(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return nullptr;
  }
  void Join() {
    if (started_) pthread_join(thread_, nullptr);
    started_ = false;
  }
  pthread_t thread_{};
  bool started_ = false;
#endif
  std::unique_ptr<std::function<void()>> body_;
};

}  // namespace

FleetConcurrency ChooseConcurrency(std::optional<std::size_t> requested, std::size_t encoders,
                                   std::size_t freeDescriptors) {
  const std::size_t wanted = std::max<std::size_t>(std::min(requested.value_or(encoders), encoders), 1);
  const std::size_t allowed =
      freeDescriptors > kReservedDescriptors ? freeDescriptors - kReservedDescriptors : std::size_t{1};
  if (wanted <= allowed) return {wanted, false};
  return {allowed, true};
}

FleetRunner::FleetRunner(std::size_t jobs, std::size_t workerStackBytes)
    : jobs_(std::max<std::size_t>(jobs, 1)), workerStackBytes_(workerStackBytes) {}

void FleetRunner::Run(std::size_t count, const std::function<void(std::size_t)>& job,
                      const std::function<void(std::size_t)>& finished) const {
  std::vector<char> done(count, 0);  // not vector<bool>: workers set neighbouring entries at once
  std::exception_ptr firstFailure;
  std::mutex mutex;
  std::condition_variable oneDone;
  std::atomic<std::size_t> next{0};

  auto worker = [&] {
    for (std::size_t index = next++; index < count; index = next++) {
      std::exception_ptr failure;
      try {
        job(index);
      } catch (...) {
        failure = std::current_exception();
      }
      {
        const std::lock_guard lock(mutex);
        done[index] = 1;
        if (failure && !firstFailure) firstFailure = failure;
      }
      oneDone.notify_one();
    }
  };

  const std::size_t threads = std::min(jobs_, count);
  std::vector<Worker> workers(threads);
  // Every worker takes jobs until none is left, so however few threads the system grants, all jobs run;
  // with none at all, this thread runs them before reporting.
  std::size_t started = 0;
  while (started < threads && workers[started].Start(worker, workerStackBytes_)) ++started;
  if (started == 0) worker();

  for (std::size_t index = 0; index < count; ++index) {
    std::unique_lock lock(mutex);
    oneDone.wait(lock, [&] { return done[index] != 0; });
    lock.unlock();
    if (finished) finished(index);
  }
  workers.clear();  // joined: nothing of a job runs past Run
  if (firstFailure) std::rethrow_exception(firstFailure);
}

}  // namespace kestrine::net
