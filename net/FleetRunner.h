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

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif
#else
inline constexpr bool kSanitizedBuild = false;
#endif

// Works on a whole fleet at once: one job per encoder, `jobs` of them at a time on
// worker threads of their own, so a fleet costs about one exchange, not one per
// encoder. The command line and the desktop's audit both run on it.
class FleetRunner final {
 public:
  // Workers wait on sockets and parse documents of at most 9999 bytes. TinyXML
  // recurses once per level, and such a document can nest 3,333 levels, about
  // 750 KiB of its frames: with this room not even a nesting the guard missed
  // could overflow a worker. Untouched stack costs address space only.
  // AddressSanitizer pads every frame, so a sanitizer build gives them more.
  static constexpr std::size_t kWorkerStackBytes = (kSanitizedBuild ? 2048 : 1024) * 1024;

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
