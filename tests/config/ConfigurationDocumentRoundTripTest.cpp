#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "tests/support/SampleRecords.h"

namespace kestrine::config {
namespace {

using Names = std::vector<std::string>;

constexpr std::string_view kMarkupName = "<A&B> \"q\" 's' &amp;";
constexpr std::string_view kMarkupProvider = "&&<<>>\"\"''";

TEST(ConfigurationDocumentRoundTripTest, WrittenDocumentReadsBackEverythingItCarries) {
  EncoderConfiguration written = samples::EncoderDocumentRecord();
  StoreText(written.prg_name, std::string(kMarkupName) + std::string(samples::kGbChineseTest));
  StoreText(written.prg_provider_name, kMarkupProvider);
  EncoderConfiguration read = samples::UntouchedRecord();
  ASSERT_EQ(LoadConfigurationDocument(BuildConfigurationDocument(written), read), 1);
  // The mode goes out as multicast_Mode but is read as multicast_mode; TS_bitrate is never written.
  EXPECT_EQ(samples::ChangedFields(written, read), (Names{"multicast_mode", "TS_bitrate"}));
}

TEST(ConfigurationDocumentRoundTripTest, DirectionsDifferWhereTheEncoderExpectsThemTo) {
  EncoderConfiguration record;
  record.analog_mode = 1;                    // written "Unknown", which a read leaves alone
  record.audio_input = 5;                    // written "spdif", read as 2
  record.multicast_mode = 1;                 // not read back at all
  (void)BuildConfigurationDocument(record);  // settles the names and the PMT PID first
  const EncoderConfiguration written = record;
  ASSERT_EQ(LoadConfigurationDocument(BuildConfigurationDocument(record), record), 1);
  // An empty version goes out as "1.00" and comes back as that.
  EXPECT_EQ(samples::ChangedFields(written, record), (Names{"version", "audio_input"}));
  EXPECT_EQ(record.audio_input, 2);
  EXPECT_EQ(TextOf(record.prg_name), "DVB");
}

// Runs a shell command and returns what it printed, or nothing when it failed.
bool RunCommand(const std::string& command, std::string& output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[256];
  output.clear();
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  return pclose(pipe) == 0;
}

// Another parser's opinion: the document is well-formed, its declaration is
// honest about GB2312, and the escaped names decode to what was held.
TEST(ConfigurationDocumentRoundTripTest, IndependentParserReadsTheNamesBack) {
#ifdef _WIN32
  GTEST_SKIP() << "xmllint runs through a POSIX shell, which Windows has not";
#endif
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint (libxml2-utils) missing";
  EncoderConfiguration record = samples::EncoderDocumentRecord();
  StoreText(record.prg_name, std::string(kMarkupName) + std::string(samples::kGbChineseTest));
  StoreText(record.prg_provider_name, kMarkupProvider);
  const std::string path = ::testing::TempDir() + "kestrine_written_document.xml";
  std::ofstream(path, std::ios::binary) << BuildConfigurationDocument(record);

  std::string output;
  ASSERT_TRUE(RunCommand("xmllint --noout '" + path + "' 2>&1", output)) << output;
  ASSERT_TRUE(RunCommand("xmllint --xpath 'string(/tavrix/mux/prg_name)' '" + path + "'", output));
  // xmllint prints in UTF-8: the GB2312 bytes of 中文测试 come back decoded.
  EXPECT_EQ(output, std::string(kMarkupName) + "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95\n");
  ASSERT_TRUE(RunCommand("xmllint --xpath 'string(/tavrix/mux/prg_provider_name)' '" + path + "'", output));
  EXPECT_EQ(output, std::string(kMarkupProvider) + "\n");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace kestrine::config
