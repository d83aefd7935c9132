#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/JsonOutput.h"

namespace kestrine::cli {

struct JobOutput;

// One encoder's job: does its work, prints through `output` as the human
// output wants it, and puts the command's data into `entry` for --json.
// Returns true when the operation succeeded.
using EncoderJob = std::function<bool(std::size_t index, JobOutput& output, Json& entry)>;

struct FleetRun {
  bool ok = true;
  std::vector<Json> entries;  // per encoder in the order given: address, ok, error when not ok, the job's data
};

// Runs the job over every target, as many at once as the options and the
// open-file limit allow (saying so on stderr when that limit forces rounds).
// Human output goes to the streams as jobs finish, in order; with --json
// nothing is printed on stdout here. `quiet` keeps the jobs' lines off both streams.
[[nodiscard]] FleetRun RunEncoderJobs(const GlobalOptions& options, const std::vector<Target>& targets,
                                      const EncoderJob& job, Streams streams, bool quiet = false);

// With --json, prints the entries as one array; returns the exit status.
int FinishFleetCommand(const GlobalOptions& options, const FleetRun& run, Streams streams);

}  // namespace kestrine::cli
