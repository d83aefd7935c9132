// An independent reader of the simulator's stream: ffprobe (Debian's ffmpeg) must find in it what the record says.
#include <gtest/gtest.h>

#ifdef _WIN32
namespace kestrine::stream::test {
TEST(IndependentReader, FfprobeFindsTheProgramItsPidsAndBothNames) {
  GTEST_SKIP() << "ffprobe reads the simulator's stream beside the Linux build; Windows has no ffprobe here";
}
}  // namespace kestrine::stream::test
#else
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/EncoderConfiguration.h"
#include "sim/EncoderFleet.h"
#include "sim/SimulatedEncoder.h"
#include "support/Eventually.h"
#include "support/SampleRecords.h"
#include "support/UdpPorts.h"

namespace kestrine::stream::test {
namespace {

std::string OutputOf(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  ::pclose(pipe);
  return output;
}

TEST(IndependentReader, FfprobeFindsTheProgramItsPidsAndBothNames) {
  if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ffprobe is not installed (Debian package ffmpeg; scripts/install-deps.sh installs it)";
  }
  sim::EncoderFleet fleet(sim::FleetOptions::ForTests());
  std::string error;
  ASSERT_TRUE(fleet.Start(error)) << error;
  sim::SimulatedEncoder encoder = fleet.Encoder(0);
  config::EncoderConfiguration record = encoder.Configuration();
  record.multicast_port = kestrine::test::FreeUdpPort();
  record.program_no = 301;
  record.pmt_pid = 1001;
  record.pcr_pid = 1002;
  record.video_pid = 1003;
  record.audio_pid = 1004;
  config::StoreText(record.prg_name, samples::kGbNewsChannel);
  config::StoreText(record.prg_provider_name, "Harbour TV");
  encoder.SetConfiguration(record);
  encoder.SetStreaming(true);
  ASSERT_TRUE(kestrine::test::Eventually([&] { return encoder.Stream().sending; })) << encoder.Stream().problem;

  const std::string url = "udp://127.0.0.1:" + std::to_string(record.multicast_port) + "?timeout=10000000";
  const std::string printed =
      OutputOf("ffprobe -v quiet -analyzeduration 2000000 -print_format json -show_programs '" + url + "' 2>/dev/null");
  const nlohmann::json j = nlohmann::json::parse(printed, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << printed;
  ASSERT_EQ(j["programs"].size(), 1u) << printed;
  const nlohmann::json& program = j["programs"][0];
  std::cout << "ffprobe: program " << program["program_num"] << ", PMT PID " << program["pmt_pid"] << ", PCR PID "
            << program["pcr_pid"] << ", " << program["tags"].dump();
  for (const nlohmann::json& s : program["streams"]) {
    std::cout << "; " << s["id"] << " " << s["codec_name"] << " " << s.value("width", 0) << "x" << s.value("height", 0)
              << " " << s.value("sample_rate", "") << " " << s.value("channels", 0);
  }
  std::cout << '\n';
  EXPECT_EQ(program["program_num"], 301);
  EXPECT_EQ(program["pmt_pid"], 1001);
  EXPECT_EQ(program["pcr_pid"], 1002);
  EXPECT_EQ(program["tags"]["service_name"], "新闻频道");
  EXPECT_EQ(program["tags"]["service_provider"], "Harbour TV");
  ASSERT_EQ(program["streams"].size(), 2u);
  EXPECT_EQ(program["streams"][0]["id"], "0x3eb");  // 1003
  EXPECT_EQ(program["streams"][0]["codec_name"], "mpeg2video");
  EXPECT_EQ(program["streams"][0]["width"], 720);
  EXPECT_EQ(program["streams"][0]["height"], 576);
  EXPECT_EQ(program["streams"][1]["id"], "0x3ec");  // 1004
  EXPECT_EQ(program["streams"][1]["codec_name"], "mp2");
  EXPECT_EQ(program["streams"][1]["sample_rate"], "48000");
}

}  // namespace
}  // namespace kestrine::stream::test
#endif
