#include "config/FieldAssignment.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <span>

#include "config/ConfigurationTables.h"
#include "config/EncoderConfiguration.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

// Shown by `show`, but not settable: reported by the encoder, derived, or set through the password options.
constexpr std::array<std::string_view, 4> kReportedFields{"version", "video_bitrate", "TS_bitrate",
                                                          "sdi_exist_group"};
constexpr std::array<std::string_view, 2> kPasswordFields{"old_password", "new_password"};

bool Contains(std::span<const std::string_view> names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A position written as plain decimal digits, or nullopt.
std::optional<int> ParsePosition(std::string_view text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  int position = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), position);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return position;
}

std::optional<int> FindChoice(std::span<const std::string_view> options, std::string_view text) {
  const auto found = std::find(options.begin(), options.end(), text);
  if (found != options.end()) return static_cast<int>(found - options.begin());
  const auto position = ParsePosition(text);
  if (position && static_cast<std::size_t>(*position) < options.size()) return position;
  return std::nullopt;
}

std::string NotAnOption(const PropertyItemRow& row, std::string_view text, std::span<const std::string_view> options) {
  std::string message = std::string(row.field) + ": " + Quoted(text) + " is not one of ";
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (i > 0) message += ", ";
    message += Quoted(options[i]);
  }
  return message + " (or a position 0.." + std::to_string(options.size() - 1) + ")";
}

EditorValueParse ParseChoice(const PropertyItemRow& row, std::string_view text, const EncoderConfiguration& record) {
  const auto options = ItemOptions(row, record);
  const auto position = FindChoice(options, text);
  if (!position) return {std::nullopt, NotAnOption(row, text, options)};
  return {EditorValue::Choice(*position, options[static_cast<std::size_t>(*position)]), {}};
}

EditorValueParse ParseAddress(const PropertyItemRow& row, std::string_view text) {
  std::uint32_t networkOrder = 0;
  if (!platform::ParseDottedQuad(text, networkOrder)) {
    return {std::nullopt, std::string(row.field) + ": " + Quoted(text) + " is not a dotted-quad IPv4 address"};
  }
  return {EditorValue::Address(platform::NetworkToHost32(networkOrder)), {}};
}

// Before any record is read the channel mode is unknown: an audio bitrate of either list will do.
std::string UsageError(const PropertyItemRow& row, std::string_view text) {
  EncoderConfiguration stereo{};
  stereo.analog_channel_mode = kChannelModeStereo;
  const EditorValueParse parsed = ParseEditorValue(row, text, stereo);
  if (parsed.value || !row.optionsFollowChannelMode) return parsed.error;
  EncoderConfiguration single{};
  single.analog_channel_mode = kChannelModeSingle;
  if (ParseEditorValue(row, text, single).value) return {};
  return std::string(row.field) + ": " + Quoted(text) + " is not an audio bitrate of either channel mode";
}

}  // namespace

SettableItemLookup FindSettableItem(std::string_view field) {
  if (Contains(kPasswordFields, field)) {
    return {nullptr, "field " + Quoted(field) + " cannot be set (use --password and --new-password)"};
  }
  if (Contains(kReportedFields, field)) return {nullptr, "field " + Quoted(field) + " cannot be set"};
  const PropertyItemRow* row = FindItemByField(field);
  if (row == nullptr || row->commandId == item_id::kNone) return {nullptr, "unknown field " + Quoted(field)};
  return {row, {}};
}

EditorValueParse ParseEditorValue(const PropertyItemRow& row, std::string_view valueText,
                                  const EncoderConfiguration& record) {
  if (row.kind == ItemKind::Combo) return ParseChoice(row, valueText, record);
  if (row.kind == ItemKind::Address) return ParseAddress(row, valueText);
  return {EditorValue::Text(valueText), {}};
}

FieldAssignment ParseFieldAssignment(std::string_view argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string_view::npos || equals == 0) {
    return {nullptr, {}, Quoted(argument) + " is not FIELD=VALUE"};
  }
  const std::string_view field = argument.substr(0, equals);
  const std::string_view valueText = argument.substr(equals + 1);
  const SettableItemLookup lookup = FindSettableItem(field);
  if (lookup.row == nullptr) return {nullptr, {}, lookup.error};
  if (std::string error = UsageError(*lookup.row, valueText); !error.empty()) return {nullptr, {}, error};
  return {lookup.row, std::string(valueText), {}};
}

}  // namespace kestrine::config
