#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/EncoderConfiguration.h"

namespace kestrine::config {

struct RecordField;

// Which settings a saved configuration carries onto another encoder.
enum class OverlayScope {
  Settings,             // the stream's content: video, audio, multiplexer, the keyboard lock
  SettingsAndNetwork,   // also the encoder's addresses and the stream's destination (a replacement unit)
};

struct FieldChange {
  const RecordField* field = nullptr;
  std::string from;  // as `show` prints it
  std::string to;
};

struct OverlayRefusal {
  std::string_view field;
  std::string warning;  // the page rule's own text where it has one
};

struct ConfigurationOverlay {
  EncoderConfiguration record;           // the target with the copied settings in place
  std::vector<FieldChange> changes;      // copied settings whose value differs, in record order
  std::vector<OverlayRefusal> refusals;  // empty: the record may be written
  bool bitrateChanged = false;           // a change the page counts as changing the bitrate
};

// The names of the copied settings, in record order.
[[nodiscard]] std::vector<std::string_view> CopiedSettings(OverlayScope scope);

// Copies the settings from `source` onto `target` as they are (the channel mode
// does not reset a copied audio bitrate), then judges every copied value against
// the resulting record with the page's rules: ranges, text lengths, the choices
// the page offers, and the four PIDs distinct among themselves. Judging the
// whole record, not edit after edit, means a valid configuration never fails
// for the order its fields are applied in.
[[nodiscard]] ConfigurationOverlay OverlayConfiguration(const EncoderConfiguration& target,
                                                        const EncoderConfiguration& source, OverlayScope scope);

}  // namespace kestrine::config
