#include "config/EditRules.h"

#include <gtest/gtest.h>

#include <string>

#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "config/PropertyItemTable.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

namespace id = item_id;

class EditRules : public ::testing::Test {
 protected:
  EditOutcome Type(int commandId, std::string_view text) {
    return ApplyPropertyEdit(commandId, EditorValue::Text(text), record, flags);
  }
  EditOutcome Choose(int commandId, int position, std::string_view entry = {}) {
    return ApplyPropertyEdit(commandId, EditorValue::Choice(position, entry), record, flags);
  }
  // Refused with this warning, and the record left as it was.
  void ExpectRefused(int commandId, std::string_view text, std::string_view warning) {
    const EncoderConfiguration before = record;
    EXPECT_EQ(Type(commandId, text), (EditOutcome{EditResult::Refused, warning})) << text;
    EXPECT_EQ(record, before) << text;
  }

  EncoderConfiguration record{};
  PageFlags flags{};
};

constexpr EditOutcome kAccepted{EditResult::Accepted, {}};
constexpr EditOutcome kNoChange{EditResult::NoChange, {}};

TEST_F(EditRules, RangesIncludeBothEnds) {
  EXPECT_EQ(Type(id::kDeviceNumber, "99"), kAccepted);
  EXPECT_EQ(record.sequence_number, 99);
  ExpectRefused(id::kDeviceNumber, "100", "DeviceID value should be small in 99 !");

  EXPECT_EQ(Type(id::kAudioDelay, "-100"), kAccepted);
  EXPECT_EQ(record.Audio_Delay, -100);
  EXPECT_EQ(Type(id::kAudioDelay, "0"), kAccepted);
  EXPECT_EQ(record.Audio_Delay, 0);
  ExpectRefused(id::kAudioDelay, "1", "AudioDelay value should be between -100 and 0 !");
  ExpectRefused(id::kAudioDelay, "-101", "AudioDelay value should be between -100 and 0 !");

  EXPECT_EQ(Type(id::kMulticastPort, "9999"), kAccepted);
  ExpectRefused(id::kMulticastPort, "10000", " port should be between 0--9999!");
  EXPECT_EQ(Type(id::kCvbsHue, "255"), kAccepted);
  EXPECT_EQ(record.cvbs_hue, 255);
  ExpectRefused(id::kCvbsContrast, "256", "Video Contrast value should be between 0 and 255 !");
  ExpectRefused(id::kProgramNumber, "65536", "Program Number must less than 65535 !");
  ExpectRefused(id::kProgramNumber, "99999999999", "Program Number must less than 65535 !");  // saturates, no wrap
}

TEST_F(EditRules, ProgramBitrateSetsTheFlagWhetherOrNotAccepted) {
  for (const auto& [text, accepted] : {std::pair{"547", false}, {"548", true}, {"9999", true}, {"10000", false}}) {
    flags = {};
    record.mux_bitrate = 1000;
    const EditOutcome outcome = Type(id::kProgramBitrate, text);
    EXPECT_EQ(outcome.result, accepted ? EditResult::Accepted : EditResult::Refused) << text;
    EXPECT_EQ(record.mux_bitrate, accepted ? std::stoi(text) : 1000) << text;
    EXPECT_EQ(outcome.warning, accepted ? "" : "Bitrate should be between 548 and 9999 !") << text;
    EXPECT_TRUE(flags.bitrateModified) << text;
  }
}

TEST_F(EditRules, TextThatIsNotANumberIsJudgedAsZero) {
  record.sequence_number = 7;
  record.pmt_pid = 100;
  record.Audio_Delay = -50;
  EXPECT_EQ(Type(id::kDeviceNumber, "abc"), kAccepted);
  EXPECT_EQ(Type(id::kPmtPid, ""), kAccepted);
  EXPECT_EQ(Type(id::kAudioDelay, "ms"), kAccepted);
  EXPECT_EQ(record.sequence_number, 0);
  EXPECT_EQ(record.pmt_pid, 0);
  EXPECT_EQ(record.Audio_Delay, 0);
  ExpectRefused(id::kProgramBitrate, "fast", "Bitrate should be between 548 and 9999 !");

  EXPECT_EQ(Type(id::kDeviceNumber, " 42x"), kAccepted);  // atoi: blanks, then digits up to the first other byte
  EXPECT_EQ(record.sequence_number, 42);
}

TEST_F(EditRules, NamesAreLimitedTo20Bytes) {
  const std::string twenty(20, 'n');
  EXPECT_EQ(Type(id::kServiceName, twenty), kAccepted);
  EXPECT_EQ(TextOf(record.prg_name), twenty);
  ExpectRefused(id::kServiceName, twenty + "n", "Program name length should be less than 20 characters !");
  ExpectRefused(id::kProviderName, twenty + "p",
                "Provider Program name length should be less than 20 characters !");
  EXPECT_EQ(Type(id::kProviderName, ""), kAccepted);  // empty is stored; the writer sends "DVB" for it
}

struct PidCase {
  int commandId;
  std::int32_t EncoderConfiguration::*own;
  std::int32_t EncoderConfiguration::*others[3];  // in the order the item compares them
  const char* warnings[4];
};

const PidCase kPidCases[] = {
    {id::kPmtPid, &EncoderConfiguration::pmt_pid,
     {&EncoderConfiguration::pcr_pid, &EncoderConfiguration::video_pid, &EncoderConfiguration::audio_pid},
     {"Pmt_Pid value should be between 32 and 8190 !", "Pmt_Pid conflict with Program Pcr_Pid !",
      "Pmt_Pid conflict with Program Video_Pid !", "Pmt_Pid conflict with Program Audio_Pid !"}},
    {id::kPcrPid, &EncoderConfiguration::pcr_pid,
     {&EncoderConfiguration::pmt_pid, &EncoderConfiguration::audio_pid, &EncoderConfiguration::video_pid},
     {"Pcr_Pid value should be between 32 and 8190 !", "Pcr_Pid conflict with Program's Pmt_Pid !",
      "Pcr_Pid conflict with Program's Audio_Pid !", "Pcr_Pid conflict with Program's Video_Pid !"}},
    {id::kVideoPid, &EncoderConfiguration::video_pid,
     {&EncoderConfiguration::pmt_pid, &EncoderConfiguration::audio_pid, &EncoderConfiguration::pcr_pid},
     {"Video_Pid value should be between 32 and 8190 !", "Video_Pid conflict with Program's Pmt_Pid !",
      "Video_Pid conflict with Program's Audio_Pid !", "Video_Pid conflict with Program's Pcr_Pid !"}},
    {id::kAudioPid, &EncoderConfiguration::audio_pid,
     {&EncoderConfiguration::pmt_pid, &EncoderConfiguration::pcr_pid, &EncoderConfiguration::video_pid},
     {"Audio_Pid value should be between 32 and 8190 !", "Audio_Pid conflict with Program's Pmt_Pid !",
      "Audio_Pid conflict with Program's Pcr_Pid !", "Audio_Pid conflict with Program's Video_Pid !"}},
};

TEST_F(EditRules, PidRangeAndSilentZero) {
  for (const PidCase& pid : kPidCases) {
    record = {};
    EXPECT_EQ(Type(pid.commandId, "32"), kAccepted);
    EXPECT_EQ(record.*pid.own, 32);
    EXPECT_EQ(Type(pid.commandId, "8190"), kAccepted);
    EXPECT_EQ(record.*pid.own, 8190);
    ExpectRefused(pid.commandId, "31", pid.warnings[0]);
    ExpectRefused(pid.commandId, "8191", pid.warnings[0]);
    EXPECT_EQ(Type(pid.commandId, "0"), kAccepted);  // although the other three PIDs are 0 as well
    EXPECT_EQ(record.*pid.own, 0);
  }
}

TEST_F(EditRules, PidConflictsAreReportedInEachItemsOrderFirstMatchWins) {
  for (const PidCase& pid : kPidCases) {
    for (int first = 0; first < 3; ++first) {
      // The value clashes with the `first` PID of the item's order and with every one after it.
      record = {};
      for (int other = 0; other < 3; ++other) record.*pid.others[other] = other >= first ? 500 : 600 + other;
      ExpectRefused(pid.commandId, "500", pid.warnings[first + 1]);
    }
  }
  // The case named for the PMT: equal to both the PCR and the audio PID.
  record = {};
  record.pcr_pid = 256;
  record.audio_pid = 256;
  ExpectRefused(id::kPmtPid, "256", "Pmt_Pid conflict with Program Pcr_Pid !");
}

TEST_F(EditRules, CurrentPassword) {
  StoreText(record.old_password, "ULDRULDR");
  const EncoderConfiguration before = record;
  EXPECT_EQ(Type(id::kPassword, ""), kNoChange);
  ExpectRefused(id::kPassword, "ULDRULD", "Password length should be 8 !");
  ExpectRefused(id::kPassword, "ULDRULDRU", "Password length should be 8 !");
  ExpectRefused(id::kPassword, "uldruldr", "Password should be selected from LUDR !");
  ExpectRefused(id::kPassword, "ULDRULDx", "Password should be selected from LUDR !");
  ExpectRefused(id::kPassword, "ULDRULDD", "Password is incorrect!\n");
  EXPECT_FALSE(flags.passwordAccepted);

  EXPECT_EQ(Type(id::kPassword, "ULDRULDR"), kAccepted);
  EXPECT_TRUE(flags.passwordAccepted);
  EXPECT_EQ(record, before);  // a password is only compared, never stored

  ExpectRefused(id::kPassword, "RRRRRRRR", "Password is incorrect!\n");
  EXPECT_TRUE(flags.passwordAccepted);  // only a new read clears it
}

TEST_F(EditRules, CurrentPasswordNeverMatchesAnUnreadRecord) {
  ExpectRefused(id::kPassword, "UUUUUUUU", "Password is incorrect!\n");
  EXPECT_FALSE(flags.passwordAccepted);
}

TEST_F(EditRules, NewPassword) {
  StoreText(record.new_password, "UUUUUUUU");
  EXPECT_EQ(Type(id::kNewPassword, ""), kNoChange);
  ExpectRefused(id::kNewPassword, "DDDD", "Password length should be 8 !");
  ExpectRefused(id::kNewPassword, "ddddllll", "Password should be selected from LUDR !");
  EXPECT_EQ(Type(id::kNewPassword, "DDDDLLLL"), kAccepted);
  EXPECT_EQ(TextOf(record.new_password), "DDDDLLLL");
  EXPECT_FALSE(flags.passwordAccepted);
}

TEST_F(EditRules, ChannelModeResetsTheAudioBitrateForTheNewList) {
  record.analog_bitrate = 384;
  EXPECT_EQ(Choose(id::kChannelMode, 1, "single"), kAccepted);
  EXPECT_EQ(record.analog_channel_mode, 3);
  EXPECT_EQ(record.analog_bitrate, 96);
  EXPECT_TRUE(flags.bitrateModified);

  flags = {};
  EXPECT_EQ(Choose(id::kChannelMode, 0, "stereo"), kAccepted);
  EXPECT_EQ(record.analog_channel_mode, 0);
  EXPECT_EQ(record.analog_bitrate, 112);
  EXPECT_TRUE(flags.bitrateModified);
}

TEST_F(EditRules, ChoicesStoreTheirPosition) {
  EXPECT_EQ(Choose(id::kVideoInput, 1, "SDI"), kAccepted);
  EXPECT_EQ(Choose(id::kSdiSelectGroup, 7, "Group 4 B"), kAccepted);
  EXPECT_EQ(Choose(id::kLeftVolume, 8, "+30db"), kAccepted);
  EXPECT_EQ(record.video_input, 1);
  EXPECT_EQ(record.sdi_opt_group, 7);
  EXPECT_EQ(record.analog_left_volume, 8);
  EXPECT_FALSE(flags.bitrateModified);

  // The audio bitrate is the number of the chosen entry's text, not its position.
  EXPECT_EQ(Choose(id::kAudioBitrate, 1, "96"), kAccepted);
  EXPECT_EQ(record.analog_bitrate, 96);
  EXPECT_TRUE(flags.bitrateModified);
}

TEST_F(EditRules, DefaultSetAndEncodeModeMarkTheBitrateModified) {
  for (const int commandId : {id::kDefaultSet, id::kEncodeMode}) {
    flags = {};
    EXPECT_EQ(Choose(commandId, 0), kAccepted);
    EXPECT_TRUE(flags.bitrateModified) << commandId;
  }
}

TEST_F(EditRules, AComboWithoutSelectionStoresNothing) {
  record.video_input = 1;
  record.analog_bitrate = 128;
  const EncoderConfiguration before = record;
  EXPECT_EQ(Choose(id::kVideoInput, -1), kNoChange);
  EXPECT_EQ(Choose(id::kVideoInput, 2), kNoChange);  // "CVBS" and "SDI" only
  EXPECT_EQ(Choose(id::kBitrateType, 1), kNoChange);
  EXPECT_EQ(Choose(id::kAudioBitrate, -1), kNoChange);
  EXPECT_EQ(Choose(id::kChannelMode, -1), kNoChange);
  EXPECT_EQ(record, before);
}

TEST_F(EditRules, AddressesAreStoredInNetworkOrder) {
  const auto result = ApplyPropertyEdit(id::kMulticastIp, EditorValue::Address(0xEF010203u), record, flags);
  EXPECT_EQ(result, kAccepted);
  EXPECT_EQ(record.multicast_ip, platform::InetAddr("239.1.2.3"));
  EXPECT_EQ(ApplyPropertyEdit(id::kIpAddress, EditorValue::Address(0x7F000002u), record, flags), kAccepted);
  EXPECT_EQ(record.ipAddr, platform::InetAddr("127.0.0.2"));
}

TEST_F(EditRules, IdsWithoutHandlingChangeNothing) {
  record.TS_bitrate = 4000;
  record.sdi_exist_group = 3;
  const EncoderConfiguration before = record;
  for (const int commandId : {0, 10017, 10028, 10029, 10036, 10046, 10048, 32774}) {
    EXPECT_EQ(Type(commandId, "5"), kNoChange) << commandId;
    EXPECT_EQ(Choose(commandId, 0, "5"), kNoChange) << commandId;
  }
  EXPECT_EQ(record, before);
  EXPECT_FALSE(flags.bitrateModified);
  EXPECT_FALSE(flags.passwordAccepted);
}

}  // namespace
}  // namespace kestrine::config
