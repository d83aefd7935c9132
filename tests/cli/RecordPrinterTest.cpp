#include "cli/RecordPrinter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/JsonOutput.h"

#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"
#include "support/Gb18030.h"

namespace kestrine::cli {
namespace {

TEST(RecordPrinter, PrintsEveryFieldInRecordOrderWithItsValue) {
  config::EncoderConfiguration record;
  config::StoreText(record.version, "2.31");
  record.ipAddr = platform::InetAddr("192.168.1.20");
  record.Audio_Delay = -30;
  config::StoreText(record.prg_name, "News & <Sport>");
  const std::string lines = FormatRecordLines(record);
  EXPECT_EQ(lines.substr(0, 13), "version=2.31\n");
  EXPECT_NE(lines.find("\nipAddr=192.168.1.20\n"), std::string::npos);
  EXPECT_NE(lines.find("\nAudio_Delay=-30\n"), std::string::npos);
  EXPECT_NE(lines.find("\nprg_name=News & <Sport>\nprg_provider_name=\n"), std::string::npos);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 39);
  EXPECT_EQ(lines.find("configurationRead"), std::string::npos);
}

TEST(RecordPrinter, PasswordsAreMaskedUnlessShown) {
  config::EncoderConfiguration record;
  config::StoreText(record.old_password, "ULDRULDR");
  config::StoreText(record.new_password, "RRRRRRRR");
  EXPECT_NE(FormatRecordLines(record).find("\nold_password=********\nnew_password=********\n"), std::string::npos);
  EXPECT_NE(FormatRecordLines(record, true).find("\nold_password=ULDRULDR\nnew_password=RRRRRRRR\n"),
            std::string::npos);
}

TEST(RecordPrinter, JsonKeepsNumbersAsNumbersAndEverythingElseAsStrings) {
  config::EncoderConfiguration record;
  record.sequence_number = 7;
  record.multicast_ip = platform::InetAddr("239.1.1.1");
  config::StoreText(record.prg_provider_name, "say \"hi\"\\");
  config::StoreText(record.old_password, "ULDRULDR");
  Json entry = Json::object();
  PutRecordFields(entry, record, false);
  const std::string json = FormatJson(entry);
  EXPECT_EQ(json.substr(0, 18), "{\n  \"version\": \"\",");  // record order
  EXPECT_NE(json.find("\"sequence_number\": 7,"), std::string::npos);
  EXPECT_NE(json.find("\"multicast_ip\": \"239.1.1.1\","), std::string::npos);
  EXPECT_NE(json.find("\"old_password\": null,"), std::string::npos);
  EXPECT_NE(json.find("\"prg_provider_name\": \"say \\\"hi\\\"\\\\\"\n}"), std::string::npos);
  PutRecordFields(entry, record, true);
  EXPECT_EQ(entry["old_password"], "ULDRULDR");
}

TEST(RecordPrinter, EncoderTextIsDecodedFromGb18030AndWhatDoesNotDecodeIsReported) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  // GB2312 for two Chinese characters
  EXPECT_EQ(DecodeEncoderText("\xD6\xD0\xCE\xC4").utf8, "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_FALSE(DecodeEncoderText("\xD6\xD0\xCE\xC4").undecodable);
  EXPECT_EQ(DecodeEncoderText("a\x01").utf8, "a\x01");  // JSON escapes control characters itself
  const DecodedText broken = DecodeEncoderText("\xFFok\xD6");  // a bad byte, and a character cut off at the end
  EXPECT_EQ(broken.utf8, "\xEF\xBF\xBDok\xEF\xBF\xBD");
  EXPECT_TRUE(broken.undecodable);
  Json entry = Json::object();
  PutEncoderText(entry, "name", "\xFF");
  EXPECT_EQ(FormatJson(entry), "{\n  \"name\": \"\xEF\xBF\xBD\",\n  \"undecodable\": true\n}\n");
}

}  // namespace
}  // namespace kestrine::cli
