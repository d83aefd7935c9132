#include "cli/SetCommand.h"

#include "cli/ConsoleFeedback.h"
#include "cli/FleetCommand.h"
#include "config/ConfigurationPageModel.h"
#include "config/EditRules.h"
#include "config/EncoderConfiguration.h"
#include "config/FieldAssignment.h"
#include "config/PropertyItemTable.h"
#include "net/DeviceOperations.h"

namespace kestrine::cli {
namespace {

struct SetPlan {
  std::vector<Target> targets;
  std::vector<config::FieldAssignment> assignments;
  std::string password;
  std::string newPassword;
};

// Everything that can be judged without an encoder is judged before anything is sent.
SetPlan PlanSet(const SetArguments& arguments) {
  SetPlan plan;
  for (const std::string& word : arguments.words) {
    if (word.find('=') == std::string::npos) {
      plan.targets.push_back(ParseTarget(word));
      continue;
    }
    config::FieldAssignment assignment = config::ParseFieldAssignment(word);
    if (!assignment.error.empty()) throw UsageError(assignment.error);
    plan.assignments.push_back(std::move(assignment));
  }
  if (plan.targets.empty()) throw UsageError("set: name at least one encoder address");
  if (arguments.password.empty()) throw UsageError("set: --password must not be empty");
  plan.password = arguments.password;
  plan.newPassword = arguments.newPassword.value_or(arguments.password);
  if (plan.newPassword.empty()) throw UsageError("set: --new-password must not be empty");
  return plan;
}

// One encoder: read, edit through the page's model as an operator would on the page, write.
// Stops at the first refusal.
class EncoderSetJob final {
 public:
  EncoderSetJob(const GlobalOptions& options, const SetPlan& plan, const Target& target, JobOutput& output)
      : plan_(plan),
        address_(target.address),
        feedback_(output, target.text + ": ", target.text + ": "),
        operations_(options.network, feedback_) {
    record_.ipAddr = target.address;
  }

  bool Run() {
    if (!Read()) return false;
    if (!Apply(config::item_id::kPassword, config::EditorValue::Text(plan_.password))) return false;
    for (const config::FieldAssignment& assignment : plan_.assignments) {
      const config::EditorValueParse parsed = config::ParseEditorValue(*assignment.row, assignment.valueText, record_);
      if (!parsed.value) {
        feedback_.Error(parsed.error);
        return false;
      }
      if (!Apply(assignment.row->commandId, *parsed.value)) return false;
    }
    if (!Apply(config::item_id::kNewPassword, config::EditorValue::Text(plan_.newPassword))) return false;
    const net::WriteRequest request = page_.PasswordRowsFilled();
    // To the address the operator named, whatever the encoder's document says its address is.
    return operations_.SendConfiguration(record_, page_.Flags(), request, address_) == net::OperationResult::Success;
  }

 private:
  bool Read() {
    const net::DocumentRead read = operations_.ReadConfigurationDocument(record_, page_.Flags());
    if (read.result == net::OperationResult::Success) {
      page_.Show(&record_);
      return true;
    }
    ReportFailedRead(read, feedback_);
    return false;
  }

  bool Apply(int commandId, const config::EditorValue& value) {
    // As on the page, every commit is followed by showing the record again.
    const config::EditOutcome outcome = page_.Commit(commandId, value, record_);
    page_.Show(&record_);
    if (outcome.result != config::EditResult::Refused) return true;
    feedback_.Error(outcome.warning);
    return false;
  }

  const SetPlan& plan_;
  std::uint32_t address_;
  ConsoleFeedback feedback_;
  net::DeviceOperations operations_;
  config::EncoderConfiguration record_;
  config::ConfigurationPageModel page_;
};

}  // namespace

int RunSet(const GlobalOptions& options, const SetArguments& arguments, Streams streams) {
  const SetPlan plan = PlanSet(arguments);
  const FleetRun run = RunEncoderJobs(
      options, plan.targets,
      [&](std::size_t index, JobOutput& output, Json& /*entry*/) {
        EncoderSetJob job(options, plan, plan.targets[index], output);
        return job.Run();
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

}  // namespace kestrine::cli
