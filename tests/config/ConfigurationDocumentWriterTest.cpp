#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"
#include "tests/support/SampleRecords.h"

namespace kestrine::config {
namespace {

// A record that was never read, written out.
constexpr std::string_view kZeroRecordDocument =
    "<?xml version=\"1.0\" encoding=\"GB2312\" standalone=\"no\" ?>\n"
    "<tavrix>\n"
    "\t<system>\n"
    "\t\t<version>1.00</version>\n"
    "\t\t<sequence_number>0</sequence_number>\n"
    "\t\t<default_parameter>false</default_parameter>\n"
    "\t\t<ethernet>\n"
    "\t\t\t<ipAddr>0.0.0.0</ipAddr>\n"
    "\t\t\t<ipMask>0.0.0.0</ipMask>\n"
    "\t\t\t<ipGate>0.0.0.0</ipGate>\n"
    "\t\t\t<multicast_ip>0.0.0.0</multicast_ip>\n"
    "\t\t\t<multicast_port>0</multicast_port>\n"
    "\t\t\t<multicast_Mode>udp</multicast_Mode>\n"
    "\t\t</ethernet>\n"
    "\t\t<old_password></old_password>\n"
    "\t\t<new_password></new_password>\n"
    "\t\t<lock_keyboard>false</lock_keyboard>\n"
    "\t\t<restart>false</restart>\n"
    "\t</system>\n"
    "\t<video>\n"
    "\t\t<input>cvbs</input>\n"
    "\t\t<rate_mode>cbr</rate_mode>\n"
    "\t\t<cvbs_brightness>0</cvbs_brightness>\n"
    "\t\t<cvbs_contrast>0</cvbs_contrast>\n"
    "\t\t<cvbs_saturation>0</cvbs_saturation>\n"
    "\t\t<cvbs_hue>0</cvbs_hue>\n"
    "\t\t<bitrate>0</bitrate>\n"
    "\t</video>\n"
    "\t<audio>\n"
    "\t\t<input>analog</input>\n"
    "\t\t<analog_left_volume>0</analog_left_volume>\n"
    "\t\t<analog_right_volume>0</analog_right_volume>\n"
    "\t\t<analog_bitrate>0</analog_bitrate>\n"
    "\t\t<analog_mode>mpeg1 layer2</analog_mode>\n"
    "\t\t<analog_channel_mode>stereo</analog_channel_mode>\n"
    "\t\t<sdi_volume>0</sdi_volume>\n"
    "\t\t<sdi_opt_group>0</sdi_opt_group>\n"
    "\t\t<sdi_exist_group>0</sdi_exist_group>\n"
    "\t\t<Audio_Delay>0</Audio_Delay>\n"
    "\t</audio>\n"
    "\t<mux>\n"
    "\t\t<bitrate>0</bitrate>\n"
    "\t\t<program_no>0</program_no>\n"
    "\t\t<pmt_pid>20</pmt_pid>\n"
    "\t\t<pcr_pid>0</pcr_pid>\n"
    "\t\t<video_pid>0</video_pid>\n"
    "\t\t<audio_pid>0</audio_pid>\n"
    "\t\t<prg_name>DVB</prg_name>\n"
    "\t\t<prg_provider_name>DVB</prg_provider_name>\n"
    "\t</mux>\n"
    "</tavrix>\n";

TEST(ConfigurationDocumentWriterTest, NeverReadRecordIsWrittenByteForByteAndKeepsWhatWasChosen) {
  EncoderConfiguration record;
  EXPECT_EQ(BuildConfigurationDocument(record), kZeroRecordDocument);
  EXPECT_EQ(TextOf(record.prg_name), "DVB");
  EXPECT_EQ(TextOf(record.prg_provider_name), "DVB");
  EXPECT_EQ(record.pmt_pid, 20);
  EXPECT_EQ(TextOf(record.version), "");  // "1.00" is only what the document says
  // Writing again changes neither the document nor the record.
  const EncoderConfiguration afterFirst = record;
  EXPECT_EQ(BuildConfigurationDocument(record), kZeroRecordDocument);
  EXPECT_EQ(record, afterFirst);
}

TEST(ConfigurationDocumentWriterTest, FilledRecordGivesFiftyOneLinesWithoutTheTransportStreamBitrate) {
  EncoderConfiguration record = samples::EncoderDocumentRecord();
  const EncoderConfiguration before = record;
  const std::string document = BuildConfigurationDocument(record);
  EXPECT_EQ(std::count(document.begin(), document.end(), '\n'), 51);
  EXPECT_EQ(document.find('\r'), std::string::npos);
  EXPECT_EQ(document.find("TS_bitrate"), std::string::npos);
  EXPECT_EQ(document.back(), '\n');
  EXPECT_EQ(record, before);  // nothing empty or zero to decide
}

struct LineCase {
  void (*edit)(EncoderConfiguration&);
  std::string_view line;  // with its tabs, without the line feed
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.line; }

class WriterLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(WriterLineTest, WritesTheLine) {
  EncoderConfiguration record = samples::EncoderDocumentRecord();
  GetParam().edit(record);
  EXPECT_NE(BuildConfigurationDocument(record).find("\n" + std::string(GetParam().line) + "\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WriterLineTest,
    ::testing::Values(
        LineCase{[](EncoderConfiguration& r) { r.multicast_mode = 1; }, "\t\t\t<multicast_Mode>rtp</multicast_Mode>"},
        LineCase{[](EncoderConfiguration& r) { r.multicast_mode = 2; }, "\t\t\t<multicast_Mode></multicast_Mode>"},
        LineCase{[](EncoderConfiguration& r) { r.multicast_mode = -1; }, "\t\t\t<multicast_Mode></multicast_Mode>"},
        LineCase{[](EncoderConfiguration& r) { r.default_parameter = 5; },
                 "\t\t<default_parameter>true</default_parameter>"},
        LineCase{[](EncoderConfiguration& r) { r.restart = -1; }, "\t\t<restart>true</restart>"},
        LineCase{[](EncoderConfiguration& r) { r.video_input = 7; }, "\t\t<input>sdi</input>"},
        LineCase{[](EncoderConfiguration& r) { r.audio_input = 2; }, "\t\t<input>spdif</input>"},
        LineCase{[](EncoderConfiguration& r) { r.audio_input = -1; }, "\t\t<input>spdif</input>"},
        LineCase{[](EncoderConfiguration& r) { r.analog_mode = 1; }, "\t\t<analog_mode>Unknown</analog_mode>"},
        LineCase{[](EncoderConfiguration& r) { r.analog_channel_mode = 3; },
                 "\t\t<analog_channel_mode>single</analog_channel_mode>"},
        LineCase{[](EncoderConfiguration& r) { r.Audio_Delay = -30; }, "\t\t<Audio_Delay>-30</Audio_Delay>"},
        LineCase{[](EncoderConfiguration& r) { r.sequence_number = std::numeric_limits<std::int32_t>::min(); },
                 "\t\t<sequence_number>-2147483648</sequence_number>"},
        LineCase{[](EncoderConfiguration& r) { r.multicast_ip = platform::kInaddrNone; },
                 "\t\t\t<multicast_ip>255.255.255.255</multicast_ip>"},
        LineCase{[](EncoderConfiguration& r) { r.ipAddr = platform::InetAddr("192.168.1.50"); },
                 "\t\t\t<ipAddr>192.168.1.50</ipAddr>"},
        LineCase{[](EncoderConfiguration& r) { StoreText(r.version, "V<1>"); }, "\t\t<version>V<1></version>"}));

// Only the names are escaped; the other texts go out as they are held.
INSTANTIATE_TEST_SUITE_P(
    Texts, WriterLineTest,
    ::testing::Values(
        LineCase{[](EncoderConfiguration& r) { StoreText(r.old_password, "a<b&c"); },
                 "\t\t<old_password>a<b&c</old_password>"},
        LineCase{[](EncoderConfiguration& r) { StoreText(r.prg_name, "it's"); }, "\t\t<prg_name>it&apos;s</prg_name>"},
        LineCase{
            [](EncoderConfiguration& r) { StoreText(r.prg_name, std::string(20, '&')); },
            "\t\t<prg_name>&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;&amp;"
            "&amp;&amp;</prg_name>"},
        LineCase{[](EncoderConfiguration&) {},
                 "\t\t<prg_provider_name>\xD0\xC2\xCE\xC5\xC6\xB5\xB5\xC0 &amp; Co</prg_provider_name>"}));

TEST(ConfigurationDocumentWriterTest, StoresTheChosenPmtPidAndKeepsNamesUnescaped) {
  EncoderConfiguration record;
  record.pcr_pid = 20;
  record.video_pid = 21;
  record.audio_pid = 22;
  StoreText(record.prg_name, "A&B");
  const std::string document = BuildConfigurationDocument(record);
  EXPECT_NE(document.find("\t\t<pmt_pid>23</pmt_pid>\n"), std::string::npos);
  EXPECT_EQ(record.pmt_pid, 23);
  EXPECT_EQ(TextOf(record.prg_name), "A&B");
  EXPECT_EQ(TextOf(record.prg_provider_name), "DVB");
}

TEST(ChooseFreePmtPidTest, TakesTheSmallestPidFromTwentyThatNoOtherPidUses) {
  EncoderConfiguration record;
  EXPECT_EQ(ChooseFreePmtPid(record), 20);
  record.pmt_pid = 20;
  EXPECT_EQ(ChooseFreePmtPid(record), 21);
  record = {};
  record.pcr_pid = 22;
  record.video_pid = 20;
  record.audio_pid = 21;
  EXPECT_EQ(ChooseFreePmtPid(record), 23);
  record.audio_pid = 300;
  EXPECT_EQ(ChooseFreePmtPid(record), 21);
}

TEST(EscapeXmlTextTest, EscapesTheFiveMarkupCharactersAndNothingElse) {
  EXPECT_EQ(EscapeXmlText(""), "");
  EXPECT_EQ(EscapeXmlText("<A&B> \"q\" 's'"), "&lt;A&amp;B&gt; &quot;q&quot; &apos;s&apos;");
  EXPECT_EQ(EscapeXmlText("&amp;"), "&amp;amp;");
  EXPECT_EQ(EscapeXmlText(samples::kGbChineseTest), samples::kGbChineseTest);
  EXPECT_EQ(EscapeXmlText(std::string_view("a\0b", 3)), std::string_view("a\0b", 3));
}

}  // namespace
}  // namespace kestrine::config
