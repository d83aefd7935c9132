#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "EncoderClient.h"
#include "platform/Ipv4Text.h"
#include "sim/FleetStreams.h"
#include "stream/StreamReceiver.h"
#include "support/Eventually.h"
#include "support/UdpPorts.h"

namespace kestrine::sim::test {
namespace {

using kestrine::test::Eventually;
using kestrine::test::FreeUdpPort;

stream::Destination Loopback(std::uint16_t port) {
  return {platform::HostToNetwork32(platform::kLoopbackHostOrder), port, stream::Framing::Udp};
}

void SendTo(SimulatedEncoder encoder, const stream::Destination& to) {
  config::EncoderConfiguration record = encoder.Configuration();
  record.multicast_ip = to.address;
  record.multicast_port = to.port;
  encoder.SetConfiguration(record);
}

// Datagrams that arrive at `receiver` within `window`.
std::size_t Received(stream::StreamReceiver& receiver, std::chrono::milliseconds window) {
  std::size_t count = 0;
  receiver.ReceiveFor(window, [&](auto, auto) { ++count; }, {}, {});
  return count;
}

std::optional<stream::StreamReceiver> Listen(const stream::Destination& at) {
  std::string error;
  std::optional<stream::StreamReceiver> receiver = stream::StreamReceiver::Open(at, "", error);
  EXPECT_TRUE(receiver) << error;
  return receiver;
}

TEST(Streaming, FromStartToStopAndToWhereverTheRecordSaysNow) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  const stream::Destination first = Loopback(FreeUdpPort());
  const stream::Destination second = Loopback(FreeUdpPort());
  std::optional<stream::StreamReceiver> atFirst = Listen(first);
  std::optional<stream::StreamReceiver> atSecond = Listen(second);
  ASSERT_TRUE(atFirst && atSecond);
  SendTo(encoder, first);
  EXPECT_EQ(Received(*atFirst, 100ms), 0u) << "nothing before 1005";

  EncoderClient(encoder).SendRequest(net::CMD_TS_START);
  ASSERT_TRUE(Eventually([&] { return encoder.Stream().sending; }));
  EXPECT_EQ(encoder.Stream().destination, stream::FormatDestination(first));
  EXPECT_GT(Received(*atFirst, 200ms), 0u);

  // A new destination: the stream moves there.
  SendTo(encoder, second);
  ASSERT_TRUE(Eventually([&] { return encoder.Stream().destination == stream::FormatDestination(second); }));
  EXPECT_GT(Received(*atSecond, 200ms), 0u);
  (void)Received(*atFirst, 50ms);  // what was on its way
  EXPECT_EQ(Received(*atFirst, 200ms), 0u);

  EncoderClient(encoder).SendRequest(net::CMD_TS_STOP);
  ASSERT_TRUE(Eventually([&] { return !encoder.Stream().sending; }));
  (void)Received(*atSecond, 50ms);
  EXPECT_EQ(Received(*atSecond, 200ms), 0u);
}

TEST(Streaming, NothingLeavesForAnAddressOffLoopbackAndTheReasonIsSaidOnce) {
  std::mutex mutex;
  std::vector<std::string> said;
  FleetOptions options = FleetOptions::ForTests();
  options.reportProblem = [&](const std::string& line) {
    std::lock_guard lock(mutex);
    said.push_back(line);
  };
  StartedFleet fleet(options);
  SimulatedEncoder encoder = fleet.Encoder();
  SendTo(encoder, {platform::InetAddr("239.1.1.5"), 1234, stream::Framing::Udp});
  encoder.SetStreaming(true);
  ASSERT_TRUE(Eventually([&] { return !encoder.Stream().problem.empty(); }));
  EXPECT_FALSE(encoder.Stream().sending);
  EXPECT_EQ(encoder.Stream().problem,
            "it is a multicast group, and no --multicast-interface names an interface for groups");

  config::EncoderConfiguration record = encoder.Configuration();
  record.cvbs_hue = 99;  // another change: the same reason is not said again
  encoder.SetConfiguration(record);
  SendTo(encoder, {platform::InetAddr("192.0.2.7"), 1234, stream::Framing::Udp});
  ASSERT_TRUE(Eventually([&] { return encoder.Stream().destination == "192.0.2.7:1234"; }));
  EXPECT_FALSE(encoder.Stream().sending);
  std::lock_guard lock(mutex);
  EXPECT_EQ(said, (std::vector<std::string>{
                      "127.0.0.1: the stream to 239.1.1.5:1234 is not sent: it is a multicast group, and no "
                      "--multicast-interface names an interface for groups",
                      "127.0.0.1: the stream to 192.0.2.7:1234 is not sent: it is not a loopback address (the "
                      "simulator sends only to 127.0.0.0/8, and to multicast groups on the interface "
                      "--multicast-interface names)"}));
}

TEST(Streaming, OnlyLoopbackAndNamedMulticastAreDestinations) {
  const platform::NetworkInterface lo{"lo", 1, platform::HostToNetwork32(platform::kLoopbackHostOrder)};
  EXPECT_FALSE(StreamRefusal(platform::InetAddr("127.3.2.1"), std::nullopt));
  EXPECT_TRUE(StreamRefusal(platform::InetAddr("239.1.1.1"), std::nullopt));
  EXPECT_FALSE(StreamRefusal(platform::InetAddr("239.1.1.1"), lo));
  for (const char* off : {"10.0.0.1", "192.168.1.255", "255.255.255.255", "0.0.0.0"}) {
    EXPECT_TRUE(StreamRefusal(platform::InetAddr(off), lo)) << off;
  }
}

TEST(Streaming, ARecordThatDescribesNoStreamSaysWhy) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  config::EncoderConfiguration record = encoder.Configuration();
  record.audio_pid = record.video_pid;
  encoder.SetConfiguration(record);
  encoder.SetStreaming(true);
  ASSERT_TRUE(Eventually([&] { return !encoder.Stream().problem.empty(); }));
  EXPECT_EQ(encoder.Stream().problem, "video_pid and audio_pid are both 258");
}

}  // namespace
}  // namespace kestrine::sim::test
