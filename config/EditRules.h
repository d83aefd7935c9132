#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrine::config {

struct EncoderConfiguration;
struct PageFlags;

// What an item's editor holds when it commits. Each kind fills what it has:
// edit items the text; combos the selected position (-1 for none) and that
// entry's text; address items the address in host order (first octet high).
struct EditorValue {
  std::string text;
  int choice = -1;
  std::uint32_t hostAddress = 0;

  [[nodiscard]] static EditorValue Text(std::string_view text);
  [[nodiscard]] static EditorValue Choice(int position, std::string_view entryText = {});
  [[nodiscard]] static EditorValue Address(std::uint32_t hostOrder);
};

enum class EditResult {
  Accepted,   // stored (or, for the current password, recognised)
  Refused,    // the check failed; the record is unchanged and the warning says why
  NoChange,   // nothing to do: no handling for the id, an empty password, a combo with no selection
};

struct EditOutcome {
  EditResult result = EditResult::NoChange;
  std::string_view warning;  // the text for the "Warning" box; empty unless refused

  friend bool operator==(const EditOutcome&, const EditOutcome&) = default;
};

// Judges one committed edit of the configuration page and stores it in the record
// when it passes, setting the page flags as the item's row says. It shows nothing:
// the caller shows the warning and redraws the page from the record either way.
[[nodiscard]] EditOutcome ApplyPropertyEdit(int commandId, const EditorValue& value, EncoderConfiguration& record,
                                            PageFlags& flags);

}  // namespace kestrine::config
