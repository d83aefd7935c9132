#include "config/ConfigurationOverlay.h"

#include <algorithm>
#include <array>
#include <optional>

#include "config/ConfigurationTables.h"
#include "config/DecimalText.h"
#include "config/DocumentFields.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

struct CopiedSetting {
  std::string_view field;
  bool network;              // copied only onto a replacement unit
  bool unitAddress = false;  // the unit's own address, mask or gateway: never 0.0.0.0 nor 255.255.255.255
};

// Never copied: what identifies or guards one unit (sequence_number, the passwords), actions rather
// than settings (restart, default_parameter), and what an encoder reports but does not take.
constexpr std::array kCopied{
    CopiedSetting{"ipAddr", true, true},    CopiedSetting{"ipMask", true, true},
    CopiedSetting{"ipGate", true, true},    CopiedSetting{"multicast_ip", true},
    CopiedSetting{"multicast_port", true},  CopiedSetting{"multicast_mode", false},
    CopiedSetting{"lock_keyboard", false},  CopiedSetting{"video_input", false},
    CopiedSetting{"rate_mode", false},      CopiedSetting{"cvbs_brightness", false},
    CopiedSetting{"cvbs_contrast", false},  CopiedSetting{"cvbs_saturation", false},
    CopiedSetting{"cvbs_hue", false},       CopiedSetting{"audio_input", false},
    CopiedSetting{"analog_left_volume", false}, CopiedSetting{"analog_right_volume", false},
    CopiedSetting{"analog_bitrate", false}, CopiedSetting{"analog_mode", false},
    CopiedSetting{"analog_channel_mode", false}, CopiedSetting{"sdi_volume", false},
    CopiedSetting{"sdi_opt_group", false},  CopiedSetting{"Audio_Delay", false},
    CopiedSetting{"mux_bitrate", false},    CopiedSetting{"program_no", false},
    CopiedSetting{"pmt_pid", false},        CopiedSetting{"pcr_pid", false},
    CopiedSetting{"video_pid", false},      CopiedSetting{"audio_pid", false},
    CopiedSetting{"prg_name", false},       CopiedSetting{"prg_provider_name", false},
};

const CopiedSetting* FindCopied(std::string_view field, OverlayScope scope) {
  const auto found = std::find_if(kCopied.begin(), kCopied.end(), [&](const auto& c) { return c.field == field; });
  if (found == kCopied.end() || (found->network && scope != OverlayScope::SettingsAndNetwork)) return nullptr;
  return &*found;
}

bool IsCopied(std::string_view field, OverlayScope scope) { return FindCopied(field, scope) != nullptr; }

// Why a copied address cannot be taken as the document carries it; none when it can.
std::optional<std::string> JudgeSavedAddress(const CopiedSetting& setting, const RecordField& field,
                                             const EncoderConfiguration& saved, const DocumentFields& carried) {
  switch (carried.Of(field)) {
    case FieldReading::Absent:
      return std::nullopt;  // the target keeps its own
    case FieldReading::WithoutText:
      return "empty";
    case FieldReading::Unconverted:
      return "not an IPv4 address";
    case FieldReading::Stored:
      break;
  }
  const std::uint32_t address = saved.*field.address;
  if (setting.unitAddress && (address == 0 || address == platform::kInaddrNone)) {
    return platform::FormatIpv4(address) + " cannot be an encoder's " + std::string(field.name);
  }
  return std::nullopt;
}

void CopyField(const RecordField& field, const EncoderConfiguration& source, EncoderConfiguration& target) {
  switch (field.kind) {
    case FieldKind::Number:
      target.*field.number = source.*field.number;
      break;
    case FieldKind::Address:
      target.*field.address = source.*field.address;
      break;
    case FieldKind::Text:
      StoreText(TextField(field, target), TextOf(TextField(field, source)));
      break;
  }
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// `value` is not a position the combo offers: name the ones it does.
std::string NotAChoice(std::int32_t value, std::span<const std::string_view> options) {
  std::string text = FormatDecimal(value) + " is not one of the page's choices:";
  for (std::size_t i = 0; i < options.size(); ++i) {
    text += (i == 0 ? " " : ", ") + std::to_string(i) + " " + Quoted(options[i]);
  }
  return text;
}

std::optional<std::string> JudgeChoice(const PropertyItemRow& row, std::int32_t value,
                                       const EncoderConfiguration& record) {
  const auto options = ItemOptions(row, record);
  if (value >= 0 && static_cast<std::size_t>(value) < options.size()) return std::nullopt;
  return NotAChoice(value, options);
}

std::optional<std::string> JudgeChannelMode(std::int32_t value) {
  if (value == kChannelModeStereo || value == kChannelModeSingle) return std::nullopt;
  return FormatDecimal(value) + " is not one of the page's choices: " + FormatDecimal(kChannelModeStereo) + " " +
         Quoted(CHANNEL_MODE_OPTIONS[0]) + ", " + FormatDecimal(kChannelModeSingle) + " " +
         Quoted(CHANNEL_MODE_OPTIONS[1]);
}

// The audio bitrate is a combo whose entries follow the channel mode: beyond its range,
// the value must be one the record's own channel mode offers.
std::optional<std::string> JudgeOfferedBitrate(std::int32_t value, const EncoderConfiguration& record) {
  const auto offered = AudioBitrateOptions(record.analog_channel_mode);
  if (std::find(offered.begin(), offered.end(), FormatDecimal(value)) != offered.end()) return std::nullopt;
  const bool single = record.analog_channel_mode == kChannelModeSingle;
  std::string text = FormatDecimal(value) + " is not offered for the " +
                     std::string(CHANNEL_MODE_OPTIONS[single ? 1 : 0]) + " channel mode:";
  for (std::size_t i = 0; i < offered.size(); ++i) text += (i == 0 ? " " : ", ") + std::string(offered[i]);
  return text;
}

std::optional<std::string> JudgeRange(const PropertyItemRow& row, std::int32_t value) {
  if (value >= row.min && value <= row.max) return std::nullopt;
  return std::string(row.warnings[0]);
}

std::optional<std::string> JudgePid(const PropertyItemRow& row, std::int32_t pid, const EncoderConfiguration& record) {
  if (pid == 0) return std::nullopt;
  if (pid < row.min || pid > row.max) return std::string(row.warnings[0]);
  for (std::size_t i = 0; i < row.conflictsWith.size(); ++i) {
    if (record.*FindRecordField(row.conflictsWith[i])->number == pid) return std::string(row.warnings[i + 1]);
  }
  return std::nullopt;
}

// The page row's rule for one copied value, against the whole resulting record.
std::optional<std::string> JudgeField(const RecordField& field, const EncoderConfiguration& record) {
  const PropertyItemRow* row = FindItemByField(field.name);
  if (row == nullptr) return std::nullopt;
  switch (row->rule) {
    case EditRule::Range: {
      const std::int32_t value = record.*field.number;
      if (auto warning = JudgeRange(*row, value)) return warning;
      if (row->optionsFollowChannelMode) return JudgeOfferedBitrate(value, record);
      return std::nullopt;
    }
    case EditRule::TextLength:
      if (TextOf(TextField(field, record)).size() <= static_cast<std::size_t>(row->max)) return std::nullopt;
      return std::string(row->warnings[0]);
    case EditRule::Pid:
      return JudgePid(*row, record.*field.number, record);
    case EditRule::ChannelMode:
      return JudgeChannelMode(record.*field.number);
    case EditRule::Store:
      if (row->kind == ItemKind::Combo) return JudgeChoice(*row, record.*field.number, record);
      return std::nullopt;
    case EditRule::Ignore:
    case EditRule::CurrentPassword:
    case EditRule::NewPassword:
      break;
  }
  return std::nullopt;
}

bool ChangesBitrate(const RecordField& field) {
  const PropertyItemRow* row = FindItemByField(field.name);
  return row != nullptr && row->flagEffect == FlagEffect::BitrateModified;
}

}  // namespace

std::vector<std::string_view> CopiedSettings(OverlayScope scope) {
  std::vector<std::string_view> names;
  for (const RecordField& field : RecordFields()) {
    if (IsCopied(field.name, scope)) names.push_back(field.name);
  }
  return names;
}

ConfigurationOverlay OverlayConfiguration(const EncoderConfiguration& target, const EncoderConfiguration& source,
                                          OverlayScope scope) {
  return OverlayConfiguration(target, source, DocumentFields::Every(), scope);
}

std::vector<OverlayRefusal> JudgeSavedAddresses(const EncoderConfiguration& saved, const DocumentFields& carried,
                                                OverlayScope scope) {
  std::vector<OverlayRefusal> refusals;
  for (const RecordField& field : RecordFields()) {
    const CopiedSetting* setting = FindCopied(field.name, scope);
    if (setting == nullptr || field.kind != FieldKind::Address) continue;
    if (auto reason = JudgeSavedAddress(*setting, field, saved, carried)) refusals.push_back({field.name, *reason});
  }
  return refusals;
}

ConfigurationOverlay OverlayConfiguration(const EncoderConfiguration& target, const EncoderConfiguration& source,
                                          const DocumentFields& carried, OverlayScope scope) {
  ConfigurationOverlay overlay{target, {}, {}, false};
  for (const RecordField& field : RecordFields()) {
    if (IsCopied(field.name, scope) && carried.Carries(field)) CopyField(field, source, overlay.record);
  }
  for (const RecordField& field : RecordFields()) {
    if (!IsCopied(field.name, scope)) continue;
    if (auto warning = JudgeField(field, overlay.record)) overlay.refusals.push_back({field.name, std::move(*warning)});
    std::string before = FormatFieldValue(field, target);
    std::string after = FormatFieldValue(field, overlay.record);
    if (before == after) continue;
    overlay.bitrateChanged = overlay.bitrateChanged || ChangesBitrate(field);
    overlay.changes.push_back({&field, std::move(before), std::move(after)});
  }
  return overlay;
}

}  // namespace kestrine::config
