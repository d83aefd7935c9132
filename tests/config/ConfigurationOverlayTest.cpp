#include "config/ConfigurationOverlay.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/DocumentFields.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

using platform::InetAddr;

EncoderConfiguration Unit(const char* address, int deviceNumber) {
  EncoderConfiguration r;
  StoreText(r.version, "V2.13");
  r.sequence_number = deviceNumber;
  r.ipAddr = InetAddr(address);
  r.ipMask = InetAddr("255.255.255.0");
  r.ipGate = InetAddr("10.0.0.1");
  r.multicast_ip = InetAddr("239.1.1.1");
  r.multicast_port = 1234;
  StoreText(r.old_password, "UUUUUUUU");
  StoreText(r.new_password, "UUUUUUUU");
  r.mux_bitrate = 4000;
  r.video_bitrate = 3608;
  r.TS_bitrate = 4000;
  r.analog_bitrate = 192;
  r.pmt_pid = 256;
  r.pcr_pid = 257;
  r.video_pid = 258;
  r.audio_pid = 259;
  StoreText(r.prg_name, "Unit");
  return r;
}

using Refusals = std::vector<std::pair<std::string_view, std::string>>;

Refusals RefusalsOf(const ConfigurationOverlay& overlay) {
  Refusals refusals;
  for (const OverlayRefusal& r : overlay.refusals) refusals.emplace_back(r.field, r.warning);
  return refusals;
}

TEST(ConfigurationOverlay, CopiesTheSettingsAsTheyAreAndJudgesTheWholeRecord) {
  const EncoderConfiguration target = Unit("10.0.0.20", 7);
  EncoderConfiguration saved = Unit("10.0.0.99", 3);
  saved.multicast_ip = InetAddr("239.9.9.9");
  saved.video_pid = target.audio_pid;  // the target's video and audio PIDs swapped
  saved.audio_pid = target.video_pid;
  saved.analog_channel_mode = 3;       // single, with a bitrate the mode switch would reset to 96
  saved.analog_bitrate = 64;
  saved.video_bitrate = 1;             // reported, never taken
  saved.restart = 1;                   // an action, never copied
  StoreText(saved.old_password, "LLLLLLLL");
  StoreText(saved.prg_name, "\xD0\xC2\xCE\xC5");  // GB2312 bytes land unchanged

  const ConfigurationOverlay overlay = OverlayConfiguration(target, saved, OverlayScope::Settings);
  EXPECT_TRUE(overlay.refusals.empty());
  EncoderConfiguration expected = target;
  expected.video_pid = 259;
  expected.audio_pid = 258;
  expected.analog_channel_mode = 3;
  expected.analog_bitrate = 64;
  StoreText(expected.prg_name, "\xD0\xC2\xCE\xC5");
  EXPECT_EQ(overlay.record, expected);
  EXPECT_TRUE(overlay.bitrateChanged);

  std::vector<std::string> changes;
  for (const FieldChange& c : overlay.changes) {
    changes.push_back(std::string(c.field->name) + ": " + c.from + " -> " + c.to);
  }
  EXPECT_EQ(changes, (std::vector<std::string>{"analog_bitrate: 192 -> 64", "analog_channel_mode: 0 -> 3",
                                               "video_pid: 258 -> 259", "audio_pid: 259 -> 258",
                                               "prg_name: Unit -> \xD0\xC2\xCE\xC5"}));

  const ConfigurationOverlay replacement = OverlayConfiguration(target, saved, OverlayScope::SettingsAndNetwork);
  EXPECT_EQ(replacement.record.ipAddr, saved.ipAddr);
  EXPECT_EQ(replacement.record.multicast_ip, saved.multicast_ip);
  EXPECT_EQ(replacement.record.sequence_number, 7);
  EXPECT_EQ(CopiedSettings(OverlayScope::SettingsAndNetwork).size(), CopiedSettings(OverlayScope::Settings).size() + 5);

  const ConfigurationOverlay same = OverlayConfiguration(target, target, OverlayScope::SettingsAndNetwork);
  EXPECT_TRUE(same.changes.empty());
  EXPECT_FALSE(same.bitrateChanged);
}

TEST(ConfigurationOverlay, RefusalsNameTheFieldWithTheRulesOwnText) {
  const EncoderConfiguration target = Unit("10.0.0.20", 7);
  EncoderConfiguration saved = target;
  saved.pcr_pid = 8191;
  saved.video_pid = saved.pmt_pid;
  saved.mux_bitrate = 547;
  saved.lock_keyboard = 2;
  saved.analog_channel_mode = 3;
  saved.analog_bitrate = 384;  // a stereo rate, not offered in single mode
  StoreText(saved.prg_provider_name, "123456789012345678901");
  const Refusals expected{
      {"lock_keyboard", "2 is not one of the page's choices: 0 \"unlock\", 1 \"lock\""},
      {"analog_bitrate", "384 is not offered for the single channel mode: 32, 48, 56, 64, 80, 96, 112, 128, 160, 192"},
      {"mux_bitrate", "Bitrate should be between 548 and 9999 !"},
      {"pmt_pid", "Pmt_Pid conflict with Program Video_Pid !"},
      {"pcr_pid", "Pcr_Pid value should be between 32 and 8190 !"},
      {"video_pid", "Video_Pid conflict with Program's Pmt_Pid !"},
      {"prg_provider_name", "Provider Program name length should be less than 20 characters !"},
  };
  EXPECT_EQ(RefusalsOf(OverlayConfiguration(target, saved, OverlayScope::Settings)), expected);

  saved = target;
  saved.analog_channel_mode = 1;
  EXPECT_EQ(RefusalsOf(OverlayConfiguration(target, saved, OverlayScope::Settings)),
            (Refusals{{"analog_channel_mode", "1 is not one of the page's choices: 0 \"stereo\", 3 \"single\""}}));
  saved = target;
  saved.multicast_port = 10000;  // judged only when copied
  EXPECT_TRUE(OverlayConfiguration(target, saved, OverlayScope::Settings).refusals.empty());
  EXPECT_EQ(RefusalsOf(OverlayConfiguration(target, saved, OverlayScope::SettingsAndNetwork)),
            (Refusals{{"multicast_port", " port should be between 0--9999!"}}));
}

TEST(ConfigurationOverlay, WhatTheSavedDocumentDoesNotCarryKeepsTheTargetsValue) {
  const EncoderConfiguration target = Unit("10.0.0.20", 7);
  EncoderConfiguration saved;  // as the reader leaves a record for a document with two settings
  saved.cvbs_hue = 77;
  saved.ipMask = platform::kInaddrNone;
  DocumentFields carried;
  carried.Note(*FindRecordField("cvbs_hue"), FieldReading::Stored, true);
  carried.Note(*FindRecordField("ipMask"), FieldReading::Unconverted, true);

  const ConfigurationOverlay overlay = OverlayConfiguration(target, saved, carried, OverlayScope::SettingsAndNetwork);
  EncoderConfiguration expected = target;
  expected.cvbs_hue = 77;
  EXPECT_EQ(overlay.record, expected);
  ASSERT_EQ(overlay.changes.size(), 1u);
  EXPECT_EQ(overlay.changes[0].field->name, "cvbs_hue");

  EXPECT_TRUE(JudgeSavedAddresses(saved, carried, OverlayScope::Settings).empty());
  carried.Note(*FindRecordField("ipGate"), FieldReading::Stored, true);  // 0.0.0.0
  carried.Note(*FindRecordField("multicast_ip"), FieldReading::Stored, true);
  EXPECT_EQ(RefusalsOf({saved, {}, JudgeSavedAddresses(saved, carried, OverlayScope::SettingsAndNetwork), false}),
            (Refusals{{"ipMask", "not an IPv4 address"}, {"ipGate", "0.0.0.0 cannot be an encoder's ipGate"}}));
}

}  // namespace
}  // namespace kestrine::config
