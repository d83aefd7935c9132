#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/EditRules.h"
#include "config/PageFlags.h"

namespace kestrine::config {

struct EncoderConfiguration;
struct PropertyItemRow;

// What one row of the configuration page shows.
struct RowDisplay {
  std::string text{};  // edit and static rows, UTF-8 (record texts decoded, control bytes escaped); empty for
                       // combos and addresses
  int position = -1;  // combos: the selected entry, -1 for none
  std::span<const std::string_view> options{};  // combos: the entries the list holds
  std::uint32_t hostAddress = 0;                 // address rows: host order, first octet high
  bool readOnly = false;
};

// The configuration page without its widgets: what every row shows for a record, which rows take
// edits, what a committed edit does to the record and the page flags, and what the password rows
// hold. The desktop page shows what it says; `kestrinectl set` edits through it as the page would.
class ConfigurationPageModel final {
 public:
  // The rows as the page is built: empty, nothing selected, read-only as the item table builds them.
  ConfigurationPageModel();

  // The rows shown, parallel to PropertyItemRows().
  [[nodiscard]] std::span<const RowDisplay> Rows() const { return rows_; }
  [[nodiscard]] const RowDisplay& RowAt(std::size_t index) const { return rows_[index]; }
  // The row of a command id; the "version" row has none. Null for an id no row sends.
  [[nodiscard]] const RowDisplay* RowById(int commandId) const;

  // The blank page. From the first clear on, "Restart" takes no edit.
  void Clear();
  // The record's values (the blank page for none). The passwords show only once accepted, and only
  // for a record whose current password is the one accepted: the acceptance ends when another
  // encoder is shown, so its passwords never show (nor can be written) unless typed.
  void Show(const EncoderConfiguration* record);

  // An edit the operator typed: its texts are UTF-8 and are encoded to the record's encoding
  // before the rule judges their length. A text committed exactly as shown keeps the record's
  // bytes, even bytes that did not decode.
  [[nodiscard]] EditOutcome CommitTyped(int commandId, EditorValue value, EncoderConfiguration& record);
  // An edit whose texts are record bytes already.
  [[nodiscard]] EditOutcome Commit(int commandId, const EditorValue& value, EncoderConfiguration& record);

  [[nodiscard]] PageFlags& Flags() { return flags_; }
  [[nodiscard]] const PageFlags& Flags() const { return flags_; }
  [[nodiscard]] PasswordEntries PasswordRowsFilled() const;

 private:
  [[nodiscard]] RowDisplay BlankRow(const PropertyItemRow& row, std::size_t index) const;
  [[nodiscard]] RowDisplay RecordRow(const PropertyItemRow& row, const EncoderConfiguration& record,
                                     std::string& shownBytes) const;

  std::vector<RowDisplay> rows_;
  std::vector<std::string> shownBytes_;  // per text row, the record bytes its text was decoded from
  std::string acceptedPassword_;         // the current password the operator typed and the record had
  PageFlags flags_;
};

}  // namespace kestrine::config
