#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Ipv4Text.h"
#include "sim/EncoderFleet.h"
#include "sim/SimulatedEncoder.h"
#include "stream/StreamProbe.h"
#include "support/Eventually.h"
#include "support/UdpPorts.h"
#include "support/Wine.h"

namespace kestrine::stream::test {
namespace {

using namespace std::chrono_literals;
using kestrine::test::Eventually;

std::vector<std::string> KindsOf(const std::vector<StreamFinding>& findings) {
  std::vector<std::string> kinds;
  for (const StreamFinding& f : findings) kinds.emplace_back(FindingKindName(f.kind));
  return kinds;
}

// One simulated encoder whose stream goes to a free port of 127.0.0.1.
class SimulatedStream : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(fleet_.Start(error)) << error;
    config::EncoderConfiguration record = Encoder().Configuration();
    record.multicast_port = kestrine::test::FreeUdpPort();
    Encoder().SetConfiguration(record);
  }

  sim::SimulatedEncoder Encoder() { return fleet_.Encoder(0); }

  void SetMode(int mode) {
    config::EncoderConfiguration record = Encoder().Configuration();
    record.multicast_mode = mode;
    Encoder().SetConfiguration(record);
  }

  ProbeResult ProbeRunningStream(std::chrono::milliseconds duration = 800ms) {
    Encoder().SetStreaming(true);
    EXPECT_TRUE(Eventually([&] { return Encoder().StreamSettled() && Encoder().Stream().sending; }))
        << Encoder().Stream().problem;
    ProbeOptions options;
    options.duration = duration;
    return ProbeStream(Encoder().Configuration(), options);
  }

  // Listens before the stream starts, so it sees the stream from its first packet to its last.
  std::vector<StreamFinding> ProbeFromTheStart(std::chrono::milliseconds duration) {
    const config::EncoderConfiguration record = Encoder().Configuration();
    std::string error;
    std::optional<StreamReceiver> receiver = StreamReceiver::Open(DestinationOf(record), "", error);
    EXPECT_TRUE(receiver) << error;
    if (!receiver) return {};
    Encoder().SetStreaming(true);
    StreamAnalyser analyser(
        ProgramHint{static_cast<std::uint16_t>(record.program_no), static_cast<std::uint16_t>(record.pmt_pid)});
    receiver->ReceiveFor(duration, [&](auto datagram, auto at) { analyser.Feed(datagram, at); }, {}, {});
    EXPECT_GT(analyser.Datagrams(), 0u);
    return JudgeStream(record, analyser.Measure(StreamReceiver::Clock::now()), {});
  }

  sim::EncoderFleet fleet_{sim::FleetOptions::ForTests()};
};

TEST_F(SimulatedStream, ACleanStreamPassesInEitherMode) {
  for (const int mode : {0, 1}) {
    SetMode(mode);
    const ProbeResult result = ProbeRunningStream();
    EXPECT_TRUE(result.Ok()) << mode << ": " << ::testing::PrintToString(KindsOf(result.findings))
                             << (result.findings.empty() ? "" : result.findings[0].text);
    EXPECT_EQ(result.measured.transport, mode == 0 ? Transport::Udp : Transport::Rtp);
    EXPECT_EQ(result.program.serviceName, "Kestrine 1");
    EXPECT_NE(SummaryText(result).find("program 1 \"Kestrine 1\" (Kestrine), 4000.0 kbit/s"), std::string::npos)
        << SummaryText(result);
  }
}

struct Fault {
  const char* name;
  StreamFaults faults;
  std::chrono::milliseconds listen;
  std::vector<std::string> kinds;
};

class StreamFaultTest : public SimulatedStream, public ::testing::WithParamInterface<Fault> {};

TEST_P(StreamFaultTest, IsCaughtByItsOwnFindingAndNothingElse) {
  Encoder().SetStreamFaults(GetParam().faults);
  EXPECT_EQ(KindsOf(ProbeFromTheStart(GetParam().listen)), GetParam().kinds);
}

StreamFaults With(void (*set)(StreamFaults&)) {
  StreamFaults faults;
  set(faults);
  return faults;
}

INSTANTIATE_TEST_SUITE_P(
    Each, StreamFaultTest,
    ::testing::Values(
        Fault{"NoPat", With([](StreamFaults& f) { f.noPat = true; }), 800ms, {"pat-error"}},
        Fault{"NoSdt", With([](StreamFaults& f) { f.noSdt = true; }), 2300ms, {"sdt-missing"}},
        Fault{"SwappedPids", With([](StreamFaults& f) { f.swapPids = true; }), 800ms, {"video_pid", "audio_pid"}},
        Fault{"ContinuityErrors",
              With([](StreamFaults& f) { f.continuityErrors = true; }),
              800ms,
              {"continuity-count-error"}},
        Fault{"PcrGap", With([](StreamFaults& f) { f.pcrInterval = 80ms; }), 800ms, {"pcr-repetition-error"}},
        Fault{"BitrateOff", With([](StreamFaults& f) { f.bitrateOffsetPercent = 10; }), 800ms, {"mux_bitrate"}},
        Fault{"Stops", With([](StreamFaults& f) { f.stopAfter = 300ms; }), 1200ms, {"stream-interrupted"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimulatedStream, NoStreamAtAllIsAFailureThatSaysWhereAndHowLong) {
  ProbeOptions options;
  options.duration = 300ms;
  const config::EncoderConfiguration record = Encoder().Configuration();
  const ProbeResult result = ProbeStream(record, options);
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(result.findings,
            (std::vector<StreamFinding>{
                {FindingKind::NoStream,
                 "no stream received at 127.0.0.1:" + std::to_string(record.multicast_port) + " within 0.3 s"}}));
}

TEST_F(SimulatedStream, ADestinationThisHostCannotReceiveIsAClearFailure) {
  if (kestrine::test::UnderWine()) GTEST_SKIP() << "Wine binds a socket to an address this host does not have";
  config::EncoderConfiguration record = Encoder().Configuration();
  record.multicast_ip = platform::InetAddr("192.0.2.7");  // no address of this host: nothing is sent or joined
  ProbeOptions options;
  options.duration = 300ms;
  const ProbeResult result = ProbeStream(record, options);
  EXPECT_EQ(KindsOf(result.findings), std::vector<std::string>{"unreceivable"});
  EXPECT_EQ(result.findings[0].text, "cannot receive the stream to 192.0.2.7:" + std::to_string(record.multicast_port) +
                                         " here: 192.0.2.7 is not an address of this host");
}

TEST_F(SimulatedStream, ACancelledProbeEndsEarlyAndKeepsItsCallerAlive) {
  Encoder().SetStreaming(true);
  ProbeOptions options;
  options.duration = 60000ms;
  int kept = 0;
  options.keepAlive = [&] { ++kept; };
  options.cancelled = [&] { return kept >= 3; };
  const ProbeResult result = ProbeStream(Encoder().Configuration(), options);
  EXPECT_TRUE(result.cancelled);
  EXPECT_FALSE(result.Ok());
}

}  // namespace
}  // namespace kestrine::stream::test
