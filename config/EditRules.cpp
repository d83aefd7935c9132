#include "config/EditRules.h"

#include <algorithm>

#include "config/ConfigurationTables.h"
#include "config/DecimalText.h"
#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

constexpr std::string_view kPasswordAlphabet = "ULDR";
constexpr std::size_t kPasswordLength = 8;
constexpr std::string_view kPasswordLengthWarning = "Password length should be 8 !";
constexpr std::string_view kPasswordAlphabetWarning = "Password should be selected from LUDR !";
constexpr std::string_view kPasswordIncorrectWarning = "Password is incorrect!\n";

constexpr EditOutcome Accepted() { return {EditResult::Accepted, {}}; }
constexpr EditOutcome Refused(std::string_view warning) { return {EditResult::Refused, warning}; }
constexpr EditOutcome NoChange() { return {EditResult::NoChange, {}}; }

std::int32_t& NumberField(const PropertyItemRow& row, EncoderConfiguration& record) {
  return record.*FindRecordField(row.field)->number;
}

// A combo reports its selection; with none there is no value to judge.
bool HasSelection(const PropertyItemRow& row, const EditorValue& value, const EncoderConfiguration& record) {
  if (row.kind != ItemKind::Combo) return true;
  return value.choice >= 0 && static_cast<std::size_t>(value.choice) < ItemOptions(row, record).size();
}

EditOutcome StoreRead(const PropertyItemRow& row, const EditorValue& value, EncoderConfiguration& record) {
  const RecordField& field = *FindRecordField(row.field);
  switch (row.reading) {
    case ValueReading::Text:
      StoreText(TextField(field, record), value.text);
      return Accepted();
    case ValueReading::Number:
      record.*field.number = Atoi(value.text);
      return Accepted();
    case ValueReading::Choice:
      record.*field.number = value.choice;
      return Accepted();
    case ValueReading::Address:
      record.*field.address = platform::HostToNetwork32(value.hostAddress);
      return Accepted();
    case ValueReading::None:
      break;
  }
  return NoChange();
}

EditOutcome CheckRange(const PropertyItemRow& row, const EditorValue& value, EncoderConfiguration& record) {
  const std::int32_t number = Atoi(value.text);
  if (number < row.min || number > row.max) return Refused(row.warnings[0]);
  NumberField(row, record) = number;
  return Accepted();
}

EditOutcome CheckTextLength(const PropertyItemRow& row, const EditorValue& value, EncoderConfiguration& record) {
  if (value.text.size() > static_cast<std::size_t>(row.max)) return Refused(row.warnings[0]);
  return StoreRead(row, value, record);
}

// 0 lets the writer choose (for the PMT); otherwise the range, then the other PIDs in the row's order.
EditOutcome CheckPid(const PropertyItemRow& row, const EditorValue& value, EncoderConfiguration& record) {
  const std::int32_t pid = Atoi(value.text);
  if (pid != 0) {
    if (pid < row.min || pid > row.max) return Refused(row.warnings[0]);
    for (std::size_t i = 0; i < row.conflictsWith.size(); ++i) {
      if (record.*FindRecordField(row.conflictsWith[i])->number == pid) return Refused(row.warnings[i + 1]);
    }
  }
  NumberField(row, record) = pid;
  return Accepted();
}

// The checks both password rows share; empty when the text is a well-formed password.
std::string_view PasswordFormatWarning(std::string_view text) {
  if (text.size() != kPasswordLength) return kPasswordLengthWarning;
  const std::size_t leadingRun = std::min(text.find_first_not_of(kPasswordAlphabet), text.size());
  if (leadingRun < kPasswordLength) return kPasswordAlphabetWarning;
  return {};
}

EditOutcome CheckCurrentPassword(const EditorValue& value, const EncoderConfiguration& record) {
  if (value.text.empty()) return NoChange();
  if (const auto warning = PasswordFormatWarning(value.text); !warning.empty()) return Refused(warning);
  if (value.text != TextOf(record.old_password)) return Refused(kPasswordIncorrectWarning);
  return Accepted();
}

EditOutcome CheckNewPassword(const EditorValue& value, EncoderConfiguration& record) {
  if (value.text.empty()) return NoChange();
  if (const auto warning = PasswordFormatWarning(value.text); !warning.empty()) return Refused(warning);
  StoreText(record.new_password, value.text);
  return Accepted();
}

// The bitrate lists differ per mode, so a switch also resets the bitrate to one the new list offers.
EditOutcome ApplyChannelMode(const EditorValue& value, EncoderConfiguration& record) {
  const bool single = value.choice == 1;
  record.analog_channel_mode = single ? kChannelModeSingle : kChannelModeStereo;
  record.analog_bitrate = single ? kSingleDefaultAudioBitrate : kStereoDefaultAudioBitrate;
  return Accepted();
}

EditOutcome ApplyRule(const PropertyItemRow& row, const EditorValue& value, EncoderConfiguration& record) {
  if (!HasSelection(row, value, record)) return NoChange();
  switch (row.rule) {
    case EditRule::Ignore:
      return NoChange();
    case EditRule::Store:
      return StoreRead(row, value, record);
    case EditRule::Range:
      return CheckRange(row, value, record);
    case EditRule::TextLength:
      return CheckTextLength(row, value, record);
    case EditRule::Pid:
      return CheckPid(row, value, record);
    case EditRule::CurrentPassword:
      return CheckCurrentPassword(value, record);
    case EditRule::NewPassword:
      return CheckNewPassword(value, record);
    case EditRule::ChannelMode:
      return ApplyChannelMode(value, record);
  }
  return NoChange();
}

}  // namespace

EditorValue EditorValue::Text(std::string_view text) { return {std::string(text), -1, 0}; }

EditorValue EditorValue::Choice(int position, std::string_view entryText) {
  return {std::string(entryText), position, 0};
}

EditorValue EditorValue::Address(std::uint32_t hostOrder) { return {{}, -1, hostOrder}; }

EditOutcome ApplyPropertyEdit(int commandId, const EditorValue& value, EncoderConfiguration& record,
                              PageFlags& flags) {
  const PropertyItemRow* row = FindItemById(commandId);
  if (row == nullptr) return NoChange();
  const EditOutcome outcome = ApplyRule(*row, value, record);
  switch (row->flagEffect) {
    case FlagEffect::BitrateModified:
      flags.bitrateModified = true;
      break;
    case FlagEffect::PasswordAccepted:
      if (outcome.result == EditResult::Accepted) flags.passwordAccepted = true;
      break;
    case FlagEffect::None:
      break;
  }
  return outcome;
}

}  // namespace kestrine::config
