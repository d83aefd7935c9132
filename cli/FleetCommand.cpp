#include "cli/FleetCommand.h"

#include <nlohmann/json.hpp>

#include <ostream>

#include "cli/ConsoleFeedback.h"
#include "cli/FleetRunner.h"

namespace kestrine::cli {

FleetRun RunEncoderJobs(const GlobalOptions& options, const std::vector<Target>& targets, const EncoderJob& job,
                        Streams streams, bool quiet) {
  const FleetConcurrency concurrency = ChooseConcurrency(options.jobs, targets.size(), options.freeDescriptors);
  if (concurrency.roundsForcedByOpenFiles) streams.err << RoundsNotice(targets.size(), concurrency.jobs) << '\n';

  FleetRun run;
  run.entries.reserve(targets.size());
  for (const Target& target : targets) run.entries.push_back(EncoderEntry(target.text, false, "not run"));
  std::ostream nowhere(nullptr);
  std::ostream& out = quiet || options.json ? nowhere : streams.out;
  std::ostream& err = quiet ? nowhere : streams.err;
  const FleetRunner runner(concurrency.jobs);
  run.ok = runner.Run(
      targets.size(),
      [&](std::size_t index, JobOutput& output) {
        Json data = Json::object();
        const bool ok = job(index, output, data);
        std::string error = ok ? std::string() : output.errorText;
        if (!ok && error.empty()) error = "failed";
        Json entry = EncoderEntry(targets[index].text, ok, error);
        for (auto& [key, value] : data.items()) entry[key] = std::move(value);
        run.entries[index] = std::move(entry);  // each job writes only its own entry
        return ok;
      },
      out, err);
  return run;
}

int FinishFleetCommand(const GlobalOptions& options, const FleetRun& run, Streams streams) {
  if (options.json) streams.out << FormatJson(Json(run.entries)) << std::flush;
  return run.ok ? kExitSuccess : kExitFailed;
}

}  // namespace kestrine::cli
