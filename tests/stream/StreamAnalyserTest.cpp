#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "stream/PacketWriter.h"
#include "stream/StreamJudge.h"
#include "stream/StreamTypes.h"
#include "support/Gb18030.h"
#include "tests/stream/SyntheticStream.h"

namespace kestrine::stream::test {
namespace {

std::vector<std::string> KindsOf(const std::vector<StreamFinding>& findings) {
  std::vector<std::string> kinds;
  for (const StreamFinding& f : findings) kinds.emplace_back(FindingKindName(f.kind));
  return kinds;
}

// Every packet of the datagrams in order, as pointers into them.
std::vector<std::uint8_t*> PacketsOf(std::vector<Datagram>& datagrams) {
  std::vector<std::uint8_t*> packets;
  for (Datagram& d : datagrams) {
    const std::size_t start = d.bytes[0] == kSyncByte ? 0 : kRtpHeaderSize;
    for (std::size_t at = start; at + kPacketSize <= d.bytes.size(); at += kPacketSize) packets.push_back(&d.bytes[at]);
  }
  return packets;
}

std::vector<std::uint8_t*> PacketsOn(std::vector<Datagram>& datagrams, std::uint16_t pid) {
  std::vector<std::uint8_t*> on;
  for (std::uint8_t* p : PacketsOf(datagrams)) {
    if (PidOf(p) == pid) on.push_back(p);
  }
  return on;
}

TEST(StreamAnalyser, ASoundStreamIsMeasuredAsItsRecordSays) {
  KESTRINE_SKIP_WITHOUT_GB18030();  // the service name is GB2312
  for (const int mode : {0, 1}) {
    config::EncoderConfiguration record = TestRecord();
    record.multicast_mode = mode;
    const StreamMeasurement m = Analyse(Generate(record, 1500ms), record);

    EXPECT_EQ(m.transport, mode == 0 ? Transport::Udp : Transport::Rtp);
    ASSERT_TRUE(m.pat);
    EXPECT_EQ(m.pat->programs, (std::vector<ProgramEntry>{{7, 4096}}));
    const PmtTable* pmt = m.ProgramMap(7);
    ASSERT_NE(pmt, nullptr);
    EXPECT_EQ(pmt->pcrPid, 4097);
    EXPECT_EQ(pmt->streams, (std::vector<ElementaryStream>{{4098, kMpeg2VideoType}, {4099, kMpeg1AudioType}}));
    const MeasuredProgram program = FindProgram(record, m);
    EXPECT_EQ(program.serviceName, "新闻频道");
    EXPECT_EQ(program.providerName, "Harbour");
    ASSERT_TRUE(m.bitrateKbps);
    EXPECT_NEAR(*m.bitrateKbps, 3000, 0.5);
    EXPECT_NEAR(*program.audioKbps, 128, 128 * 0.05);
    EXPECT_NEAR(*program.videoKbps, record.video_bitrate, record.video_bitrate * 0.02);
    EXPECT_LE(m.longestPcrIntervalMs, 40);
    EXPECT_TRUE(JudgeStream(record, m, {}).empty()) << ::testing::PrintToString(KindsOf(JudgeStream(record, m, {})));
  }
}

TEST(StreamAnalyser, TheRateComesFromThePcrsNotFromWhenDatagramsArrive) {
  const config::EncoderConfiguration record = TestRecord();
  std::vector<Datagram> datagrams = Generate(record, 1000ms);
  std::mt19937 random(7);
  for (Datagram& d : datagrams) d.arrival += std::chrono::milliseconds(random() % 40);  // jitter, even reordering
  const StreamMeasurement m = Analyse(datagrams, record);
  EXPECT_NEAR(*m.bitrateKbps, 3000, 0.5);
  EXPECT_TRUE(JudgeStream(record, m, {}).empty()) << ::testing::PrintToString(KindsOf(JudgeStream(record, m, {})));
}

struct Damage {
  const char* name;
  std::function<void(std::vector<Datagram>&)> apply;
  std::vector<std::string> kinds;
  int mode = 0;
};

class DamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamageTest, IsCaughtByItsOwnFindingAndNothingElse) {
  config::EncoderConfiguration record = TestRecord();
  record.multicast_mode = GetParam().mode;
  std::vector<Datagram> datagrams = Generate(record, 1200ms);
  GetParam().apply(datagrams);
  const StreamMeasurement m = Analyse(datagrams, record, datagrams.back().arrival + 1ms);
  EXPECT_EQ(KindsOf(JudgeStream(record, m, {})), GetParam().kinds);
}

// Null packets belong to no PID's count, so damage to them is the damage alone.
void DamageNullPackets(std::vector<Datagram>& d, std::size_t count, const std::function<void(std::uint8_t*)>& harm) {
  const std::vector<std::uint8_t*> nulls = PacketsOn(d, kNullPid);
  std::vector<std::uint8_t*> all = PacketsOf(d);
  for (std::size_t i = 0; i + count < all.size(); ++i) {
    bool run = true;
    for (std::size_t k = 0; k < count; ++k) run = run && PidOf(all[i + k]) == kNullPid;
    if (!run) continue;
    for (std::size_t k = 0; k < count; ++k) harm(all[i + k]);
    return;
  }
  ADD_FAILURE() << "no run of " << count << " null packets among " << nulls.size();
}

// The tenth PCR of the stream, moved on by `ticks`.
void ShiftOnePcr(std::vector<Datagram>& d, std::uint64_t ticks) {
  int seen = 0;
  for (std::uint8_t* p : PacketsOn(d, 4097)) {
    if (!HasAdaptationField(p) || (p[5] & 0x10) == 0 || ++seen < 10) continue;
    PutPcr(p + 6, (ReadPcr(p + 6) + ticks) % kPcrWrap);
    return;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Each, DamageTest,
    ::testing::Values(Damage{"SyncByte",
                             [](auto& d) { DamageNullPackets(d, 1, [](std::uint8_t* p) { p[0] = 0x00; }); },
                             {"sync-byte-error"}},
                      Damage{"SyncLoss",
                             [](auto& d) { DamageNullPackets(d, 3, [](std::uint8_t* p) { p[0] = 0x00; }); },
                             {"ts-sync-loss", "sync-byte-error"}},
                      Damage{"TransportError",
                             [](auto& d) { DamageNullPackets(d, 1, [](std::uint8_t* p) { p[1] |= 0x80; }); },
                             {"transport-error"}},
                      Damage{"Crc", [](auto& d) { PacketsOn(d, kPatPid)[3][12] ^= 0x01; }, {"crc-error"}},
                      Damage{"ScrambledPat", [](auto& d) { PacketsOn(d, kPatPid)[2][3] |= 0x80; }, {"pat-error"}},
                      Damage{"PcrJump", [](auto& d) { ShiftOnePcr(d, 27'000'000 / 2); }, {"pcr-discontinuity-error"}},
                      Damage{"RtpSequence",
                             [](auto& d) { d[50].bytes[3] = static_cast<std::uint8_t>(d[50].bytes[3] + 5); },
                             {"rtp-sequence-error"},
                             1},
                      Damage{"RtpPayloadType", [](auto& d) { d[50].bytes[1] = 96; }, {"rtp-payload-type"}, 1},
                      Damage{"Interruption",
                             [](auto& d) {
                               for (std::size_t i = d.size() / 2; i < d.size(); ++i) d[i].arrival += 400ms;
                             },
                             {"stream-interrupted"}},
                      Damage{"PlainUdpWhereRtpIsConfigured",
                             [](auto& d) {
                               for (Datagram& g : d) g.bytes.erase(g.bytes.begin(), g.bytes.begin() + kRtpHeaderSize);
                             },
                             {"multicast_mode"},
                             1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StreamAnalyser, FindingsGiveTheConfiguredAndTheMeasuredValue) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  const config::EncoderConfiguration sent = TestRecord();
  const StreamMeasurement m = Analyse(Generate(sent, 1000ms), sent);
  config::EncoderConfiguration expected = sent;
  expected.program_no = 8;
  EXPECT_EQ(JudgeStream(expected, m, {}),
            (std::vector<StreamFinding>{{FindingKind::ProgramNo, "configured 8, the PAT lists program 7"}}));
  expected = sent;
  expected.pmt_pid = 300;
  expected.pcr_pid = 4098;
  expected.audio_pid = 4100;
  config::StoreText(expected.prg_name, "Kestrine 1");
  expected.mux_bitrate = 2800;
  EXPECT_EQ(JudgeStream(expected, m, {}),
            (std::vector<StreamFinding>{
                {FindingKind::PmtPid, "configured 300, the PAT gives PID 4096 for program 7"},
                {FindingKind::PcrPid, "configured 4098, the PMT gives PID 4097"},
                {FindingKind::AudioPid,
                 "configured 4100, the PMT has no stream on PID 4100; the audio is on PID 4099 (0x03 (MPEG-1 audio))"},
                {FindingKind::PrgName, "configured \"Kestrine 1\", the SDT has \"新闻频道\""},
                {FindingKind::MuxBitrate,
                 "configured 2800 kbit/s, measured 3000.0 kbit/s (+7.1 %, more than the 2 % allowed)"},
            }));
  JudgeOptions wide;
  wide.bitrateTolerancePercent = 8;
  expected = sent;
  expected.mux_bitrate = 2800;
  EXPECT_TRUE(JudgeStream(expected, m, wide).empty());
}

}  // namespace
}  // namespace kestrine::stream::test
