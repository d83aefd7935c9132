#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace kestrine::cli {

struct JobOutput;

// How many encoders a command works on at once. Each job holds one socket at a
// time; a few descriptors stay free for the program's own files.
struct FleetConcurrency {
  std::size_t jobs = 1;
  bool roundsForcedByOpenFiles = false;  // fewer at once than asked for (or than encoders given)
};
[[nodiscard]] FleetConcurrency ChooseConcurrency(std::optional<std::size_t> requested, std::size_t encoders,
                                                 std::size_t freeDescriptors);
// The stderr line that says the open-file limit makes a command work in rounds.
[[nodiscard]] std::string RoundsNotice(std::size_t encoders, std::size_t jobs);

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

// Runs one job per encoder, `jobs` at a time, and prints each job's lines in
// the order the encoders were given, each as soon as all before it are done.
// A job returns true when its operation succeeded. Returns true when all did.
class FleetRunner final {
 public:
  // Workers wait on sockets and parse documents of at most 9999 bytes. TinyXML
  // recurses once per level, and such a document can nest 3,333 levels, about
  // 750 KiB of its frames: with this room not even a nesting the guard missed
  // could overflow a worker. Untouched stack costs address space only.
  // AddressSanitizer pads every frame, so a sanitizer build gives them more.
  static constexpr std::size_t kWorkerStackBytes = (kSanitizedBuild ? 2048 : 1024) * 1024;

  explicit FleetRunner(std::size_t jobs, std::size_t workerStackBytes = kWorkerStackBytes);

  bool Run(std::size_t count, const std::function<bool(std::size_t index, JobOutput& output)>& job, std::ostream& out,
           std::ostream& err) const;

 private:
  std::size_t jobs_;
  std::size_t workerStackBytes_;
};

}  // namespace kestrine::cli
