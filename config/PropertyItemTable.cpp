#include "config/PropertyItemTable.h"

#include <algorithm>
#include <array>

#include "config/ConfigurationTables.h"
#include "config/DecimalText.h"
#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

using enum ItemCategory;
using enum ItemKind;
namespace id = item_id;

constexpr std::string_view kPidDescription = " Between 0x0020 - 0x1FFE .";
constexpr std::int32_t kLowestPid = 32;
constexpr std::int32_t kHighestPid = 8190;

constexpr ReadOnlyWhile kWhileSdiVideo{"video_input", 1};
constexpr ReadOnlyWhile kWhileAnalogAudio{"audio_input", 0};
constexpr ReadOnlyWhile kWhileSdiAudio{"audio_input", 1};

constexpr std::array kCategories{
    CategoryRow{System, "System", PageSide::Left, true},
    CategoryRow{Mux, "MUX", PageSide::Left, false},
    CategoryRow{Video, "Video", PageSide::Right, false},
    CategoryRow{Audio, "Audio", PageSide::Right, false},
};

// clang-format off
constexpr std::array kRows{
    // System
    PropertyItemRow{.category = System, .label = "version", .kind = Static, .commandId = id::kNone,
                    .field = "version", .encoderOwned = true},
    PropertyItemRow{.category = System, .label = "Device Number", .kind = Number, .commandId = id::kDeviceNumber,
                    .field = "sequence_number", .reading = ValueReading::Number, .rule = EditRule::Range,
                    .min = 0, .max = 99, .warnings = {"DeviceID value should be small in 99 !"}},
    PropertyItemRow{.category = System, .label = "IP Address", .kind = Address, .commandId = id::kIpAddress,
                    .field = "ipAddr", .readOnlyAtBuild = true, .encoderOwned = true, .reading = ValueReading::Address,
                    .rule = EditRule::Store},
    PropertyItemRow{.category = System, .label = "IP Mask", .kind = Address, .commandId = id::kIpMask,
                    .field = "ipMask", .readOnlyAtBuild = true, .encoderOwned = true, .reading = ValueReading::Address,
                    .rule = EditRule::Store},
    PropertyItemRow{.category = System, .label = "IP Gate", .kind = Address, .commandId = id::kIpGate,
                    .field = "ipGate", .readOnlyAtBuild = true, .encoderOwned = true, .reading = ValueReading::Address,
                    .rule = EditRule::Store},
    PropertyItemRow{.category = System, .label = "Keyboard lock", .kind = Combo, .commandId = id::kKeyboardLock,
                    .field = "lock_keyboard", .options = KEYBOARD_LOCK_OPTIONS, .reading = ValueReading::Choice,
                    .rule = EditRule::Store},
    PropertyItemRow{.category = System, .label = "Password", .kind = Edit, .commandId = id::kPassword,
                    .field = "old_password", .reading = ValueReading::Text, .rule = EditRule::CurrentPassword,
                    .flagEffect = FlagEffect::PasswordAccepted},
    PropertyItemRow{.category = System, .label = "New Password", .kind = Edit, .commandId = id::kNewPassword,
                    .field = "new_password", .reading = ValueReading::Text, .rule = EditRule::NewPassword},
    PropertyItemRow{.category = System, .label = "Multicast Ip", .kind = Address, .commandId = id::kMulticastIp,
                    .field = "multicast_ip", .reading = ValueReading::Address, .rule = EditRule::Store},
    PropertyItemRow{.category = System, .label = "Multicast Port", .kind = Number, .commandId = id::kMulticastPort,
                    .field = "multicast_port", .reading = ValueReading::Number, .rule = EditRule::Range,
                    .min = 0, .max = 9999, .warnings = {" port should be between 0--9999!"}},
    PropertyItemRow{.category = System, .label = "Multicast Mode", .kind = Combo, .commandId = id::kMulticastMode,
                    .field = "multicast_mode", .options = MULTICAST_MODE_OPTIONS, .readOnlyAtBuild = true,
                    .encoderOwned = true, .reading = ValueReading::Choice, .rule = EditRule::Store},
    PropertyItemRow{.category = System, .label = "Default Set", .kind = Combo, .commandId = id::kDefaultSet,
                    .field = "default_parameter", .options = NO_YES_OPTIONS, .reading = ValueReading::Choice,
                    .rule = EditRule::Store, .flagEffect = FlagEffect::BitrateModified},
    PropertyItemRow{.category = System, .label = "Restart", .kind = Combo, .commandId = id::kRestart,
                    .field = "restart", .options = NO_YES_OPTIONS, .readOnlyOnceShown = true,
                    .reading = ValueReading::Choice,
                    .rule = EditRule::Store},

    // MUX
    PropertyItemRow{.category = Mux, .label = "Program Number", .kind = Number, .commandId = id::kProgramNumber,
                    .field = "program_no", .readOnlyAtBuild = true, .reading = ValueReading::Number,
                    .rule = EditRule::Range, .min = 0, .max = 65535,
                    .warnings = {"Program Number must less than 65535 !"}},
    PropertyItemRow{.category = Mux, .label = "Program Bitrate(kbps)", .kind = Number,
                    .commandId = id::kProgramBitrate, .field = "mux_bitrate",
                    .description = "When Program_Bitrate changed , Video_Bitrate will also be changed.\n"
                                   "Between 548 - 9999 ",
                    .reading = ValueReading::Number, .rule = EditRule::Range, .min = 548, .max = 9999,
                    .warnings = {"Bitrate should be between 548 and 9999 !"},
                    .flagEffect = FlagEffect::BitrateModified},
    PropertyItemRow{.category = Mux, .label = "Pmt Pid", .kind = Number, .commandId = id::kPmtPid,
                    .field = "pmt_pid", .description = kPidDescription, .reading = ValueReading::Number,
                    .rule = EditRule::Pid, .min = kLowestPid, .max = kHighestPid,
                    .warnings = {"Pmt_Pid value should be between 32 and 8190 !",
                                 "Pmt_Pid conflict with Program Pcr_Pid !",
                                 "Pmt_Pid conflict with Program Video_Pid !",
                                 "Pmt_Pid conflict with Program Audio_Pid !"},
                    .conflictsWith = {"pcr_pid", "video_pid", "audio_pid"}},
    PropertyItemRow{.category = Mux, .label = "Pcr Pid", .kind = Number, .commandId = id::kPcrPid,
                    .field = "pcr_pid", .description = kPidDescription, .reading = ValueReading::Number,
                    .rule = EditRule::Pid, .min = kLowestPid, .max = kHighestPid,
                    .warnings = {"Pcr_Pid value should be between 32 and 8190 !",
                                 "Pcr_Pid conflict with Program's Pmt_Pid !",
                                 "Pcr_Pid conflict with Program's Audio_Pid !",
                                 "Pcr_Pid conflict with Program's Video_Pid !"},
                    .conflictsWith = {"pmt_pid", "audio_pid", "video_pid"}},
    PropertyItemRow{.category = Mux, .label = "Service Name", .kind = Edit, .commandId = id::kServiceName,
                    .field = "prg_name", .reading = ValueReading::Text, .rule = EditRule::TextLength, .max = 20,
                    .warnings = {"Program name length should be less than 20 characters !"}},
    PropertyItemRow{.category = Mux, .label = "Provider Name", .kind = Edit, .commandId = id::kProviderName,
                    .field = "prg_provider_name", .reading = ValueReading::Text, .rule = EditRule::TextLength,
                    .max = 20, .warnings = {"Provider Program name length should be less than 20 characters !"}},

    // Video
    PropertyItemRow{.category = Video, .label = "Video Input", .kind = Combo, .commandId = id::kVideoInput,
                    .field = "video_input", .options = VIDEO_INPUT_OPTIONS, .reading = ValueReading::Choice,
                    .rule = EditRule::Store},
    PropertyItemRow{.category = Video, .label = "Video Pid", .kind = Number, .commandId = id::kVideoPid,
                    .field = "video_pid", .description = kPidDescription, .reading = ValueReading::Number,
                    .rule = EditRule::Pid, .min = kLowestPid, .max = kHighestPid,
                    .warnings = {"Video_Pid value should be between 32 and 8190 !",
                                 "Video_Pid conflict with Program's Pmt_Pid !",
                                 "Video_Pid conflict with Program's Audio_Pid !",
                                 "Video_Pid conflict with Program's Pcr_Pid !"},
                    .conflictsWith = {"pmt_pid", "audio_pid", "pcr_pid"}},
    PropertyItemRow{.category = Video, .label = "Bitrate Type", .kind = Combo, .commandId = id::kBitrateType,
                    .field = "rate_mode", .options = RATE_MODE_OPTIONS, .reading = ValueReading::Choice,
                    .rule = EditRule::Store},
    PropertyItemRow{.category = Video, .label = "Bitrate(kbps)", .kind = Number, .commandId = id::kVideoBitrate,
                    .field = "video_bitrate", .readOnlyAtBuild = true, .reading = ValueReading::Number,
                    .rule = EditRule::Range, .min = 0, .max = 65535,
                    .warnings = {"Bitrate should be less than 65535 !"}},
    PropertyItemRow{.category = Video, .label = "TS Bitrate(kbps)", .kind = Number, .commandId = id::kTsBitrate,
                    .field = "TS_bitrate", .readOnlyAtBuild = true},
    PropertyItemRow{.category = Video, .label = "CVBS Brightness", .kind = Number,
                    .commandId = id::kCvbsBrightness, .field = "cvbs_brightness", .readOnlyWhile = kWhileSdiVideo,
                    .reading = ValueReading::Number, .rule = EditRule::Range, .min = 0, .max = 255,
                    .warnings = {"Video light value should be between 0 and 255 !"}},
    PropertyItemRow{.category = Video, .label = "CVBS Saturation", .kind = Number,
                    .commandId = id::kCvbsSaturation, .field = "cvbs_saturation", .readOnlyWhile = kWhileSdiVideo,
                    .reading = ValueReading::Number, .rule = EditRule::Range, .min = 0, .max = 255,
                    .warnings = {"Video Saturation value should be between 0 and 255 !"}},
    PropertyItemRow{.category = Video, .label = "CVBS Contrast", .kind = Number, .commandId = id::kCvbsContrast,
                    .field = "cvbs_contrast", .readOnlyWhile = kWhileSdiVideo, .reading = ValueReading::Number,
                    .rule = EditRule::Range, .min = 0, .max = 255,
                    .warnings = {"Video Contrast value should be between 0 and 255 !"}},
    PropertyItemRow{.category = Video, .label = "CVBS Hue", .kind = Number, .commandId = id::kCvbsHue,
                    .field = "cvbs_hue", .readOnlyWhile = kWhileSdiVideo, .reading = ValueReading::Number,
                    .rule = EditRule::Range, .min = 0, .max = 255,
                    .warnings = {"Video Hue value should be between 0 and 255 !"}},

    // Audio
    PropertyItemRow{.category = Audio, .label = "Audio Input", .kind = Combo, .commandId = id::kAudioInput,
                    .field = "audio_input", .options = AUDIO_INPUT_OPTIONS,
                    .description = "If select 'analog' , SDI_Select_Group is readonly.\n"
                                   "If select 'SDI' , Left_Volume and Right_Volume are readonly.",
                    .reading = ValueReading::Choice, .rule = EditRule::Store},
    PropertyItemRow{.category = Audio, .label = "Audio Pid", .kind = Number, .commandId = id::kAudioPid,
                    .field = "audio_pid", .description = kPidDescription, .reading = ValueReading::Number,
                    .rule = EditRule::Pid, .min = kLowestPid, .max = kHighestPid,
                    .warnings = {"Audio_Pid value should be between 32 and 8190 !",
                                 "Audio_Pid conflict with Program's Pmt_Pid !",
                                 "Audio_Pid conflict with Program's Pcr_Pid !",
                                 "Audio_Pid conflict with Program's Video_Pid !"},
                    .conflictsWith = {"pmt_pid", "pcr_pid", "video_pid"}},
    PropertyItemRow{.category = Audio, .label = "Left Volume", .kind = Combo, .commandId = id::kLeftVolume,
                    .field = "analog_left_volume", .options = VOLUME_STEPS, .readOnlyWhile = kWhileSdiAudio,
                    .reading = ValueReading::Choice, .rule = EditRule::Store},
    PropertyItemRow{.category = Audio, .label = "Right Volume", .kind = Combo, .commandId = id::kRightVolume,
                    .field = "analog_right_volume", .options = VOLUME_STEPS, .readOnlyWhile = kWhileSdiAudio,
                    .reading = ValueReading::Choice, .rule = EditRule::Store},
    PropertyItemRow{.category = Audio, .label = "Bitrate(kbps)", .kind = Combo, .commandId = id::kAudioBitrate,
                    .field = "analog_bitrate", .options = STEREO_AUDIO_BITRATES, .optionsFollowChannelMode = true,
                    .reading = ValueReading::Number, .rule = EditRule::Range, .min = 0, .max = 65535,
                    .warnings = {"Bitrate must less than 65535 !"}, .flagEffect = FlagEffect::BitrateModified},
    PropertyItemRow{.category = Audio, .label = "Encode Mode", .kind = Combo, .commandId = id::kEncodeMode,
                    .field = "analog_mode", .options = ENCODE_MODE_OPTIONS, .reading = ValueReading::Choice,
                    .rule = EditRule::Store, .flagEffect = FlagEffect::BitrateModified},
    PropertyItemRow{.category = Audio, .label = "Channel Mode", .kind = Combo, .commandId = id::kChannelMode,
                    .field = "analog_channel_mode", .options = CHANNEL_MODE_OPTIONS, .reading = ValueReading::Choice,
                    .rule = EditRule::ChannelMode, .flagEffect = FlagEffect::BitrateModified},
    PropertyItemRow{.category = Audio, .label = "SDI volume ", .kind = Combo, .commandId = id::kSdiVolume,
                    .field = "sdi_volume", .options = SDI_VOLUME_STEPS, .readOnlyAtBuild = true,
                    .readOnlyWhile = kWhileAnalogAudio, .reading = ValueReading::Choice, .rule = EditRule::Store},
    PropertyItemRow{.category = Audio, .label = "SDI Select Group", .kind = Combo, .commandId = id::kSdiSelectGroup,
                    .field = "sdi_opt_group", .options = SDI_GROUP_NAMES, .readOnlyWhile = kWhileAnalogAudio,
                    .reading = ValueReading::Choice, .rule = EditRule::Store},
    PropertyItemRow{.category = Audio, .label = "SDI Exist Group", .kind = Edit, .commandId = id::kSdiExistGroup,
                    .field = "sdi_exist_group", .readOnlyAtBuild = true},
    PropertyItemRow{.category = Audio, .label = "Audio Delay (ms)", .kind = Edit, .commandId = id::kAudioDelay,
                    .field = "Audio_Delay", .description = "between -100ms - 0ms ", .reading = ValueReading::Number,
                    .rule = EditRule::Range, .min = -100, .max = 0,
                    .warnings = {"AudioDelay value should be between -100 and 0 !"}},
};
// clang-format on

std::string_view OptionAt(std::span<const std::string_view> options, int position) {
  if (position < 0 || static_cast<std::size_t>(position) >= options.size()) return {};
  return options[static_cast<std::size_t>(position)];
}

bool IsPasswordRow(const PropertyItemRow& row) {
  return row.commandId == item_id::kPassword || row.commandId == item_id::kNewPassword;
}

}  // namespace

std::span<const CategoryRow> PropertyCategories() { return kCategories; }

std::string_view CategoryLabel(ItemCategory category) {
  const auto found = std::find_if(kCategories.begin(), kCategories.end(),
                                  [&](const CategoryRow& bar) { return bar.category == category; });
  return found == kCategories.end() ? std::string_view() : found->label;
}

bool IsRowReadOnly(const PropertyItemRow& row, bool shownOnce, const EncoderConfiguration* record) {
  if (row.readOnlyAtBuild || (row.readOnlyOnceShown && shownOnce)) return true;
  if (record == nullptr || row.readOnlyWhile.field.empty()) return false;
  const RecordField* field = FindRecordField(row.readOnlyWhile.field);
  return field != nullptr && field->kind == FieldKind::Number && record->*field->number == row.readOnlyWhile.value;
}

std::span<const PropertyItemRow> PropertyItemRows() { return kRows; }

const PropertyItemRow* FindItemById(int commandId) {
  if (commandId == item_id::kNone) return nullptr;
  const auto found =
      std::find_if(kRows.begin(), kRows.end(), [&](const auto& row) { return row.commandId == commandId; });
  return found == kRows.end() ? nullptr : &*found;
}

const PropertyItemRow* FindItemByField(std::string_view field) {
  const auto found = std::find_if(kRows.begin(), kRows.end(), [&](const auto& row) { return row.field == field; });
  return found == kRows.end() ? nullptr : &*found;
}

std::span<const std::string_view> AudioBitrateOptions(std::int32_t channelMode) {
  if (channelMode == kChannelModeSingle) return SINGLE_AUDIO_BITRATES;
  return STEREO_AUDIO_BITRATES;
}

std::span<const std::string_view> ItemOptions(const PropertyItemRow& row, const EncoderConfiguration& record) {
  if (row.optionsFollowChannelMode) return AudioBitrateOptions(record.analog_channel_mode);
  return row.options;
}

int SelectedPosition(const PropertyItemRow& row, const EncoderConfiguration& record) {
  if (row.kind != ItemKind::Combo) return -1;
  const RecordField* field = FindRecordField(row.field);
  if (field == nullptr || field->kind != FieldKind::Number) return -1;
  const std::int32_t value = record.*field->number;
  const auto options = ItemOptions(row, record);
  if (row.optionsFollowChannelMode) {
    const auto found = std::find(options.begin(), options.end(), FormatDecimal(value));
    return found == options.end() ? 0 : static_cast<int>(found - options.begin());
  }
  if (row.rule == EditRule::ChannelMode && value == kChannelModeSingle) return 1;
  return value >= 0 && static_cast<std::size_t>(value) < options.size() ? static_cast<int>(value) : -1;
}

std::string_view SdiExistGroupText(std::int32_t mask) {
  if (mask < 0 || static_cast<std::size_t>(mask) >= SDI_GROUP_MASK_NAMES.size()) return {};
  return SDI_GROUP_MASK_NAMES[static_cast<std::size_t>(mask)];
}

namespace {
// The mask names were written for a control that reads "&&" as one "&"; values are
// drawn literally now, so the row shows the name as the operator always saw it.
std::string ShownWithoutMnemonicEscapes(std::string_view name) {
  std::string shown;
  for (std::size_t i = 0; i < name.size(); ++i) {
    shown += name[i];
    if (name[i] == '&' && i + 1 < name.size() && name[i + 1] == '&') ++i;
  }
  return shown;
}
}  // namespace

std::string ItemText(const PropertyItemRow& row, const EncoderConfiguration& record, const PageFlags& flags) {
  if (row.kind == ItemKind::Combo) {
    return std::string(OptionAt(ItemOptions(row, record), SelectedPosition(row, record)));
  }
  if (row.commandId == item_id::kSdiExistGroup) return ShownWithoutMnemonicEscapes(SdiExistGroupText(record.sdi_exist_group));
  // The passwords stay off the page until the operator has shown he knows the current one.
  if (IsPasswordRow(row) && !flags.passwordAccepted) return {};
  const RecordField* field = FindRecordField(row.field);
  return field == nullptr ? std::string() : FormatFieldValue(*field, record);
}

std::uint32_t ItemHostAddress(const PropertyItemRow& row, const EncoderConfiguration& record) {
  const RecordField* field = FindRecordField(row.field);
  if (field == nullptr || field->kind != FieldKind::Address) return 0;
  return platform::NetworkToHost32(record.*field->address);
}

}  // namespace kestrine::config
