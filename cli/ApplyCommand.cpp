#include "cli/ApplyCommand.h"

#include <nlohmann/json.hpp>

#include "cli/ConsoleFeedback.h"
#include "cli/EncoderEdit.h"
#include "cli/FleetCommand.h"
#include "cli/JsonOutput.h"
#include "config/ConfigurationDocument.h"
#include "config/ConfigurationFile.h"
#include "config/ConfigurationOverlay.h"
#include "config/DocumentFields.h"
#include "config/EditRules.h"
#include "config/EncoderConfiguration.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"

namespace kestrine::cli {
namespace {

struct ApplyPlan {
  std::vector<Target> targets;
  config::EncoderConfiguration saved;
  config::DocumentFields carried;  // what the saved document holds; the rest stays each encoder's own
  config::OverlayScope scope = config::OverlayScope::Settings;
  std::string password;
  bool dryRun = false;
};

// A file that cannot be read (missing, too large, a pipe nobody writes to ...) or is no configuration
// document stops the command before any encoder is contacted.
config::EncoderConfiguration ReadSavedConfiguration(const std::string& path, config::DocumentFields& carried) {
  const config::ConfigurationFile file = config::LoadConfigurationFile(path);
  switch (file.outcome) {
    case config::ConfigurationFile::Outcome::Loaded:
      break;
    case config::ConfigurationFile::Outcome::Unreadable:
      throw UsageError(path + ": cannot be read: " + file.reason);
    case config::ConfigurationFile::Outcome::NotADocument:
      throw UsageError(path + ": not a configuration document (save one with kestrinectl read ADDR -o FILE)");
  }
  carried = file.fields;
  return file.record;
}

// A copied address that cannot be would be written to every encoder alike: the file is refused.
void RefuseUnusableAddresses(const std::string& path, const ApplyPlan& plan) {
  const std::vector<config::OverlayRefusal> refusals =
      config::JudgeSavedAddresses(plan.saved, plan.carried, plan.scope);
  if (refusals.empty()) return;
  std::string text = path;
  for (std::size_t i = 0; i < refusals.size(); ++i) {
    text += (i == 0 ? ": " : "; ") + std::string(refusals[i].field) + ": " + refusals[i].warning;
  }
  throw UsageError(text);
}

ApplyPlan PlanApply(const GlobalOptions& options, const ApplyArguments& arguments, std::ostream& err) {
  ApplyPlan plan;
  plan.targets = CollectTargets(options, arguments.addresses, err);
  if (plan.targets.empty()) throw UsageError("apply: name at least one encoder address");
  plan.password = CurrentPassword("apply", arguments.password);
  plan.saved = ReadSavedConfiguration(arguments.from, plan.carried);
  plan.scope = arguments.includeNetwork ? config::OverlayScope::SettingsAndNetwork : config::OverlayScope::Settings;
  RefuseUnusableAddresses(arguments.from, plan);
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
bool ApplyToEncoder(const GlobalOptions& options, const ApplyPlan& plan, const Target& target, JobOutput& output,
                    Json& entry) {
  ConsoleFeedback feedback(output, target.text + ": ", target.text + ": ");
  EncoderEdit edit(options.network, target.address, feedback);
  const config::EditorValue password = config::EditorValue::Text(plan.password);
  if (!edit.Read() || !edit.Commit(config::item_id::kPassword, password)) return false;
  const config::ConfigurationOverlay overlay =
      config::OverlayConfiguration(edit.Record(), plan.saved, plan.carried, plan.scope);
  bool undecodable = false;
  entry["changes"] = ChangesJson(overlay, edit.Record(), undecodable);
  if (undecodable) entry["undecodable"] = true;
  for (const config::OverlayRefusal& refusal : overlay.refusals) {
    feedback.Error(std::string(refusal.field) + ": " + refusal.warning);
  }
  if (!overlay.refusals.empty()) return false;
  if (plan.dryRun) {
    for (const config::FieldChange& c : overlay.changes) {
      feedback.Say(std::string(c.field->name) + ": " + c.from + " -> " + c.to);
    }
    return true;
  }
  // The password kept: the new one is the current one.
  edit.Replace(overlay.record, overlay.bitrateChanged);
  return edit.Commit(config::item_id::kNewPassword, password) && edit.Write();
}

}  // namespace

int RunApply(const GlobalOptions& options, const ApplyArguments& arguments, Streams streams) {
  const ApplyPlan plan = PlanApply(options, arguments, streams.err);
  const FleetRun run = RunEncoderJobs(
      options, plan.targets,
      [&](std::size_t index, JobOutput& output, Json& entry) {
        return ApplyToEncoder(options, plan, plan.targets[index], output, entry);
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

}  // namespace kestrine::cli
