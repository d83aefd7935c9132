#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigurationDocument.h"
#include "config/DocumentFields.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "platform/StackThread.h"
#include "tests/support/SampleRecords.h"

namespace kestrine::config {
namespace {

using samples::ChangedFields;
using samples::UntouchedRecord;
using Names = std::vector<std::string>;

std::string Document(std::string_view insideRoot) {
  return "<?xml version=\"1.0\" encoding=\"GB2312\" standalone=\"no\" ?>\n<tavrix>" + std::string(insideRoot) +
         "</tavrix>\n";
}

TEST(ConfigurationDocumentReaderTest, EncoderDocumentFillsEveryField) {
  EncoderConfiguration record = UntouchedRecord();
  ASSERT_EQ(LoadConfigurationDocument(samples::kEncoderDocument, record), 1);
  EXPECT_EQ(ChangedFields(record, samples::EncoderDocumentRecord()), Names{});
  // GB2312 bytes arrive as they were sent, entity decoding aside.
  EXPECT_EQ(TextOf(record.prg_name), samples::kGbChineseTest);
  EXPECT_EQ(TextOf(record.prg_provider_name), std::string(samples::kGbNewsChannel) + " & Co");
}

TEST(ConfigurationDocumentReaderTest, LoneCarriageReturnsEndLinesToo) {
  std::string document(samples::kEncoderDocument);
  for (std::size_t at = document.find("\r\n"); at != std::string::npos; at = document.find("\r\n", at)) {
    document.erase(at + 1, 1);
  }
  EncoderConfiguration record = UntouchedRecord();
  ASSERT_EQ(LoadConfigurationDocument(document, record), 1);
  EXPECT_EQ(ChangedFields(record, samples::EncoderDocumentRecord()), Names{});
}

TEST(ConfigurationDocumentReaderTest, LineEndsInsideTextBecomeLineFeeds) {
  EncoderConfiguration record;
  ASSERT_EQ(LoadConfigurationDocument(Document("<mux><prg_name><![CDATA[a\r\nb\rc\n\r]]></prg_name></mux>"), record),
            1);
  EXPECT_EQ(TextOf(record.prg_name), "a\nb\nc\n\n");
}

TEST(ConfigurationDocumentReaderTest, RefusedDocumentsChangeNothing) {
  using namespace std::string_literals;
  const std::vector<std::string> refused{
      "",
      " \r\n\t",
      "not a document",
      "<!-- only a comment -->",
      "<?xml version=\"1.0\" encoding=\"GB2312\" ?><Tavrix><system><restart>true</restart></system></Tavrix>",
      "<config><system><restart>true</restart></system></config>",
      // Broken after a group that would already have changed fields.
      "<tavrix><system><restart>true</restart></system><mux><pcr_pid>1</pcr_pid>",
      "<tavrix><system><restart>true</restart></system><mux></video></tavrix>",
      "<tavrix><system><restart>true</restart></system>\0</tavrix>"s,
      // UTF-8 mode with the text ending inside a multi-byte sequence.
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><tavrix><system><version>\xF0",
  };
  for (const std::string& document : refused) {
    EncoderConfiguration record = UntouchedRecord();
    EXPECT_EQ(LoadConfigurationDocument(document, record), 0) << document;
    EXPECT_EQ(ChangedFields(UntouchedRecord(), record), Names{}) << document;
  }
}

std::string Repeated(std::size_t times, std::string_view piece) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

// The deepest nesting the longest document can hold, closed (taken) and left
// open (refused once the parser has reached the bottom), read from a caller
// whose stack is far too small for the parser: the parse has its own.
TEST(ConfigurationDocumentReaderTest, TheDeepestNestingParsesWhateverTheCallersStack) {
  const std::string system = "<system><restart>true</restart></system>";
  const std::size_t closedLevels = (kMaxDocumentBytes - Document(system).size()) / 7;
  const std::string closed = Document(system + Repeated(closedLevels, "<a>") + Repeated(closedLevels, "</a>"));
  const std::string open = "<tavrix>" + system + Repeated((kMaxDocumentBytes - 8 - system.size()) / 3, "<a>");
  ASSERT_GT(closed.size(), kMaxDocumentBytes - 7);
  ASSERT_GT(open.size(), kMaxDocumentBytes - 3);

  EncoderConfiguration record = UntouchedRecord();
  int closedResult = -1;
  int openResult = -1;
  platform::RunOnStack(64 * 1024, [&] {
    openResult = LoadConfigurationDocument(open, record);
    EXPECT_EQ(ChangedFields(UntouchedRecord(), record), Names{});
    closedResult = LoadConfigurationDocument(closed, record);
  });
  EXPECT_EQ(openResult, 0);
  EXPECT_EQ(closedResult, 1);
  EXPECT_EQ(ChangedFields(UntouchedRecord(), record), Names{"restart"});
}

TEST(ConfigurationDocumentReaderTest, NoDocumentLongerThanTheProtocolCarriesIsTaken) {
  const auto padded = [](std::size_t size) {
    std::string document(samples::kEncoderDocument);
    document += "<!--";
    document += std::string(size - document.size() - 3, ' ');
    return document + "-->";
  };
  EncoderConfiguration record = UntouchedRecord();
  EXPECT_EQ(LoadConfigurationDocument(padded(kMaxDocumentBytes + 1), record), 0);
  EXPECT_EQ(ChangedFields(UntouchedRecord(), record), Names{});
  EXPECT_EQ(LoadConfigurationDocument(padded(kMaxDocumentBytes), record), 1);
  EXPECT_EQ(ChangedFields(record, samples::EncoderDocumentRecord()), Names{});
}

TEST(ConfigurationDocumentReaderTest, RootWithoutGroupsIsAcceptedAndChangesNothing) {
  EncoderConfiguration record = UntouchedRecord();
  EXPECT_EQ(LoadConfigurationDocument("<tavrix/>", record), 1);
  EXPECT_EQ(ChangedFields(UntouchedRecord(), record), Names{});
}

TEST(ConfigurationDocumentReaderTest, LaterOccurrencesWinAndRepeatedGroupsApplyInOrder) {
  EncoderConfiguration record = UntouchedRecord();
  ASSERT_EQ(LoadConfigurationDocument(Document("<mux><pmt_pid>100</pmt_pid><program_no>5</program_no>"
                                               "<pmt_pid>101</pmt_pid></mux>"
                                               "<system><ethernet><multicast_port>1</multicast_port></ethernet>"
                                               "<ethernet><multicast_port>2</multicast_port></ethernet></system>"
                                               "<mux><pmt_pid>200</pmt_pid></mux>"),
                                      record),
            1);
  EXPECT_EQ(record.pmt_pid, 200);
  EXPECT_EQ(record.program_no, 5);  // absent from the second group, so the first one's value stays
  EXPECT_EQ(record.multicast_port, 2);
  EXPECT_EQ(ChangedFields(UntouchedRecord(), record), (Names{"multicast_port", "program_no", "pmt_pid"}));
}

// One leaf, read into a record whose fields all hold sentinels ("untouched", 77, 7.7.7.7).
struct LeafCase {
  std::string insideRoot;
  std::string field;
  std::string expected;  // as the field prints; a sentinel means the read left it alone
};

void PrintTo(const LeafCase& c, std::ostream* os) { *os << c.insideRoot; }

class ReaderLeafTest : public ::testing::TestWithParam<LeafCase> {};

TEST_P(ReaderLeafTest, StoresOnlyItsField) {
  const LeafCase& leaf = GetParam();
  const RecordField* field = FindRecordField(leaf.field);
  ASSERT_NE(field, nullptr);
  EncoderConfiguration record = UntouchedRecord();
  ASSERT_EQ(LoadConfigurationDocument(Document(leaf.insideRoot), record), 1);
  EXPECT_EQ(FormatFieldValue(*field, record), leaf.expected);
  const Names changed = ChangedFields(UntouchedRecord(), record);
  EXPECT_TRUE(changed.empty() || changed == Names{leaf.field}) << ::testing::PrintToString(changed);
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, ReaderLeafTest,
    ::testing::Values(
        LeafCase{"<system><default_parameter>true</default_parameter></system>", "default_parameter", "1"},
        LeafCase{"<system><default_parameter>1</default_parameter></system>", "default_parameter", "0"},
        LeafCase{"<system><restart>TRUE</restart></system>", "restart", "0"},
        LeafCase{"<system><lock_keyboard>true</lock_keyboard></system>", "lock_keyboard", "1"},
        LeafCase{"<system><ethernet><multicast_mode>udp</multicast_mode></ethernet></system>", "multicast_mode", "0"},
        LeafCase{"<system><ethernet><multicast_mode>UDP</multicast_mode></ethernet></system>", "multicast_mode", "1"},
        LeafCase{"<video><input>cvbs</input></video>", "video_input", "0"},
        LeafCase{"<video><input>CVBS</input></video>", "video_input", "1"},
        LeafCase{"<video><rate_mode>cbr</rate_mode></video>", "rate_mode", "0"},
        LeafCase{"<video><rate_mode>vbr</rate_mode></video>", "rate_mode", "1"},
        LeafCase{"<audio><input>analog</input></audio>", "audio_input", "0"},
        LeafCase{"<audio><input>sdi</input></audio>", "audio_input", "1"},
        LeafCase{"<audio><input>SDI</input></audio>", "audio_input", "2"},
        LeafCase{"<audio><input>spdif</input></audio>", "audio_input", "2"},
        LeafCase{"<audio><analog_mode>mpeg1 layer2</analog_mode></audio>", "analog_mode", "0"},
        LeafCase{"<audio><analog_mode>Unknown</analog_mode></audio>", "analog_mode", "77"},
        // The parser condenses blanks before the keyword is compared.
        LeafCase{"<audio><analog_mode>  mpeg1 \n layer2 </analog_mode></audio>", "analog_mode", "0"},
        LeafCase{"<audio><analog_channel_mode>stereo</analog_channel_mode></audio>", "analog_channel_mode", "0"},
        LeafCase{"<audio><analog_channel_mode>mono</analog_channel_mode></audio>", "analog_channel_mode", "3"}));

INSTANTIATE_TEST_SUITE_P(
    Conversions, ReaderLeafTest,
    ::testing::Values(
        LeafCase{"<system><sequence_number> 42abc</sequence_number></system>", "sequence_number", "42"},
        LeafCase{"<system><sequence_number>abc</sequence_number></system>", "sequence_number", "0"},
        LeafCase{"<audio><Audio_Delay>-30</Audio_Delay></audio>", "Audio_Delay", "-30"},
        LeafCase{"<mux><bitrate>99999999999</bitrate></mux>", "mux_bitrate", "2147483647"},
        LeafCase{"<system><ethernet><ipAddr>bogus</ipAddr></ethernet></system>", "ipAddr", "255.255.255.255"},
        LeafCase{"<system><ethernet><ipGate>10.1</ipGate></ethernet></system>", "ipGate", "10.0.0.1"},
        LeafCase{"<system><ethernet><ipMask>0xFF.0377.255.0</ipMask></ethernet></system>", "ipMask", "255.255.255.0"},
        LeafCase{"<system><version>V&lt;2&gt; &amp; &#65;</version></system>", "version", "V<2> & A"},
        LeafCase{"<mux><prg_name><![CDATA[<b>&amp;]]></prg_name></mux>", "prg_name", "<b>&amp;"},
        LeafCase{"<system><version>\x81\x40\xFE\xFF</version></system>", "version", "\x81\x40\xFE\xFF"},
        LeafCase{"<system><restart enabled=\"false\">true</restart></system>", "restart", "1"}));

INSTANTIATE_TEST_SUITE_P(
    WithoutText, ReaderLeafTest,
    ::testing::Values(LeafCase{"<system><old_password/></system>", "old_password", ""},
                      LeafCase{"<system><new_password></new_password></system>", "new_password", ""},
                      LeafCase{"<mux><prg_name/></mux>", "prg_name", "dvb"},
                      LeafCase{"<mux><prg_provider_name> \n </prg_provider_name></mux>", "prg_provider_name", "dvb"},
                      LeafCase{"<system><version></version></system>", "version", "untouched"},
                      LeafCase{"<system><version><!-- v --></version></system>", "version", "untouched"},
                      LeafCase{"<system><sequence_number/></system>", "sequence_number", "77"},
                      LeafCase{"<system><restart/></system>", "restart", "77"},
                      LeafCase{"<system><ethernet><ipAddr/></ethernet></system>", "ipAddr", "7.7.7.7"}));

INSTANTIATE_TEST_SUITE_P(
    Placement, ReaderLeafTest,
    ::testing::Values(LeafCase{"<video><bitrate>3500</bitrate></video>", "video_bitrate", "3500"},
                      LeafCase{"<mux><bitrate>4000</bitrate></mux>", "mux_bitrate", "4000"},
                      LeafCase{"<video><TS_bitrate>4200</TS_bitrate></video>", "TS_bitrate", "4200"},
                      LeafCase{"<mux><TS_bitrate>4200</TS_bitrate></mux>", "TS_bitrate", "77"},
                      LeafCase{"<system><ipAddr>1.2.3.4</ipAddr></system>", "ipAddr", "7.7.7.7"},
                      LeafCase{"<video><ethernet><ipAddr>1.2.3.4</ipAddr></ethernet></video>", "ipAddr", "7.7.7.7"},
                      LeafCase{"<system><ethernet><multicast_Mode>udp</multicast_Mode></ethernet></system>",
                               "multicast_mode", "77"},
                      LeafCase{"<system><Restart>true</Restart></system>", "restart", "77"},
                      LeafCase{"<System><restart>true</restart></System>", "restart", "77"},
                      LeafCase{"<system><system><restart>true</restart></system></system>", "restart", "77"},
                      LeafCase{"<!--system--><system><!--restart--></system>", "restart", "77"},
                      LeafCase{"<mux><input>cvbs</input></mux>", "video_input", "77"}));

INSTANTIATE_TEST_SUITE_P(
    CutToTheField, ReaderLeafTest,
    ::testing::Values(LeafCase{"<system><version>0123456789012345678901234567</version></system>", "version",
                               "0123456789012345678901"},
                      LeafCase{"<system><old_password>ULDRULDRULDRULDRULDRULDR</old_password></system>", "old_password",
                               "ULDRULDRULDRULDRULD"},
                      LeafCase{"<mux><prg_provider_name>" + std::string(60, 'n') + "</prg_provider_name></mux>",
                               "prg_provider_name", std::string(41, 'n')}));

// What `apply` needs to leave alone what a saved document does not hold; the values stay the reader's.
TEST(ConfigurationDocumentReaderTest, SaysWhichFieldsTheDocumentCarried) {
  const std::string document = Document(
      "<system><ethernet><ipAddr>bogus</ipAddr><ipMask/><ipGate>10.0.0.1</ipGate></ethernet><restart/></system>"
      "<audio><analog_mode>Unknown</analog_mode></audio><mux><prg_name/><pmt_pid>40</pmt_pid><pmt_pid/></mux>");
  EncoderConfiguration plain = UntouchedRecord();
  ASSERT_EQ(LoadConfigurationDocument(document, plain), 1);
  EncoderConfiguration record = UntouchedRecord();
  DocumentFields fields;
  ASSERT_EQ(LoadConfigurationDocument(document, record, fields), 1);
  EXPECT_EQ(record, plain);

  const auto reading = [&](std::string_view name) { return fields.Of(*FindRecordField(name)); };
  EXPECT_EQ(reading("ipAddr"), FieldReading::Unconverted);
  EXPECT_EQ(reading("ipMask"), FieldReading::WithoutText);
  EXPECT_EQ(reading("ipGate"), FieldReading::Stored);
  EXPECT_EQ(reading("restart"), FieldReading::WithoutText);
  EXPECT_EQ(reading("analog_mode"), FieldReading::Unconverted);
  EXPECT_EQ(reading("prg_name"), FieldReading::Stored);  // the reader's "dvb"
  EXPECT_EQ(reading("pmt_pid"), FieldReading::Stored);   // an empty repeat does not hide the value
  EXPECT_EQ(reading("cvbs_hue"), FieldReading::Absent);

  EXPECT_EQ(LoadConfigurationDocument("<other/>", record, fields), 0);
  EXPECT_EQ(reading("ipGate"), FieldReading::Stored);
}

}  // namespace
}  // namespace kestrine::config
