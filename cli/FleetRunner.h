#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>

namespace kestrine::cli {

struct JobOutput;

// Runs one job per encoder, `jobs` at a time, and prints each job's lines in
// the order the encoders were given, each as soon as all before it are done.
// A job returns true when its operation succeeded. Returns true when all did.
class FleetRunner final {
 public:
  explicit FleetRunner(std::size_t jobs);

  bool Run(std::size_t count, const std::function<bool(std::size_t index, JobOutput& output)>& job, std::ostream& out,
           std::ostream& err) const;

 private:
  std::size_t jobs_;
};

}  // namespace kestrine::cli
