#include "cli/ApplyCommand.h"

#include <nlohmann/json.hpp>

#include "cli/ConsoleFeedback.h"
#include "cli/FleetCommand.h"
#include "cli/JsonOutput.h"
#include "config/ConfigurationDocument.h"
#include "config/ConfigurationFile.h"
#include "config/ConfigurationOverlay.h"
#include "config/EditRules.h"
#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"
#include "net/DeviceOperations.h"

namespace kestrine::cli {
namespace {

struct ApplyPlan {
  std::vector<Target> targets;
  config::EncoderConfiguration saved;
  config::OverlayScope scope = config::OverlayScope::Settings;
  std::string password;
  bool dryRun = false;
};

// A file that cannot be read (missing, too large, a pipe nobody writes to ...) or is no configuration
// document stops the command before any encoder is contacted.
config::EncoderConfiguration ReadSavedConfiguration(const std::string& path) {
  const config::ConfigurationFile file = config::LoadConfigurationFile(path);
  switch (file.outcome) {
    case config::ConfigurationFile::Outcome::Loaded:
      break;
    case config::ConfigurationFile::Outcome::Unreadable:
      throw UsageError(path + ": cannot be read: " + file.reason);
    case config::ConfigurationFile::Outcome::NotADocument:
      throw UsageError(path + ": not a configuration document (save one with kestrinectl read ADDR -o FILE)");
  }
  return file.record;
}

ApplyPlan PlanApply(const ApplyArguments& arguments) {
  ApplyPlan plan;
  plan.targets = ParseTargets(arguments.addresses);
  if (plan.targets.empty()) throw UsageError("apply: name at least one encoder address");
  if (arguments.password.empty()) throw UsageError("apply: --password must not be empty");
  plan.saved = ReadSavedConfiguration(arguments.from);
  plan.scope = arguments.includeNetwork ? config::OverlayScope::SettingsAndNetwork : config::OverlayScope::Settings;
  plan.password = arguments.password;
  plan.dryRun = arguments.dryRun;
  return plan;
}

// A value as --json shows it: numbers as numbers, addresses and texts as strings.
void PutValue(Json& change, std::string_view key, const config::RecordField& field,
              const config::EncoderConfiguration& record) {
  if (field.kind == config::FieldKind::Number) {
    change[std::string(key)] = record.*field.number;
  } else {
    PutEncoderText(change, key, config::FormatFieldValue(field, record));
  }
}

Json ChangesJson(const config::ConfigurationOverlay& overlay, const config::EncoderConfiguration& before,
                 bool& undecodable) {
  Json changes = Json::array();
  for (const config::FieldChange& c : overlay.changes) {
    Json change = Json::object();
    change["field"] = std::string(c.field->name);
    PutValue(change, "from", *c.field, before);
    PutValue(change, "to", *c.field, overlay.record);
    if (change.contains("undecodable")) {
      undecodable = true;
      change.erase("undecodable");
    }
    changes.push_back(std::move(change));
  }
  return changes;
}

// One encoder: read, check the password, overlay and judge, then write (or only say what would change).
class EncoderApplyJob final {
 public:
  EncoderApplyJob(const GlobalOptions& options, const ApplyPlan& plan, const Target& target, JobOutput& output)
      : plan_(plan),
        address_(target.address),
        feedback_(output, target.text + ": ", target.text + ": "),
        operations_(options.network, feedback_) {
    record_.ipAddr = target.address;
  }

  bool Run(Json& entry) {
    if (!Read()) return false;
    if (!Apply(config::item_id::kPassword, plan_.password)) return false;
    const config::ConfigurationOverlay overlay = config::OverlayConfiguration(record_, plan_.saved, plan_.scope);
    bool undecodable = false;
    entry["changes"] = ChangesJson(overlay, record_, undecodable);
    if (undecodable) entry["undecodable"] = true;
    if (!overlay.refusals.empty()) {
      for (const config::OverlayRefusal& refusal : overlay.refusals) {
        feedback_.Error(std::string(refusal.field) + ": " + refusal.warning);
      }
      return false;
    }
    if (plan_.dryRun) {
      for (const config::FieldChange& c : overlay.changes) {
        feedback_.Say(std::string(c.field->name) + ": " + c.from + " -> " + c.to);
      }
      return true;
    }
    record_ = overlay.record;
    if (!Apply(config::item_id::kNewPassword, plan_.password)) return false;
    flags_.bitrateModified = overlay.bitrateChanged;
    const net::WriteRequest request{true, true};
    // To the address the operator named: a restore with --include-network carries another ipAddr in the record.
    return operations_.SendConfiguration(record_, flags_, request, address_) == net::OperationResult::Success;
  }

 private:
  bool Read() {
    const net::DocumentRead read = operations_.ReadConfigurationDocument(record_, flags_);
    if (read.result == net::OperationResult::Success) return true;
    ReportFailedRead(read, feedback_);
    return false;
  }

  bool Apply(int commandId, const std::string& password) {
    const config::EditOutcome outcome =
        config::ApplyPropertyEdit(commandId, config::EditorValue::Text(password), record_, flags_);
    if (outcome.result != config::EditResult::Refused) return true;
    feedback_.Error(outcome.warning);
    return false;
  }

  const ApplyPlan& plan_;
  std::uint32_t address_;
  ConsoleFeedback feedback_;
  net::DeviceOperations operations_;
  config::EncoderConfiguration record_;
  config::PageFlags flags_;
};

}  // namespace

int RunApply(const GlobalOptions& options, const ApplyArguments& arguments, Streams streams) {
  const ApplyPlan plan = PlanApply(arguments);
  const FleetRun run = RunEncoderJobs(
      options, plan.targets,
      [&](std::size_t index, JobOutput& output, Json& entry) {
        EncoderApplyJob job(options, plan, plan.targets[index], output);
        return job.Run(entry);
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

}  // namespace kestrine::cli
