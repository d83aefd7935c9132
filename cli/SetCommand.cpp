#include "cli/SetCommand.h"

#include "cli/ConsoleFeedback.h"
#include "cli/EncoderEdit.h"
#include "cli/FleetCommand.h"
#include "config/EditRules.h"
#include "config/FieldAssignment.h"
#include "config/PropertyItemTable.h"

namespace kestrine::cli {
namespace {

struct SetPlan {
  std::vector<Target> targets;
  std::vector<config::FieldAssignment> assignments;
  std::string password;
  std::string newPassword;
};

// Everything that can be judged without an encoder is judged before anything is sent.
SetPlan PlanSet(const GlobalOptions& options, const SetArguments& arguments, std::ostream& err) {
  SetPlan plan;
  std::vector<std::string> addresses;
  for (const std::string& word : arguments.words) {
    if (word.find('=') == std::string::npos) {
      addresses.push_back(word);
      continue;
    }
    config::FieldAssignment assignment = config::ParseFieldAssignment(word);
    if (!assignment.error.empty()) throw UsageError(assignment.error);
    plan.assignments.push_back(std::move(assignment));
  }
  plan.targets = CollectTargets(options, addresses, err);
  if (plan.targets.empty()) throw UsageError("set: name at least one encoder address");
  plan.password = CurrentPassword("set", arguments.password);
  plan.newPassword = NewPassword("set", arguments.newPassword, plan.password);
  return plan;
}

// One encoder: read, edit through the page's model as an operator would on the page, write.
// Stops at the first refusal.
bool SetEncoder(const GlobalOptions& options, const SetPlan& plan, const Target& target, JobOutput& output) {
  ConsoleFeedback feedback(output, target.text + ": ", target.text + ": ");
  EncoderEdit edit(options.network, target.address, feedback);
  if (!edit.Read() || !edit.Commit(config::item_id::kPassword, config::EditorValue::Text(plan.password))) return false;
  for (const config::FieldAssignment& assignment : plan.assignments) {
    const config::EditorValueParse parsed =
        config::ParseEditorValue(*assignment.row, assignment.valueText, edit.Record());
    if (!parsed.value) {
      feedback.Error(parsed.error);
      return false;
    }
    if (!edit.Commit(assignment.row->commandId, *parsed.value)) return false;
  }
  return edit.Commit(config::item_id::kNewPassword, config::EditorValue::Text(plan.newPassword)) && edit.Write();
}

}  // namespace

int RunSet(const GlobalOptions& options, const SetArguments& arguments, Streams streams) {
  const SetPlan plan = PlanSet(options, arguments, streams.err);
  const FleetRun run = RunEncoderJobs(
      options, plan.targets,
      [&](std::size_t index, JobOutput& output, Json& /*entry*/) {
        return SetEncoder(options, plan, plan.targets[index], output);
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

}  // namespace kestrine::cli
