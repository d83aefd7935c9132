#include "cli/RecordPrinter.h"

#include <gtest/gtest.h>

#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"

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

TEST(RecordPrinter, JsonKeepsNumbersAsNumbersAndEverythingElseAsStrings) {
  config::EncoderConfiguration record;
  record.sequence_number = 7;
  record.multicast_ip = platform::InetAddr("239.1.1.1");
  config::StoreText(record.prg_provider_name, "say \"hi\"\\");
  const std::string json = FormatRecordJson(record);
  EXPECT_EQ(json.front(), '{');
  EXPECT_NE(json.find("\"sequence_number\": 7,"), std::string::npos);
  EXPECT_NE(json.find("\"multicast_ip\": \"239.1.1.1\","), std::string::npos);
  EXPECT_NE(json.find("\"prg_provider_name\": \"say \\\"hi\\\"\\\\\"\n}"), std::string::npos);
}

TEST(RecordPrinter, JsonStringsAreUtf8WhateverTheRecordHolds) {
  EXPECT_EQ(JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");              // already UTF-8
  EXPECT_EQ(JsonString("\xD6\xD0\xCE\xC4"), "\"\xE4\xB8\xAD\xE6\x96\x87\"");  // GB2312 for two Chinese characters
  EXPECT_EQ(JsonString("a\x01"), "\"a\\u0001\"");
  EXPECT_EQ(JsonString("\xFF"), "\"\\u00ff\"");  // decodes as nothing: kept, escaped
}

}  // namespace
}  // namespace kestrine::cli
