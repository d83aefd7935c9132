// kestrinectl probe against simulated encoders whose streams go to free ports of 127.0.0.1.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/EncoderConfiguration.h"
#include "sim/EncoderFleet.h"
#include "support/Eventually.h"
#include "support/UdpPorts.h"
#include "tests/cli/InProcessRun.h"

namespace kestrine::cli {
namespace {

using Result = test::CommandResult;

class ProbeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(fleet_.Start(error)) << error;
    for (std::size_t i = 0; i < 2; ++i) {
      config::EncoderConfiguration record = fleet_.Encoder(i).Configuration();
      record.multicast_port = kestrine::test::FreeUdpPort();
      fleet_.Encoder(i).SetConfiguration(record);
    }
  }

  Result Run(const std::vector<std::string>& args) { return test::RunAgainst(fleet_, args); }
  std::string Address(std::size_t i) { return fleet_.Encoder(i).AddressText(); }
  std::string Port(std::size_t i) { return std::to_string(fleet_.Encoder(i).Configuration().multicast_port); }

  void StartStreams() {
    ASSERT_EQ(Run({"start", Address(0), Address(1)}).status, 0);
    for (std::size_t i = 0; i < 2; ++i)
      ASSERT_TRUE(kestrine::test::Eventually(
          [&] { return fleet_.Encoder(i).StreamSettled() && fleet_.Encoder(i).Stream().sending; }));
  }

  sim::EncoderFleet fleet_{sim::FleetOptions::ForTests(2)};
};

TEST_F(ProbeCommand, SaysOkPerEncoderWithWhatTheStreamIs) {
  StartStreams();
  const Result result = Run({"probe", Address(0), Address(1), "--duration", "700"});
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(result.out.find(Address(0) + ": OK program 1 \"Kestrine 1\" (Kestrine), 4000.0 kbit/s, video "), 0u)
      << result.out;
  EXPECT_NE(result.out.find("\n" + Address(1) + ": OK program 1 \"Kestrine 2\""), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(", udp 127.0.0.1:" + Port(1) + "\n"), std::string::npos) << result.out;
}

TEST_F(ProbeCommand, AChangedPidAndModeWrittenBySetShowInTheNextProbe) {
  StartStreams();
  const std::string password = fleet_.Encoder(1).Password();
  ASSERT_EQ(Run({"set", Address(1), "--password", password, "video_pid=300", "multicast_mode=rtp"}).status, 0);
  const nlohmann::json j = Run({"probe", Address(1), "--duration", "700", "--json"}).Json();
  ASSERT_EQ(j.size(), 1u);
  EXPECT_EQ(j[0]["ok"], true) << j.dump(1);
  EXPECT_EQ(j[0]["configured"]["video_pid"], 300);
  EXPECT_EQ(j[0]["measured"]["video_pid"], 300);
  EXPECT_EQ(j[0]["measured"]["transport"], "rtp");
  EXPECT_EQ(j[0]["measured"]["video_stream_type"], 2);
  EXPECT_EQ(j[0]["measured"]["prg_name"], "Kestrine 2");
  EXPECT_EQ(j[0]["counters"]["continuity_count_error"], 0);
  EXPECT_EQ(j[0]["findings"], nlohmann::json::array());
}

TEST_F(ProbeCommand, EachFindingIsALineAndAnyFindingFails) {
  stream::StreamFaults faults;
  faults.bitrateOffsetPercent = 10;
  fleet_.Encoder(0).SetStreamFaults(faults);
  StartStreams();
  const Result result = Run({"probe", Address(0), Address(1), "--duration", "700"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out.find(Address(0) + ": mux_bitrate: configured 4000 kbit/s, measured 4400.0 kbit/s (+10.0 %, "
                                         "more than the 2 % allowed)\n"),
            0u)
      << result.out;
  EXPECT_NE(result.out.find(Address(1) + ": OK "), std::string::npos);
  // A wider tolerance lets it pass; the JSON carries the finding with its kind.
  EXPECT_EQ(Run({"probe", Address(0), "--duration", "500", "--bitrate-tolerance", "12"}).status, 0);
  const nlohmann::json j = Run({"probe", Address(0), "--duration", "500", "--json"}).Json();
  EXPECT_EQ(j[0]["ok"], false);
  EXPECT_EQ(j[0]["findings"][0]["kind"], "mux_bitrate");
}

TEST_F(ProbeCommand, NoStreamIsAFailureAndBadOptionsAreUsageErrors) {
  const Result silent = Run({"probe", Address(0), "--duration", "300"});
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(silent.out, Address(0) + ": no-stream: no stream received at 127.0.0.1:" + Port(0) + " within 0.3 s\n");
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"probe", Address(0), "--duration", "0"},
                                              {"probe", Address(0), "--bitrate-tolerance", "-1"},
                                              {"probe"}}) {
    EXPECT_EQ(Run(bad).status, 2) << bad.back();
  }
}

}  // namespace
}  // namespace kestrine::cli
