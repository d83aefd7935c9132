#pragma once

// The sample records and documents the tests and benchmarks share, so that one encoder's settings are
// written down once.

#include <string>
#include <string_view>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::samples {

// GB2312 bytes of two names an operator in the field would use ("中文测试", "新闻频道").
inline constexpr std::string_view kGbChineseTest = "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4";
inline constexpr std::string_view kGbNewsChannel = "\xD0\xC2\xCE\xC5\xC6\xB5\xB5\xC0";

// A document as an encoder sends it: GB2312 declaration, CRLF line ends, the
// mode element in lower case and the transport stream bitrate it reports.
inline constexpr std::string_view kEncoderDocument =
    "<?xml version=\"1.0\" encoding=\"GB2312\" standalone=\"no\" ?>\r\n"
    "<tavrix>\r\n"
    "\t<system>\r\n"
    "\t\t<version>V2.13</version>\r\n"
    "\t\t<sequence_number>7</sequence_number>\r\n"
    "\t\t<default_parameter>false</default_parameter>\r\n"
    "\t\t<ethernet>\r\n"
    "\t\t\t<ipAddr>10.0.0.20</ipAddr>\r\n"
    "\t\t\t<ipMask>255.255.255.0</ipMask>\r\n"
    "\t\t\t<ipGate>10.0.0.1</ipGate>\r\n"
    "\t\t\t<multicast_ip>239.1.1.7</multicast_ip>\r\n"
    "\t\t\t<multicast_port>1234</multicast_port>\r\n"
    "\t\t\t<multicast_mode>rtp</multicast_mode>\r\n"
    "\t\t</ethernet>\r\n"
    "\t\t<old_password>ULDRULDR</old_password>\r\n"
    "\t\t<new_password>ULDRULDR</new_password>\r\n"
    "\t\t<lock_keyboard>true</lock_keyboard>\r\n"
    "\t\t<restart>false</restart>\r\n"
    "\t</system>\r\n"
    "\t<video>\r\n"
    "\t\t<input>sdi</input>\r\n"
    "\t\t<rate_mode>vbr</rate_mode>\r\n"
    "\t\t<cvbs_brightness>128</cvbs_brightness>\r\n"
    "\t\t<cvbs_contrast>120</cvbs_contrast>\r\n"
    "\t\t<cvbs_saturation>110</cvbs_saturation>\r\n"
    "\t\t<cvbs_hue>5</cvbs_hue>\r\n"
    "\t\t<bitrate>3500</bitrate>\r\n"
    "\t\t<TS_bitrate>4200</TS_bitrate>\r\n"
    "\t</video>\r\n"
    "\t<audio>\r\n"
    "\t\t<input>sdi</input>\r\n"
    "\t\t<analog_left_volume>3</analog_left_volume>\r\n"
    "\t\t<analog_right_volume>4</analog_right_volume>\r\n"
    "\t\t<analog_bitrate>96</analog_bitrate>\r\n"
    "\t\t<analog_mode>mpeg1 layer2</analog_mode>\r\n"
    "\t\t<analog_channel_mode>single</analog_channel_mode>\r\n"
    "\t\t<sdi_volume>2</sdi_volume>\r\n"
    "\t\t<sdi_opt_group>1</sdi_opt_group>\r\n"
    "\t\t<sdi_exist_group>5</sdi_exist_group>\r\n"
    "\t\t<Audio_Delay>-30</Audio_Delay>\r\n"
    "\t</audio>\r\n"
    "\t<mux>\r\n"
    "\t\t<bitrate>4000</bitrate>\r\n"
    "\t\t<program_no>1</program_no>\r\n"
    "\t\t<pmt_pid>256</pmt_pid>\r\n"
    "\t\t<pcr_pid>257</pcr_pid>\r\n"
    "\t\t<video_pid>258</video_pid>\r\n"
    "\t\t<audio_pid>259</audio_pid>\r\n"
    "\t\t<prg_name>\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4</prg_name>\r\n"
    "\t\t<prg_provider_name>\xD0\xC2\xCE\xC5\xC6\xB5\xB5\xC0 &amp; Co</prg_provider_name>\r\n"
    "\t</mux>\r\n"
    "</tavrix>\r\n";

// The record kEncoderDocument describes.
inline config::EncoderConfiguration EncoderDocumentRecord() {
  config::EncoderConfiguration r;
  config::StoreText(r.version, "V2.13");
  r.sequence_number = 7;
  r.ipAddr = platform::InetAddr("10.0.0.20");
  r.ipMask = platform::InetAddr("255.255.255.0");
  r.ipGate = platform::InetAddr("10.0.0.1");
  r.multicast_ip = platform::InetAddr("239.1.1.7");
  r.multicast_port = 1234;
  r.multicast_mode = 1;
  config::StoreText(r.old_password, "ULDRULDR");
  config::StoreText(r.new_password, "ULDRULDR");
  r.lock_keyboard = 1;
  r.video_input = 1;
  r.rate_mode = 1;
  r.cvbs_brightness = 128;
  r.cvbs_contrast = 120;
  r.cvbs_saturation = 110;
  r.cvbs_hue = 5;
  r.video_bitrate = 3500;
  r.TS_bitrate = 4200;
  r.audio_input = 1;
  r.analog_left_volume = 3;
  r.analog_right_volume = 4;
  r.analog_bitrate = 96;
  r.analog_channel_mode = 3;
  r.sdi_volume = 2;
  r.sdi_opt_group = 1;
  r.sdi_exist_group = 5;
  r.Audio_Delay = -30;
  r.mux_bitrate = 4000;
  r.program_no = 1;
  r.pmt_pid = 256;
  r.pcr_pid = 257;
  r.video_pid = 258;
  r.audio_pid = 259;
  config::StoreText(r.prg_name, kGbChineseTest);
  config::StoreText(r.prg_provider_name, std::string(kGbNewsChannel) + " & Co");
  return r;
}

// A record as the configuration page shows it: every field the page shows holds a value it can show,
// with both inputs analog, a GB2312 service name ("中央电视台") and passwords that differ.
inline config::EncoderConfiguration FullRecord() {
  config::EncoderConfiguration record{};
  config::StoreText(record.version, "2.31");
  config::StoreText(record.old_password, "UULLDDRR");
  config::StoreText(record.new_password, "RRDDLLUU");
  config::StoreText(record.prg_name, "\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8");
  config::StoreText(record.prg_provider_name, "DVB");
  record.sequence_number = 7;
  record.ipAddr = 0x0A01A8C0;        // 192.168.1.10
  record.ipMask = 0x00FFFFFF;        // 255.255.255.0
  record.ipGate = 0x0101A8C0;        // 192.168.1.1
  record.multicast_ip = 0x010101E0;  // 224.1.1.1
  record.multicast_port = 1234;
  record.lock_keyboard = 1;
  record.video_input = 0;
  record.cvbs_brightness = 128;
  record.cvbs_contrast = 120;
  record.cvbs_saturation = 110;
  record.cvbs_hue = 100;
  record.video_bitrate = 3500;
  record.TS_bitrate = 4500;
  record.audio_input = 0;
  record.analog_left_volume = 3;
  record.analog_right_volume = 4;
  record.analog_bitrate = 192;
  record.sdi_volume = 2;
  record.sdi_opt_group = 5;
  record.sdi_exist_group = 12;
  record.Audio_Delay = -20;
  record.mux_bitrate = 4000;
  record.program_no = 1;
  record.pmt_pid = 256;
  record.pcr_pid = 257;
  record.video_pid = 258;
  record.audio_pid = 259;
  return record;
}

// Every field set to a value no document in these tests uses, to see which fields a read touched.
inline config::EncoderConfiguration UntouchedRecord() {
  config::EncoderConfiguration r;
  for (const config::RecordField& field : config::RecordFields()) {
    switch (field.kind) {
      case config::FieldKind::Number:
        r.*field.number = 77;
        break;
      case config::FieldKind::Address:
        r.*field.address = platform::InetAddr("7.7.7.7");
        break;
      case config::FieldKind::Text:
        config::StoreText(config::TextField(field, r), "untouched");
        break;
    }
  }
  return r;
}

// The names of the fields whose values differ, for failures that say what went wrong.
inline std::vector<std::string> ChangedFields(const config::EncoderConfiguration& before,
                                              const config::EncoderConfiguration& after) {
  std::vector<std::string> changed;
  if (before.configurationRead != after.configurationRead) changed.emplace_back("configurationRead");
  for (const config::RecordField& field : config::RecordFields()) {
    if (config::FormatFieldValue(field, before) != config::FormatFieldValue(field, after))
      changed.emplace_back(field.name);
  }
  return changed;
}

}  // namespace kestrine::samples
