#include "config/ConfigurationPageModel.h"

#include "config/EncoderConfiguration.h"
#include "config/HumanText.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"
#include "config/TextEncoding.h"

namespace kestrine::config {
namespace {

std::size_t IndexOf(const PropertyItemRow& row) {
  return static_cast<std::size_t>(&row - PropertyItemRows().data());
}

bool ShowsRecordText(const PropertyItemRow& row) {
  const RecordField* field = FindRecordField(row.field);
  return field != nullptr && field->kind == FieldKind::Text;
}

}  // namespace

ConfigurationPageModel::ConfigurationPageModel() {
  rows_.reserve(PropertyItemRows().size());
  shownBytes_.resize(PropertyItemRows().size());
  for (const PropertyItemRow& row : PropertyItemRows()) {
    rows_.push_back({.options = row.options, .readOnly = row.readOnlyAtBuild});
  }
}

const RowDisplay* ConfigurationPageModel::RowById(int commandId) const {
  const PropertyItemRow* row = FindItemById(commandId);
  return row == nullptr ? nullptr : &rows_[IndexOf(*row)];
}

// Clearing and showing both come after the page's first clear, which fixes "Restart" read-only.
constexpr bool kClearedOnce = true;

RowDisplay ConfigurationPageModel::BlankRow(const PropertyItemRow& row, std::size_t index) const {
  // A cleared list keeps its entries; only showing a record rebuilds the audio bitrate list.
  return {.options = rows_[index].options, .readOnly = IsRowReadOnly(row, kClearedOnce, nullptr)};
}

RowDisplay ConfigurationPageModel::RecordRow(const PropertyItemRow& row, const EncoderConfiguration& record,
                                             std::string& shownBytes) const {
  RowDisplay display{.readOnly = IsRowReadOnly(row, kClearedOnce, &record)};
  switch (row.kind) {
    case ItemKind::Combo:
      display.options = ItemOptions(row, record);
      display.position = SelectedPosition(row, record);
      break;
    case ItemKind::Address:
      display.hostAddress = ItemHostAddress(row, record);
      break;
    case ItemKind::Static:
    case ItemKind::Edit:
    case ItemKind::Number: {
      std::string text = ItemText(row, record, flags_);
      if (ShowsRecordText(row)) {
        // A control byte would be drawn as an empty box; it shows escaped, as the command line prints it.
        display.text = HumanText(DecodeGb18030Lenient(text));
        shownBytes = std::move(text);
      } else {
        display.text = std::move(text);
      }
      break;
    }
  }
  return display;
}

void ConfigurationPageModel::Clear() {
  const auto rows = PropertyItemRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows_[i] = BlankRow(rows[i], i);
    shownBytes_[i].clear();
  }
}

void ConfigurationPageModel::Show(const EncoderConfiguration* record) {
  if (record == nullptr) {
    Clear();
    return;
  }
  if (flags_.passwordAccepted && TextOf(record->old_password) != acceptedPassword_) flags_.passwordAccepted = false;
  const auto rows = PropertyItemRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    shownBytes_[i].clear();
    rows_[i] = RecordRow(rows[i], *record, shownBytes_[i]);
  }
}

EditOutcome ConfigurationPageModel::CommitTyped(int commandId, EditorValue value, EncoderConfiguration& record) {
  const PropertyItemRow* row = FindItemById(commandId);
  if (row != nullptr && row->reading == ValueReading::Text) {
    const std::size_t index = IndexOf(*row);
    if (value.text == rows_[index].text) {
      value.text = shownBytes_[index];
    } else {
      value.text = EncodeGb18030(value.text).value_or(value.text);
    }
  }
  return Commit(commandId, value, record);
}

EditOutcome ConfigurationPageModel::Commit(int commandId, const EditorValue& value, EncoderConfiguration& record) {
  const EditOutcome outcome = ApplyPropertyEdit(commandId, value, record, flags_);
  if (commandId == item_id::kPassword && outcome.result == EditResult::Accepted) acceptedPassword_ = value.text;
  return outcome;
}

PasswordEntries ConfigurationPageModel::PasswordRowsFilled() const {
  return {.currentPasswordGiven = !RowById(item_id::kPassword)->text.empty(),
          .newPasswordGiven = !RowById(item_id::kNewPassword)->text.empty()};
}

}  // namespace kestrine::config
