#include "config/FieldAssignment.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"

namespace kestrine::config {
namespace {

const std::set<std::string_view> kNotSettable{"version",     "old_password",  "new_password",
                                              "video_bitrate", "TS_bitrate", "sdi_exist_group"};

TEST(FindSettableItem, EveryPrintedFieldButSixIsSettable) {
  for (const RecordField& field : RecordFields()) {
    const SettableItemLookup lookup = FindSettableItem(field.name);
    if (kNotSettable.contains(field.name)) {
      EXPECT_EQ(lookup.row, nullptr) << field.name;
      EXPECT_NE(lookup.error.find("cannot be set"), std::string::npos) << lookup.error;
    } else {
      ASSERT_NE(lookup.row, nullptr) << field.name;
      EXPECT_EQ(lookup.row->field, field.name);
      EXPECT_TRUE(lookup.error.empty());
    }
  }
  EXPECT_NE(FindSettableItem("new_password").error.find("--new-password"), std::string::npos);
  EXPECT_EQ(FindSettableItem("configurationRead").error, "unknown field \"configurationRead\"");
  EXPECT_EQ(FindSettableItem("Device Number").row, nullptr);  // labels are not field names
}

EditorValue Parse(std::string_view field, std::string_view text, const EncoderConfiguration& record = {}) {
  const EditorValueParse parsed = ParseEditorValue(*FindSettableItem(field).row, text, record);
  EXPECT_TRUE(parsed.value.has_value()) << field << "=" << text << ": " << parsed.error;
  return parsed.value.value_or(EditorValue{});
}

std::string ParseError(std::string_view field, std::string_view text, const EncoderConfiguration& record = {}) {
  const EditorValueParse parsed = ParseEditorValue(*FindSettableItem(field).row, text, record);
  EXPECT_FALSE(parsed.value.has_value()) << field << "=" << text;
  return parsed.error;
}

TEST(ParseEditorValue, ChoicesByTheirTextOrPosition) {
  for (const auto& [field, text, position] :
       {std::tuple{"video_input", "SDI", 1}, {"analog_channel_mode", "single", 1}, {"analog_left_volume", "+6db", 4},
        {"sdi_opt_group", "Group 2 A", 2}, {"lock_keyboard", "lock", 1}, {"restart", "yes", 1},
        {"multicast_mode", "rtp", 1}, {"audio_input", "1", 1}, {"sdi_volume", "06", 6}}) {
    const EditorValue value = Parse(field, text);
    EXPECT_EQ(value.choice, position) << field;
  }
  EXPECT_EQ(Parse("analog_mode", "0").text, "MPEG-1 Layer 2");  // a position carries its entry's text

  EXPECT_EQ(ParseError("video_input", "sdi"),
            "video_input: \"sdi\" is not one of \"CVBS\", \"SDI\" (or a position 0..1)");
  ParseError("video_input", "2");
  ParseError("video_input", "-1");
  ParseError("video_input", "");
  ParseError("rate_mode", "1");        // VBR is not offered
  ParseError("sdi_volume", "+24db");   // only the first seven steps
}

TEST(ParseEditorValue, AudioBitratesAreTheEntriesOfTheRecordsChannelMode) {
  EncoderConfiguration single{};
  single.analog_channel_mode = 3;
  EXPECT_EQ(Parse("analog_bitrate", "96").choice, 1);
  EXPECT_EQ(Parse("analog_bitrate", "96", single).choice, 5);
  EXPECT_EQ(Parse("analog_bitrate", "2").text, "112");  // no entry reads "2": a position
  ParseError("analog_bitrate", "384", single);
  ParseError("analog_bitrate", "100");
}

TEST(ParseEditorValue, AddressesAreStrictDottedQuads) {
  EXPECT_EQ(Parse("multicast_ip", "239.1.2.3").hostAddress, 0xEF010203u);
  EXPECT_EQ(ParseError("ipAddr", "10.1.2"), "ipAddr: \"10.1.2\" is not a dotted-quad IPv4 address");
  ParseError("ipGate", "0x0A.0.0.1");
}

TEST(ParseEditorValue, NumbersAndTextsGoToTheRulesAsTyped) {
  EncoderConfiguration record{};
  record.sequence_number = 5;
  PageFlags flags{};
  EXPECT_EQ(Parse("sequence_number", "abc").text, "abc");
  EXPECT_EQ(ApplyPropertyEdit(item_id::kDeviceNumber, Parse("sequence_number", "abc"), record, flags).result,
            EditResult::Accepted);
  EXPECT_EQ(record.sequence_number, 0);  // judged as 0, as on the page
  EXPECT_EQ(Parse("prg_name", "News 24 = live").text, "News 24 = live");
}

TEST(ParseFieldAssignment, SplitsAtTheFirstEqualsSign) {
  const FieldAssignment name = ParseFieldAssignment("prg_name=a=b");
  ASSERT_NE(name.row, nullptr) << name.error;
  EXPECT_EQ(name.row->commandId, item_id::kServiceName);
  EXPECT_EQ(name.valueText, "a=b");
  EXPECT_NE(ParseFieldAssignment("prg_name=").row, nullptr);

  EXPECT_EQ(ParseFieldAssignment("video_input").error, "\"video_input\" is not FIELD=VALUE");
  EXPECT_EQ(ParseFieldAssignment("=SDI").row, nullptr);
  EXPECT_EQ(ParseFieldAssignment("TS_bitrate=5").error, "field \"TS_bitrate\" cannot be set");
  EXPECT_EQ(ParseFieldAssignment("video_input=HDMI").row, nullptr);
  EXPECT_EQ(ParseFieldAssignment("ipAddr=1.2.3.4.5").row, nullptr);
}

TEST(ParseFieldAssignment, AnAudioBitrateOfEitherListPassesBeforeTheRecordIsKnown) {
  EXPECT_NE(ParseFieldAssignment("analog_bitrate=48").row, nullptr);   // single only
  EXPECT_NE(ParseFieldAssignment("analog_bitrate=384").row, nullptr);  // stereo only
  EXPECT_EQ(ParseFieldAssignment("analog_bitrate=100").error,
            "analog_bitrate: \"100\" is not an audio bitrate of either channel mode");

  // Applied in order, a switch to single makes 48 one of the entries.
  EncoderConfiguration record{};
  PageFlags flags{};
  ASSERT_EQ(ApplyPropertyEdit(item_id::kChannelMode, Parse("analog_channel_mode", "single"), record, flags).result,
            EditResult::Accepted);
  EXPECT_EQ(ApplyPropertyEdit(item_id::kAudioBitrate, Parse("analog_bitrate", "48", record), record, flags).result,
            EditResult::Accepted);
  EXPECT_EQ(record.analog_bitrate, 48);
}

}  // namespace
}  // namespace kestrine::config
