#include "cli/EncoderEdit.h"

#include "config/EditRules.h"
#include "net/OperatorFeedback.h"

namespace kestrine::cli {

EncoderEdit::EncoderEdit(const net::NetworkSettings& settings, std::uint32_t address, net::OperatorFeedback& feedback)
    : address_(address), feedback_(feedback), operations_(settings, feedback) {
  record_.ipAddr = address;
}

bool EncoderEdit::Read() {
  const net::DocumentRead read = operations_.ReadConfigurationDocument(record_, page_.Flags());
  if (read.result != net::OperationResult::Success) return false;
  page_.Show(&record_);
  return true;
}

bool EncoderEdit::Commit(int commandId, const config::EditorValue& value) {
  const config::EditOutcome outcome = page_.Commit(commandId, value, record_);
  page_.Show(&record_);
  if (outcome.result != config::EditResult::Refused) return true;
  feedback_.ShowMessage(net::MessageStyle::Warning, net::MessageOwner::MainWindow, outcome.warning);
  return false;
}

void EncoderEdit::Replace(const config::EncoderConfiguration& record, bool bitrateChanged) {
  record_ = record;
  page_.Flags().bitrateModified = page_.Flags().bitrateModified || bitrateChanged;
  page_.Show(&record_);
}

bool EncoderEdit::Write() {
  return operations_.SendConfiguration(record_, page_.Flags(), page_.PasswordRowsFilled(), address_) ==
         net::OperationResult::Success;
}

}  // namespace kestrine::cli
