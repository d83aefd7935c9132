#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrine::config {

struct EncoderConfiguration;
struct PageFlags;

// Command ids by which the configuration page's items report a committed value.
namespace item_id {
inline constexpr int kNone = 0;  // the row sends nothing ("version")
inline constexpr int kDeviceNumber = 10001;
inline constexpr int kIpAddress = 10002;
inline constexpr int kIpMask = 10003;
inline constexpr int kIpGate = 10004;
inline constexpr int kMulticastIp = 10005;
inline constexpr int kMulticastPort = 10006;
inline constexpr int kMulticastMode = 10007;
inline constexpr int kPassword = 10008;
inline constexpr int kNewPassword = 10009;
inline constexpr int kKeyboardLock = 10010;
inline constexpr int kRestart = 10011;
inline constexpr int kDefaultSet = 10012;
inline constexpr int kProgramNumber = 10013;
inline constexpr int kProgramBitrate = 10014;
inline constexpr int kServiceName = 10015;
inline constexpr int kProviderName = 10016;
inline constexpr int kPmtPid = 10018;
inline constexpr int kPcrPid = 10019;
inline constexpr int kVideoPid = 10020;
inline constexpr int kVideoInput = 10021;
inline constexpr int kBitrateType = 10022;
inline constexpr int kVideoBitrate = 10023;
inline constexpr int kCvbsBrightness = 10024;
inline constexpr int kCvbsHue = 10025;
inline constexpr int kCvbsSaturation = 10026;
inline constexpr int kCvbsContrast = 10027;
inline constexpr int kTsBitrate = 10028;
inline constexpr int kAudioInput = 10037;
inline constexpr int kAudioPid = 10038;
inline constexpr int kLeftVolume = 10039;
inline constexpr int kRightVolume = 10040;
inline constexpr int kAudioBitrate = 10041;
inline constexpr int kEncodeMode = 10042;
inline constexpr int kChannelMode = 10043;
inline constexpr int kSdiVolume = 10044;
inline constexpr int kSdiSelectGroup = 10045;
inline constexpr int kSdiExistGroup = 10046;
inline constexpr int kAudioDelay = 10047;
}  // namespace item_id

enum class ItemCategory { System, Mux, Video, Audio };

// The page shows two property lists side by side.
enum class PageSide { Left, Right };

// A category bar of the page, in display order.
struct CategoryRow {
  ItemCategory category;
  std::string_view label;
  PageSide side;
  bool emphasised;  // the bar stands out from the others (the page's first category)
};

// The property tree item that shows the row. Edit items are plain, unmasked text
// (the password rows included); Number items only take digits from the keyboard.
enum class ItemKind { Static, Edit, Number, Combo, Address };

// How a committed value is taken from the item's editor.
enum class ValueReading {
  None,     // the row has no editor value to take
  Text,     // the editor's text, as bytes
  Number,   // Atoi of the editor's text (for a combo: of the selected entry's text)
  Choice,   // the selected position, counted from 0
  Address,  // the editor's host-order address, stored in network order
};

// The check a read value must pass before it is stored.
enum class EditRule {
  Ignore,           // the command changes nothing
  Store,            // no check
  Range,            // min..max inclusive
  TextLength,       // at most max bytes
  Pid,              // 0 silently; min..max; then the conflicts in order, first match wins
  CurrentPassword,  // compared with old_password; sets passwordAccepted, stores nothing
  NewPassword,      // stored in new_password
  ChannelMode,      // "single" stored as 3; the audio bitrate reset for the new mode
};

// A row that is read-only while another field of the shown record holds a value: the CVBS
// adjustments with an SDI video input, the volumes of the audio input not in use.
struct ReadOnlyWhile {
  std::string_view field{};  // empty: the row does not depend on another field
  std::int32_t value = 0;
};

enum class FlagEffect {
  None,
  BitrateModified,  // set whenever the item commits, whether or not the value is accepted
  PasswordAccepted, // set when the rule accepts the value
};

// One row of the configuration page, in display order: how it is shown and how
// an edit of it is judged. Shared by the page and by `kestrinectl set`.
struct PropertyItemRow {
  ItemCategory category;
  std::string_view label;  // exact, trailing blanks included
  ItemKind kind;
  int commandId;           // item_id::kNone for a row that sends nothing
  std::string_view field;  // the record field shown and edited (RecordFields name)
  std::span<const std::string_view> options{};  // combo entries as built; see ItemOptions
  bool optionsFollowChannelMode = false;        // the audio bitrate list depends on analog_channel_mode
  bool readOnlyAtBuild = false;
  // A value the encoder owns (its identity and network set-up): shown shaded, whatever its read-only state.
  bool encoderOwned = false;
  bool readOnlyOnceShown = false;  // read-only from the page's first clear on ("Restart")
  ReadOnlyWhile readOnlyWhile{};
  std::string_view description{};       // held by the item, not displayed
  ValueReading reading = ValueReading::None;
  EditRule rule = EditRule::Ignore;
  std::int32_t min = 0;  // Range, Pid: lowest accepted value
  std::int32_t max = 0;  // Range, Pid: highest accepted value; TextLength: longest text in bytes
  // The check's warning first; for the PID rule, then one per entry of conflictsWith.
  std::array<std::string_view, 4> warnings{};
  std::array<std::string_view, 3> conflictsWith{};  // PID rule: the other PID fields, in comparison order
  FlagEffect flagEffect = FlagEffect::None;
};

// The category bars in display order: "System" and "MUX" on the left, "Video" and "Audio" on the right.
[[nodiscard]] std::span<const CategoryRow> PropertyCategories();
// The category bar's label: "System", "MUX", "Video", "Audio".
[[nodiscard]] std::string_view CategoryLabel(ItemCategory category);

// Whether the row takes no edit on a page that has been cleared at least once (`shownOnce`) and shows
// `record` (none: the blank page).
[[nodiscard]] bool IsRowReadOnly(const PropertyItemRow& row, bool shownOnce, const EncoderConfiguration* record);

// Every row of the page in display order: System, MUX, Video, Audio.
[[nodiscard]] std::span<const PropertyItemRow> PropertyItemRows();
[[nodiscard]] const PropertyItemRow* FindItemById(int commandId);
[[nodiscard]] const PropertyItemRow* FindItemByField(std::string_view field);

// The entries the row's combo holds for this record (the audio bitrate list follows
// the channel mode); empty for rows that are not combos.
[[nodiscard]] std::span<const std::string_view> ItemOptions(const PropertyItemRow& row,
                                                            const EncoderConfiguration& record);

// The combo position that shows the record's value, or -1 for no selection.
// Channel mode 3 selects "single"; an audio bitrate missing from its list selects position 0.
[[nodiscard]] int SelectedPosition(const PropertyItemRow& row, const EncoderConfiguration& record);

// The audio bitrate list for the record's channel mode (the single list for 3, the stereo list otherwise).
[[nodiscard]] std::span<const std::string_view> AudioBitrateOptions(std::int32_t channelMode);

// "SDI Exist Group" shows the mask's name, and nothing for a mask outside 0..15.
[[nodiscard]] std::string_view SdiExistGroupText(std::int32_t mask);

// The text the row shows for the record: numbers in decimal, texts as stored,
// addresses dotted, a combo's selected entry (empty for none), the SDI exist
// group's mask name. The two password rows stay blank until the current password
// has been accepted.
[[nodiscard]] std::string ItemText(const PropertyItemRow& row, const EncoderConfiguration& record,
                                   const PageFlags& flags);

// An address row's value as its editor takes it: host order, first octet in the high byte.
[[nodiscard]] std::uint32_t ItemHostAddress(const PropertyItemRow& row, const EncoderConfiguration& record);

}  // namespace kestrine::config
