#include <gtest/gtest.h>

#include "stream/StreamJudge.h"
#include "tests/stream/SyntheticStream.h"

namespace kestrine::stream::test {
namespace {

struct Rates {
  int mux;
  int audio;
  int channelMode;
  bool pcrOnVideo;
};

class GeneratorTest : public ::testing::TestWithParam<Rates> {};

// Over a long stretch every picture and every audio frame goes out in its own time (a stream that fell behind
// its frames would present them ever later), the tables and PCRs come as often as they must, and the rate is
// exactly the record's.
TEST_P(GeneratorTest, KeepsPacePicturesFramesTablesAndPcrsAtAnyRate) {
  const Rates& rates = GetParam();
  config::EncoderConfiguration record = TestRecord();
  record.mux_bitrate = rates.mux;
  record.analog_bitrate = rates.audio;
  record.analog_channel_mode = rates.channelMode;
  if (rates.pcrOnVideo) record.pcr_pid = record.video_pid;
  DeriveVideoBitrate(record);
  std::vector<Datagram> datagrams = Generate(record, std::chrono::seconds(20));
  ASSERT_FALSE(datagrams.empty());

  std::size_t pictures = 0;
  std::size_t audioFrames = 0;
  for (const Datagram& d : datagrams) {
    for (std::size_t at = 0; at + kPacketSize <= d.bytes.size(); at += kPacketSize) {
      const std::uint8_t* p = &d.bytes[at];
      if (!UnitStartOf(p)) continue;
      pictures += PidOf(p) == record.video_pid;
      audioFrames += PidOf(p) == record.audio_pid;
    }
  }
  EXPECT_NEAR(static_cast<double>(pictures), 20 * 25, 1);
  EXPECT_NEAR(static_cast<double>(audioFrames), 20.0 * 48000 / 1152, 1);

  const StreamMeasurement m = Analyse(datagrams, record);
  EXPECT_NEAR(*m.bitrateKbps, rates.mux, 0.01);
  EXPECT_LE(m.patAbsence.longestSeconds, 0.1);
  ASSERT_EQ(m.pmtAbsences.size(), 1u);
  EXPECT_LE(m.pmtAbsences[0].longestSeconds, 0.1);
  EXPECT_LE(m.longestPcrIntervalMs, 40);
  EXPECT_TRUE(JudgeStream(record, m, {}).empty());
}

INSTANTIATE_TEST_SUITE_P(Rates, GeneratorTest,
                         ::testing::Values(Rates{548, 32, 3, true}, Rates{800, 384, 0, false},
                                           Rates{4000, 192, 0, false}, Rates{9999, 192, 0, true}));

TEST(Generator, ARateThatCannotCarryThePicturesSaysSo) {
  config::EncoderConfiguration record = TestRecord();
  record.mux_bitrate = 548;
  record.analog_bitrate = 384;
  record.analog_channel_mode = 0;
  std::string whyNot;
  const std::optional<StreamLayout> layout = LayoutFor(record, whyNot);
  ASSERT_TRUE(layout) << whyNot;
  EXPECT_FALSE(TransportStreamGenerator::Create(*layout, {}, whyNot));
  EXPECT_EQ(whyNot, "548 kbit/s leave the video 0 kbit/s, less than the 129 kbit/s its pictures need");
}

}  // namespace
}  // namespace kestrine::stream::test
