#include "config/ConfigurationPageModel.h"

#include <gtest/gtest.h>

#include <string>

#include "config/EncoderConfiguration.h"
#include "config/PropertyItemTable.h"
#include "support/Gb18030.h"
#include "tests/support/SampleRecords.h"

namespace kestrine::config {
namespace {

constexpr std::string_view kSevenCharactersGb = "\xB2\xE2\xCA\xD4\xC6\xB5\xB5\xC0\xD2\xBB\xB6\xFE\xC8\xFD";

using samples::FullRecord;

const RowDisplay& Shown(const ConfigurationPageModel& model, int id) { return *model.RowById(id); }
bool ReadOnly(const ConfigurationPageModel& model, int id) { return Shown(model, id).readOnly; }

TEST(ConfigurationPageModel, RowsStartBlankAndRestartTakesEditsOnlyUntilTheFirstClear) {
  ConfigurationPageModel model;
  for (std::size_t i = 0; i < PropertyItemRows().size(); ++i) {
    const PropertyItemRow& row = PropertyItemRows()[i];
    EXPECT_EQ(model.RowAt(i).readOnly, row.readOnlyAtBuild) << row.label;
    EXPECT_TRUE(model.RowAt(i).text.empty()) << row.label;
    EXPECT_EQ(model.RowAt(i).position, -1) << row.label;
  }
  EXPECT_FALSE(ReadOnly(model, item_id::kRestart));
  model.Clear();
  EXPECT_TRUE(ReadOnly(model, item_id::kRestart));
  const EncoderConfiguration record = FullRecord();
  model.Show(&record);
  EXPECT_TRUE(ReadOnly(model, item_id::kRestart));
}

TEST(ConfigurationPageModel, ShowsEachFieldTheWayItsRowDoes) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  ConfigurationPageModel model;
  EncoderConfiguration record = FullRecord();
  model.Show(&record);
  EXPECT_EQ(Shown(model, item_id::kServiceName).text, "中央电视台");
  EXPECT_EQ(Shown(model, item_id::kDeviceNumber).text, "7");
  EXPECT_EQ(Shown(model, item_id::kAudioDelay).text, "-20");
  EXPECT_EQ(Shown(model, item_id::kIpAddress).hostAddress, 0xC0A8010Au);
  EXPECT_EQ(Shown(model, item_id::kSdiExistGroup).text, "GROUP 3&4");
  EXPECT_EQ(Shown(model, item_id::kAudioBitrate).position, 5);  // "192" in the stereo list
  EXPECT_EQ(Shown(model, item_id::kBitrateType).position, 0);

  record.sdi_exist_group = 16;
  record.rate_mode = 1;  // VBR: the list offers only CBR
  record.analog_channel_mode = 3;
  record.analog_bitrate = 64;
  model.Show(&record);
  EXPECT_EQ(Shown(model, item_id::kSdiExistGroup).text, "");
  EXPECT_EQ(Shown(model, item_id::kBitrateType).position, -1);
  EXPECT_EQ(Shown(model, item_id::kChannelMode).position, 1);
  EXPECT_EQ(Shown(model, item_id::kAudioBitrate).options.front(), "32");
  EXPECT_EQ(Shown(model, item_id::kAudioBitrate).position, 3);
  record.analog_bitrate = 100;  // in no list
  model.Show(&record);
  EXPECT_EQ(Shown(model, item_id::kAudioBitrate).position, 0);

  // The blank page keeps the list it had and selects nothing.
  model.Show(nullptr);
  EXPECT_EQ(Shown(model, item_id::kAudioBitrate).options.front(), "32");
  EXPECT_EQ(Shown(model, item_id::kAudioBitrate).position, -1);
  EXPECT_EQ(Shown(model, item_id::kServiceName).text, "");
  EXPECT_EQ(Shown(model, item_id::kIpAddress).hostAddress, 0u);
}

TEST(ConfigurationPageModel, InputsMakeTheRowsOfTheOtherInputReadOnly) {
  ConfigurationPageModel model;
  EncoderConfiguration record = FullRecord();
  const int volumes[] = {item_id::kLeftVolume, item_id::kRightVolume};
  const int sdi[] = {item_id::kSdiVolume, item_id::kSdiSelectGroup};
  const int cvbs[] = {item_id::kCvbsBrightness, item_id::kCvbsSaturation, item_id::kCvbsContrast, item_id::kCvbsHue};

  record.audio_input = 0;
  model.Show(&record);
  for (int id : volumes) EXPECT_FALSE(ReadOnly(model, id)) << id;
  for (int id : sdi) EXPECT_TRUE(ReadOnly(model, id)) << id;
  for (int id : cvbs) EXPECT_FALSE(ReadOnly(model, id)) << id;

  record.audio_input = 1;
  record.video_input = 1;
  model.Show(&record);
  for (int id : volumes) EXPECT_TRUE(ReadOnly(model, id)) << id;
  EXPECT_FALSE(ReadOnly(model, item_id::kSdiSelectGroup));
  EXPECT_TRUE(ReadOnly(model, item_id::kSdiVolume));  // read-only in every state
  for (int id : cvbs) EXPECT_TRUE(ReadOnly(model, id)) << id;

  record.audio_input = 2;
  model.Show(&record);
  for (int id : volumes) EXPECT_FALSE(ReadOnly(model, id)) << id;
  EXPECT_FALSE(ReadOnly(model, item_id::kSdiSelectGroup));

  model.Show(nullptr);
  for (int id : cvbs) EXPECT_FALSE(ReadOnly(model, id)) << id;
}

TEST(ConfigurationPageModel, PasswordRowsStayBlankUntilTheCurrentPasswordIsAccepted) {
  ConfigurationPageModel model;
  EncoderConfiguration record = FullRecord();
  model.Show(&record);
  EXPECT_EQ(Shown(model, item_id::kPassword).text, "");
  EXPECT_FALSE(model.PasswordRowsFilled().currentPasswordGiven);
  // A blank password row committed as shown is no password at all.
  EXPECT_EQ(model.CommitTyped(item_id::kPassword, EditorValue::Text(""), record).result, EditResult::NoChange);
  EXPECT_EQ(model.CommitTyped(item_id::kPassword, EditorValue::Text("UULLDDRU"), record).warning,
            "Password is incorrect!\n");
  model.Show(&record);
  EXPECT_EQ(Shown(model, item_id::kPassword).text, "");

  EXPECT_EQ(model.CommitTyped(item_id::kPassword, EditorValue::Text("UULLDDRR"), record).result,
            EditResult::Accepted);
  EXPECT_TRUE(model.Flags().passwordAccepted);
  model.Show(&record);
  EXPECT_EQ(Shown(model, item_id::kPassword).text, "UULLDDRR");
  EXPECT_EQ(Shown(model, item_id::kNewPassword).text, "RRDDLLUU");
  EXPECT_TRUE(model.PasswordRowsFilled().currentPasswordGiven);
  EXPECT_TRUE(model.PasswordRowsFilled().newPasswordGiven);

  // Another encoder's passwords stay hidden (and unwritable) until its own password is typed.
  EncoderConfiguration other = FullRecord();
  StoreText(other.old_password, "DDDDDDDD");
  model.Show(&other);
  EXPECT_FALSE(model.Flags().passwordAccepted);
  EXPECT_EQ(Shown(model, item_id::kPassword).text, "");
  EXPECT_FALSE(model.PasswordRowsFilled().newPasswordGiven);
}

TEST(ConfigurationPageModel, TypedTextsAreJudgedAndStoredAsGbBytes) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  ConfigurationPageModel model;
  EncoderConfiguration record = FullRecord();
  model.Show(&record);
  EXPECT_EQ(model.CommitTyped(item_id::kProviderName, EditorValue::Text("测试频道一二三"), record).result,
            EditResult::Accepted);
  EXPECT_EQ(TextOf(record.prg_provider_name), kSevenCharactersGb);
  const EditOutcome refused =
      model.CommitTyped(item_id::kProviderName, EditorValue::Text("测试频道一二三四五六七"), record);
  EXPECT_EQ(refused.warning, "Provider Program name length should be less than 20 characters !");
  EXPECT_EQ(TextOf(record.prg_provider_name), kSevenCharactersGb);
}

TEST(ConfigurationPageModel, ATextCommittedAsShownKeepsBytesThatDoNotDecode) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  ConfigurationPageModel model;
  EncoderConfiguration record = FullRecord();
  const std::string odd = "A\xFF\xD6\xD0";
  StoreText(record.prg_name, odd);
  model.Show(&record);
  const std::string shown = Shown(model, item_id::kServiceName).text;
  EXPECT_EQ(shown, "A\xEF\xBF\xBD中");
  EXPECT_EQ(model.CommitTyped(item_id::kServiceName, EditorValue::Text(shown), record).result, EditResult::Accepted);
  EXPECT_EQ(TextOf(record.prg_name), odd);
  EXPECT_EQ(model.CommitTyped(item_id::kServiceName, EditorValue::Text(shown + "B"), record).result,
            EditResult::Accepted);
  EXPECT_NE(TextOf(record.prg_name), odd + "B");  // edited: the replacement character is now real text
}

}  // namespace
}  // namespace kestrine::config
