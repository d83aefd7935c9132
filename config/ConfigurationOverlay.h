#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/EncoderConfiguration.h"

namespace kestrine::config {

class DocumentFields;
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

// Copies the settings that `source` carries onto `target` as they are (the
// channel mode does not reset a copied audio bitrate); a setting it does not
// carry keeps the target's value. Then judges every copied setting against the
// resulting record with the page's rules: ranges, text lengths, the choices the
// page offers, and the four PIDs distinct among themselves. Judging the whole
// record, not edit after edit, means a valid configuration never fails for the
// order its fields are applied in.
[[nodiscard]] ConfigurationOverlay OverlayConfiguration(const EncoderConfiguration& target,
                                                        const EncoderConfiguration& source,
                                                        const DocumentFields& carried, OverlayScope scope);
// A source that carries every field.
[[nodiscard]] ConfigurationOverlay OverlayConfiguration(const EncoderConfiguration& target,
                                                        const EncoderConfiguration& source, OverlayScope scope);

// Why a saved configuration cannot go onto any encoder in this scope, before one is contacted: a
// copied address that its document carries without text or as text that does not parse, or
// 0.0.0.0 / 255.255.255.255 as a unit's own address, mask or gateway. Empty: it can.
[[nodiscard]] std::vector<OverlayRefusal> JudgeSavedAddresses(const EncoderConfiguration& saved,
                                                              const DocumentFields& carried, OverlayScope scope);

}  // namespace kestrine::config
