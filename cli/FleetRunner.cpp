#include "cli/FleetRunner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <vector>

#include "cli/ConsoleFeedback.h"
#include "platform/StackThread.h"

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
  std::vector<platform::StackThread> workers(threads);
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
