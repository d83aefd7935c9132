#include "cli/AuditCommand.h"

#include <nlohmann/json.hpp>

#include <ostream>

#include "cli/ConsoleFeedback.h"
#include "cli/FleetCommand.h"
#include "cli/JsonOutput.h"
#include "config/FleetAudit.h"

namespace kestrine::cli {
namespace {

constexpr std::string_view kUnreadable = "Configuration could not be read";

// "error multicast-collision: 10.0.0.1, 10.0.0.2: all send to 239.1.1.1:1234"
std::string FindingLine(const config::AuditFinding& finding, const std::vector<Target>& targets) {
  std::string line = std::string(config::SeverityName(finding.severity)) + " " +
                     std::string(config::FindingKindName(finding.kind)) + ": ";
  for (std::size_t i = 0; i < finding.encoders.size(); ++i) {
    if (i > 0) line += ", ";
    line += targets[finding.encoders[i]].text;
  }
  return line + ": " + finding.text;
}

Json FindingJson(const config::AuditFinding& finding, const std::vector<Target>& targets) {
  Json addresses = Json::array();
  for (const std::size_t index : finding.encoders) addresses.push_back(targets[index].text);
  Json entry = Json::object();
  entry["severity"] = std::string(config::SeverityName(finding.severity));
  entry["kind"] = std::string(config::FindingKindName(finding.kind));
  entry["addresses"] = std::move(addresses);
  entry["text"] = finding.text;
  return entry;
}

}  // namespace

int RunAudit(const GlobalOptions& options, const std::vector<Target>& targets, Streams streams) {
  std::vector<config::AuditedEncoder> audited(targets.size());
  // The unreadable finding carries each failure, so the jobs' own lines are not printed.
  const FleetRun run = RunEncoderJobs(
      options, targets,
      [&](std::size_t index, JobOutput& output, Json& /*entry*/) {
        config::AuditedEncoder& encoder = audited[index];
        encoder.reachedAt = targets[index].address;
        ConsoleFeedback feedback(output, "", "");
        const std::optional<config::EncoderConfiguration> record = ReadRecord(options, targets[index], feedback);
        if (!record) {
          encoder.failure = output.errorText.empty() ? std::string(kUnreadable) : output.errorText;
          return false;
        }
        encoder.record = *record;
        return true;
      },
      streams, true);

  const std::vector<config::AuditFinding> findings = config::AuditFleet(audited);
  if (options.json) {
    Json report = Json::object();
    report["encoders"] = Json(run.entries);
    Json listed = Json::array();
    for (const config::AuditFinding& finding : findings) listed.push_back(FindingJson(finding, targets));
    report["findings"] = std::move(listed);
    streams.out << FormatJson(report);
  } else {
    for (const config::AuditFinding& finding : findings) streams.out << FindingLine(finding, targets) << '\n';
  }
  streams.out.flush();
  return config::HasErrorFinding(findings) || !streams.out ? kExitFailed : kExitSuccess;
}

}  // namespace kestrine::cli
