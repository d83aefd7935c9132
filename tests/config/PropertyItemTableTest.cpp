#include "config/PropertyItemTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

const PropertyItemRow& Row(int commandId) {
  const PropertyItemRow* row = FindItemById(commandId);
  EXPECT_NE(row, nullptr) << commandId;
  return *row;
}

// The rules reach fields by name: a misspelt or mistyped field would only show at the first edit.
TEST(PropertyItemTable, EveryRowNamesAFieldOfTheKindItsReadingNeeds) {
  std::set<int> ids;
  for (const PropertyItemRow& row : PropertyItemRows()) {
    const RecordField* field = FindRecordField(row.field);
    ASSERT_NE(field, nullptr) << row.label;
    if (row.commandId != item_id::kNone) {
      EXPECT_TRUE(ids.insert(row.commandId).second) << row.label;
    }
    const FieldKind expected = row.kind == ItemKind::Address ? FieldKind::Address
                               : row.reading == ValueReading::Text || row.kind == ItemKind::Static
                                   ? FieldKind::Text
                                   : FieldKind::Number;
    EXPECT_EQ(field->kind, expected) << row.label;
    EXPECT_EQ(row.kind == ItemKind::Combo, !row.options.empty()) << row.label;
    const bool checked = row.rule == EditRule::Range || row.rule == EditRule::Pid || row.rule == EditRule::TextLength;
    EXPECT_EQ(checked, !row.warnings[0].empty()) << row.label;
    for (std::size_t i = 0; i < row.conflictsWith.size(); ++i) {
      if (row.conflictsWith[i].empty()) continue;
      EXPECT_NE(FindRecordField(row.conflictsWith[i]), nullptr) << row.label;
      EXPECT_FALSE(row.warnings[i + 1].empty()) << row.label;
    }
  }
  EXPECT_EQ(PropertyItemRows().size(), 39u);
  EXPECT_EQ(ids.size(), 38u);
}

TEST(PropertyItemTable, CategoriesComeInPageOrder) {
  std::string order;
  for (const PropertyItemRow& row : PropertyItemRows()) {
    const std::string_view label = CategoryLabel(row.category);
    if (order.empty() || !order.ends_with(std::string(label) + ",")) order += std::string(label) + ",";
  }
  EXPECT_EQ(order, "System,MUX,Video,Audio,");
  EXPECT_EQ(PropertyItemRows().front().label, "version");
  EXPECT_EQ(PropertyItemRows().back().label, "Audio Delay (ms)");
  EXPECT_EQ(Row(item_id::kSdiVolume).label, "SDI volume ");
  EXPECT_EQ(Row(item_id::kSdiVolume).options.size(), 7u);
}

TEST(PropertyItemTable, SelectedPositionFollowsTheChannelMode) {
  const PropertyItemRow& bitrate = Row(item_id::kAudioBitrate);
  const PropertyItemRow& channel = Row(item_id::kChannelMode);
  EncoderConfiguration record{};
  record.analog_bitrate = 96;
  record.analog_channel_mode = 3;
  EXPECT_EQ(SelectedPosition(bitrate, record), 5);
  EXPECT_EQ(SelectedPosition(channel, record), 1);
  EXPECT_EQ(ItemOptions(bitrate, record).front(), "32");
  record.analog_channel_mode = 0;
  EXPECT_EQ(SelectedPosition(bitrate, record), 1);
  EXPECT_EQ(SelectedPosition(channel, record), 0);

  record.analog_bitrate = 64;
  EXPECT_EQ(SelectedPosition(bitrate, record), 0);
  record.analog_channel_mode = 3;
  EXPECT_EQ(SelectedPosition(bitrate, record), 3);
  record.analog_bitrate = 100;  // in neither list
  EXPECT_EQ(SelectedPosition(bitrate, record), 0);
}

TEST(PropertyItemTable, AValueWithoutAnEntrySelectsNothing) {
  EncoderConfiguration record{};
  record.rate_mode = 1;  // VBR is not offered
  record.audio_input = 2;
  EXPECT_EQ(SelectedPosition(Row(item_id::kBitrateType), record), -1);
  EXPECT_EQ(SelectedPosition(Row(item_id::kAudioInput), record), -1);
  EXPECT_EQ(ItemText(Row(item_id::kBitrateType), record, PageFlags{}), "");
  record.sdi_volume = 6;
  EXPECT_EQ(ItemText(Row(item_id::kSdiVolume), record, PageFlags{}), "+18db");
}

TEST(PropertyItemTable, ItemTexts) {
  EncoderConfiguration record{};
  record.Audio_Delay = -40;
  record.multicast_ip = platform::InetAddr("239.0.0.9");
  StoreText(record.old_password, "ULDRULDR");
  StoreText(record.new_password, "DDDDDDDD");
  const PageFlags locked{};
  const PageFlags accepted{false, true};

  EXPECT_EQ(ItemText(Row(item_id::kAudioDelay), record, locked), "-40");
  EXPECT_EQ(ItemText(Row(item_id::kMulticastIp), record, locked), "239.0.0.9");
  EXPECT_EQ(ItemHostAddress(Row(item_id::kMulticastIp), record), 0xEF000009u);
  EXPECT_EQ(ItemText(Row(item_id::kPassword), record, locked), "");
  EXPECT_EQ(ItemText(Row(item_id::kNewPassword), record, locked), "");
  EXPECT_EQ(ItemText(Row(item_id::kPassword), record, accepted), "ULDRULDR");
  EXPECT_EQ(ItemText(Row(item_id::kNewPassword), record, accepted), "DDDDDDDD");

  const PropertyItemRow& exist = Row(item_id::kSdiExistGroup);
  for (const auto& [mask, text] : {std::pair{5, "GROUP 1&3"}, {12, "GROUP 3&4"}, {15, "GROUP 1&2&3&4"},
                                   {0, "NONE GROUP"}, {16, ""}, {-1, ""}}) {
    record.sdi_exist_group = mask;
    EXPECT_EQ(ItemText(exist, record, locked), text) << mask;
  }
}

}  // namespace
}  // namespace kestrine::config
