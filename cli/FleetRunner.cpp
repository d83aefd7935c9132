#include "cli/FleetRunner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

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

// False when the system has no thread to give (std::thread reports it by throwing).
template <typename Worker>
bool StartWorker(std::vector<std::jthread>& workers, Worker& worker) {
  try {
    workers.emplace_back(worker);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace

FleetRunner::FleetRunner(std::size_t jobs) : jobs_(std::max<std::size_t>(jobs, 1)) {}

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

  std::vector<std::jthread> workers;
  const std::size_t threads = std::min(jobs_, count);
  workers.reserve(threads);
  // Every worker takes jobs until none is left, so however few threads the system grants, all jobs run;
  // with none at all, this thread runs them before printing.
  for (std::size_t i = 0; i < threads; ++i) {
    if (!StartWorker(workers, worker)) break;
  }
  if (workers.empty()) worker();

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
