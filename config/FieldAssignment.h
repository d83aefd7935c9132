#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/EditRules.h"

namespace kestrine::config {

struct EncoderConfiguration;
struct PropertyItemRow;

// A record field named on a command line, resolved to the page row whose rules judge it.
struct SettableItemLookup {
  const PropertyItemRow* row = nullptr;
  std::string error;  // why the field cannot be set; empty when row is set
};

// Every field the record prints can be set except version, old_password,
// new_password (the passwords have options of their own), video_bitrate,
// TS_bitrate and sdi_exist_group. Fields the page shows read-only (program_no,
// the encoder's addresses, multicast_mode, sdi_volume, restart) are settable:
// their rows still define how an edit of them is judged.
[[nodiscard]] SettableItemLookup FindSettableItem(std::string_view field);

struct EditorValueParse {
  std::optional<EditorValue> value;
  std::string error;  // a message naming the field and the value; empty when value is set
};

// The value the row's editor would hold if VALUE were entered there:
// - number and text rows take the text as typed, so the rule's own Atoi judges it;
// - address rows take a strict dotted quad;
// - combo rows take an option text exactly as the page shows it, or else its
//   position in decimal; the audio bitrate entries are those of the record's
//   channel mode. Anything else is refused with a message listing the options.
[[nodiscard]] EditorValueParse ParseEditorValue(const PropertyItemRow& row, std::string_view valueText,
                                                const EncoderConfiguration& record);

// One FIELD=VALUE argument of `kestrinectl set`, checked as far as it can be without
// an encoder's record: the field is settable, an address is a dotted quad, a choice
// is an option or position (for the audio bitrate, of either channel mode's list).
struct FieldAssignment {
  const PropertyItemRow* row = nullptr;
  std::string valueText;
  std::string error;  // a usage error; empty when row is set
};

[[nodiscard]] FieldAssignment ParseFieldAssignment(std::string_view argument);

}  // namespace kestrine::config
