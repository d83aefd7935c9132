#include "net/FleetRunner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

#include "platform/StackThread.h"

namespace kestrine::net {
namespace {

// Descriptors kept back for what the program opens besides its sockets (streams, an output file).
constexpr std::size_t kReservedDescriptors = 16;

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
  std::vector<platform::StackThread> workers(threads);
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
