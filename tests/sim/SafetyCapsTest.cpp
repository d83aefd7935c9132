// What bounds the simulator's cost to a client that misbehaves, and what it says
// when serving goes wrong.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "EncoderClient.h"
#include "sim/FleetLoop.h"
#include "support/Eventually.h"

namespace kestrine::sim::test {
namespace {

using kestrine::test::Eventually;

constexpr std::size_t kMessageReplySize = net::kMessageHeaderSize + net::kMessageRingSize;

net::Bytes MessageRequests(std::size_t count) {
  net::Bytes requests;
  for (std::size_t i = 0; i < count; ++i) {
    const net::Bytes one = net::EncodeRequest(net::CMD_GET_MESSAGE, {});
    requests.insert(requests.end(), one.begin(), one.end());
  }
  return requests;
}

TEST(SafetyCaps, AClientIsDroppedOnceMoreThan64KiBOfItsRepliesWaitUnread) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  ReplyFaults held;
  held.delay = 600s;  // every reply stays queued in the simulator, none reaches the socket
  encoder.SetReplyFaults(net::CMD_GET_MESSAGE, held);
  const std::size_t fitting = FleetLoop::kMaxQueuedBytes / kMessageReplySize;

  EncoderClient within(encoder);
  within.Send(MessageRequests(fitting));
  EncoderClient past(encoder);
  past.Send(MessageRequests(fitting + 1));

  const EncoderClient::Drained dropped = past.ReadUntilClosed();
  EXPECT_TRUE(dropped.closed);
  EXPECT_TRUE(dropped.bytes.empty());
  ASSERT_TRUE(Eventually([&] { return encoder.RequestCount(net::CMD_GET_MESSAGE) == 2 * fitting + 1; }));
  EXPECT_TRUE(within.StaysQuiet(200ms));  // still open, its replies still waiting
}

TEST(SafetyCaps, ConnectionsPastTheLimitWaitUnacceptedUntilOneEnds) {
  FleetOptions options = FleetOptions::ForTests();
  options.maxConnections = 2;
  StartedFleet fleet(options);
  SimulatedEncoder encoder = fleet.Encoder();

  EncoderClient first(encoder);
  EncoderClient second(encoder);
  for (EncoderClient* client : {&first, &second}) {
    client->SendRequest(net::CMD_GET_MESSAGE);
    ASSERT_EQ(client->ReadExactly(kMessageReplySize).size(), kMessageReplySize);
  }
  EncoderClient third(encoder);
  ASSERT_TRUE(third.Connected());  // the system's backlog takes it; the simulator does not
  third.SendRequest(net::CMD_GET_MESSAGE);
  EXPECT_TRUE(third.StaysQuiet(300ms));

  first.Close();
  EXPECT_EQ(third.ReadExactly(kMessageReplySize).size(), kMessageReplySize);
}

TEST(SafetyCaps, AListenerThatCannotBeReopenedIsReportedOnceAndRetried) {
  std::mutex mutex;
  std::vector<std::string> problems;
  FleetOptions options = FleetOptions::ForTests();
  options.reportProblem = [&](const std::string& problem) {
    const std::lock_guard lock(mutex);
    problems.push_back(problem);
  };
  const auto reported = [&] {
    const std::lock_guard lock(mutex);
    return problems;
  };
  StartedFleet fleet(options);
  SimulatedEncoder encoder = fleet.Encoder();
  encoder.SetRefuseConnections(true);
  platform::Socket squatter = platform::Socket::CreateStream();
  ASSERT_TRUE(squatter.Bind(encoder.Address(), encoder.ControlPort()) && squatter.Listen(1));

  encoder.SetRefuseConnections(false);
  ASSERT_TRUE(Eventually([&] { return !reported().empty(); }));
  EXPECT_NE(reported().front().find("cannot listen on " + encoder.AddressText() + ":" +
                                    std::to_string(encoder.ControlPort())),
            std::string::npos)
      << reported().front();
  EXPECT_FALSE(encoder.IsListening());

  squatter.Close();
  EXPECT_TRUE(Eventually([&] { return encoder.IsListening(); }));
  EXPECT_EQ(reported().size(), 1u);
}

}  // namespace
}  // namespace kestrine::sim::test
