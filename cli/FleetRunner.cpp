#include "cli/FleetRunner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <pthread.h>
#endif

#include "cli/ConsoleFeedback.h"

namespace kestrine::cli {
namespace {

struct Slot {
  JobOutput output;
  bool ok = false;
  bool done = false;
};

void PrintJob(const JobOutput& output, std::ostream& out, std::ostream& err) {
  for (const JobOutput::Line& line : output.lines) {
    std::ostream& stream = line.stream == Stream::Out ? out : err;
    stream << line.text << '\n';
    stream.flush();
  }
}

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

std::string RoundsNotice(std::size_t encoders, std::size_t jobs) {
  const std::size_t rounds = (encoders + jobs - 1) / jobs;
  return "kestrinectl: the open-file limit allows " + std::to_string(jobs) + " encoders at once; working on " +
         std::to_string(encoders) + " in " + std::to_string(rounds) + " rounds (raise it with ulimit -n)";
}

FleetRunner::FleetRunner(std::size_t jobs, std::size_t workerStackBytes)
    : jobs_(std::max<std::size_t>(jobs, 1)), workerStackBytes_(workerStackBytes) {}

bool FleetRunner::Run(std::size_t count, const std::function<bool(std::size_t, JobOutput&)>& job, std::ostream& out,
                      std::ostream& err) const {
  std::vector<Slot> slots(count);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};

  auto worker = [&] {
    for (std::size_t index = next++; index < count; index = next++) {
      JobOutput output;
      bool ok = false;
      try {
        ok = job(index, output);
      } catch (const std::exception& e) {
        output.Print(Stream::Err, "", e.what());
      }
      {
        const std::lock_guard lock(mutex);
        slots[index].output = std::move(output);
        slots[index].ok = ok;
        slots[index].done = true;
      }
      finished.notify_one();
    }
  };

  const std::size_t threads = std::min(jobs_, count);
  std::vector<Worker> workers(threads);
  // Every worker takes jobs until none is left, so however few threads the system grants, all jobs run;
  // with none at all, this thread runs them before printing.
  std::size_t started = 0;
  while (started < threads && workers[started].Start(worker, workerStackBytes_)) ++started;
  if (started == 0) worker();

  bool allOk = true;
  for (std::size_t index = 0; index < count; ++index) {
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return slots[index].done; });
    const Slot slot = std::move(slots[index]);
    lock.unlock();
    PrintJob(slot.output, out, err);
    allOk = allOk && slot.ok;
  }
  return allOk;
}

}  // namespace kestrine::cli
