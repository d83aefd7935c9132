#include "net/Discovery.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Ipv4Text.h"
#include "tests/net/SimulatedEncoderTest.h"

namespace kestrine::net {
namespace {

using namespace std::chrono_literals;
using test::SimulatedEncoderTest;

// Loopback broadcast: every socket bound to 0.0.0.0 on the port hears it, nothing leaves the host.
constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFF;

class Discovery : public SimulatedEncoderTest {
 protected:
  Discovery() : SimulatedEncoderTest(4) {}

  std::vector<std::string> Search() {
    std::vector<std::string> found;
    summary_ = SearchDevices(kLoopbackBroadcast, settings_, feedback_,
                             [&](const std::string& address) { found.push_back(address); });
    return found;
  }

  SearchSummary summary_;
};

TEST_F(Discovery, EveryEncoderIsFoundByTheAddressInsideItsReply) {
  // All replies come from the one discovery socket, whose source is the same for
  // every encoder: only the address inside each reply tells them apart.
  std::vector<std::string> found = Search();
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < count_; ++i) expected.push_back(Encoder(i).AddressText());
  EXPECT_EQ(found, expected);  // the simulator answers in fleet order, and arrival order is kept
  EXPECT_TRUE(summary_.requestSent);
  EXPECT_EQ(summary_.accepted, count_);
  EXPECT_TRUE(feedback_.messages.empty());
  EXPECT_EQ(feedback_.waitDepth, 0);
}

TEST_F(Discovery, MalformedRepliesAreIgnored) {
  sim::DiscoveryFaults faults;
  faults.mode = sim::DiscoveryReplyMode::BadChecksum;
  Encoder(1).SetDiscoveryFaults(faults);
  faults.mode = sim::DiscoveryReplyMode::WrongDeviceType;
  Encoder(2).SetDiscoveryFaults(faults);
  faults.mode = sim::DiscoveryReplyMode::TooShort;
  Encoder(3).SetDiscoveryFaults(faults);
  EXPECT_EQ(Search(), std::vector<std::string>{Encoder(0).AddressText()});
  EXPECT_EQ(summary_.ignored, 3u);
}

TEST_F(Discovery, RepeatedRepliesArePassedOnForTheReceiverToFold) {
  sim::DiscoveryFaults faults;
  faults.repeat = 2;
  Encoder(2).SetDiscoveryFaults(faults);
  const std::vector<std::string> found = Search();
  EXPECT_EQ(std::count(found.begin(), found.end(), Encoder(2).AddressText()), 2);
  EXPECT_EQ(found.size(), count_ + 1);
}

TEST_F(Discovery, WithNobodyAnsweringTheWholeWindowPassesSilently) {
  sim::DiscoveryFaults faults;
  faults.mode = sim::DiscoveryReplyMode::Silent;
  for (std::size_t i = 0; i < count_; ++i) Encoder(i).SetDiscoveryFaults(faults);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(Search().empty());
  EXPECT_GE(std::chrono::steady_clock::now() - started, settings_.timings.discoveryWindow);
  EXPECT_TRUE(feedback_.messages.empty());
  EXPECT_GT(feedback_.keepAlives, 0);
}

TEST(ProposedBroadcastAddress, IsThisHostsAddressWithTheLastByte255) {
  const std::optional<std::uint32_t> proposed = ProposedBroadcastAddress();
  if (!proposed) GTEST_SKIP() << "this host's name does not resolve";
  EXPECT_EQ(*proposed & 0xFFu, 0xFFu);
  EXPECT_NE(*proposed, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kestrine::net
