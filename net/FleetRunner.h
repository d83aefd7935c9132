#pragma once

#include <cstddef>
#include <functional>
#include <optional>

namespace kestrine::net {

// How many encoders a command works on at once. Each job holds one socket at a
// time; a few descriptors stay free for the program's own files.
struct FleetConcurrency {
  std::size_t jobs = 1;
  bool roundsForcedByOpenFiles = false;  // fewer at once than asked for (or than encoders given)
};
[[nodiscard]] FleetConcurrency ChooseConcurrency(std::optional<std::size_t> requested, std::size_t encoders,
                                                 std::size_t freeDescriptors);

// Works on a whole fleet at once: one job per encoder, `jobs` of them at a time on
// worker threads of their own, so a fleet costs about one exchange, not one per
// encoder. The command line and the desktop's audit both run on it.
class FleetRunner final {
 public:
  // Workers wait on sockets; the reader parses a document on a thread of its
  // own, so nothing here recurses on what an encoder sends.
  // (platform::StackThread scales it for the sanitizer builds.)
  static constexpr std::size_t kWorkerStackBytes = 256 * 1024;

  explicit FleetRunner(std::size_t jobs, std::size_t workerStackBytes = kWorkerStackBytes);

  // Runs job(index) for every index below `count` and returns once all have run. `finished(index)` is
  // called on the calling thread for each job in index order, as soon as it and all before it are done
  // (a printer keeps the order the encoders were given in). A job that throws has its exception thrown
  // here once every job has run.
  void Run(std::size_t count, const std::function<void(std::size_t index)>& job,
           const std::function<void(std::size_t index)>& finished = {}) const;

 private:
  std::size_t jobs_;
  std::size_t workerStackBytes_;
};

}  // namespace kestrine::net
