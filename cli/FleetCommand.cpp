#include "cli/FleetCommand.h"

#include <nlohmann/json.hpp>

#include <exception>
#include <ostream>

#include "cli/ConsoleFeedback.h"
#include "net/FleetRunner.h"

namespace kestrine::cli {
namespace {

// The stderr line that says the open-file limit makes a command work in rounds.
std::string RoundsNotice(std::size_t encoders, std::size_t jobs) {
  const std::size_t rounds = (encoders + jobs - 1) / jobs;
  return "kestrinectl: the open-file limit allows " + std::to_string(jobs) + " encoders at once; working on " +
         std::to_string(encoders) + " in " + std::to_string(rounds) + " rounds (raise it with ulimit -n)";
}

void PrintJob(const JobOutput& output, std::ostream& out, std::ostream& err) {
  for (const JobOutput::Line& line : output.lines) {
    std::ostream& stream = line.stream == Stream::Out ? out : err;
    stream << line.text << '\n';
    stream.flush();
  }
}

}  // namespace

FleetRun RunEncoderJobs(const GlobalOptions& options, const std::vector<Target>& targets, const EncoderJob& job,
                        Streams streams, bool quiet) {
  const net::FleetConcurrency concurrency =
      net::ChooseConcurrency(options.jobs, targets.size(), options.freeDescriptors);
  if (concurrency.roundsForcedByOpenFiles) streams.err << RoundsNotice(targets.size(), concurrency.jobs) << '\n';

  FleetRun run;
  run.entries.reserve(targets.size());
  for (const Target& target : targets) run.entries.push_back(EncoderEntry(target.text, false, "not run"));
  std::ostream nowhere(nullptr);
  std::ostream& out = quiet || options.json ? nowhere : streams.out;
  std::ostream& err = quiet ? nowhere : streams.err;
  // Each job keeps its lines until its turn: they are printed in the order the encoders were given.
  std::vector<JobOutput> outputs(targets.size());
  std::vector<char> succeeded(targets.size(), 0);
  const net::FleetRunner runner(concurrency.jobs);
  runner.Run(
      targets.size(),
      [&](std::size_t index) {
        JobOutput& output = outputs[index];
        Json data = Json::object();
        bool ok = false;
        try {
          ok = job(index, output, data);
        } catch (const std::exception& e) {
          output.Print(Stream::Err, "", e.what());
        }
        std::string error = ok ? std::string() : output.errorText;
        if (!ok && error.empty()) error = "failed";
        Json entry = EncoderEntry(targets[index].text, ok, error);
        for (auto& [key, value] : data.items()) entry[key] = std::move(value);
        run.entries[index] = std::move(entry);  // each job writes only its own entry
        succeeded[index] = ok ? 1 : 0;
      },
      [&](std::size_t index) {
        PrintJob(outputs[index], out, err);
        outputs[index] = JobOutput{};
        run.ok = run.ok && succeeded[index] != 0;
      });
  return run;
}

int FinishFleetCommand(const GlobalOptions& options, const FleetRun& run, Streams streams) {
  if (options.json) streams.out << FormatJson(Json(run.entries)) << std::flush;
  return run.ok ? kExitSuccess : kExitFailed;
}

}  // namespace kestrine::cli
