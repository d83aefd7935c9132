// The fleet's one discovery socket, answering for every encoder.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "EncoderClient.h"
#include "platform/Ipv4Text.h"
#include "sim/DiscoveryReplies.h"

namespace kestrine::sim::test {
namespace {

const std::uint32_t kLoopback = platform::HostToNetwork32(0x7F000001);
const std::uint32_t kLoopbackBroadcast = platform::HostToNetwork32(0x7FFFFFFF);

// A searcher on an ephemeral loopback port, as the manager's discovery is.
class Searcher {
 public:
  Searcher() : socket_(platform::Socket::CreateDatagram()) {
    EXPECT_TRUE(socket_.Bind(kLoopback, 0));
    socket_.SetBroadcast(true);
  }

  void Send(std::span<const std::byte> request, std::uint32_t to, std::uint16_t port) {
    ASSERT_TRUE(socket_.SendTo(request, to, port));
  }

  // The first `count` datagrams, then proof that no further one comes.
  std::vector<net::Bytes> Collect(std::size_t count) {
    std::vector<net::Bytes> datagrams;
    while (datagrams.size() < count) {
      net::Bytes buffer(net::kSearchReplyBufferSize);
      const platform::Received got = socket_.ReceiveFrom(buffer, kPatience, {});
      if (got.status != platform::ReceiveStatus::Data) break;
      buffer.resize(got.count);
      datagrams.push_back(std::move(buffer));
    }
    EXPECT_TRUE(NothingMore());
    return datagrams;
  }

  bool NothingMore() {
    std::array<std::byte, 16> buffer{};
    return socket_.ReceiveFrom(buffer, 150ms, {}).status == platform::ReceiveStatus::TimedOut;
  }

 private:
  platform::Socket socket_;
};

std::vector<std::string> AcceptedAddresses(const std::vector<net::Bytes>& datagrams) {
  std::vector<std::string> addresses;
  for (const net::Bytes& datagram : datagrams) {
    if (const auto address = net::DecodeSearchReply(datagram)) addresses.push_back(platform::FormatIpv4(*address));
  }
  return addresses;
}

TEST(Discovery, EveryEncoderAnswersWithItsOwnAddressInsideTheReply) {
  StartedFleet fleet(FleetOptions::ForTests(3));
  Searcher searcher;
  searcher.Send(net::EncodeSearchRequest(), kLoopback, fleet->DiscoveryPort());
  const std::vector<net::Bytes> replies = searcher.Collect(3);
  EXPECT_EQ(AcceptedAddresses(replies), (std::vector<std::string>{"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
  for (const net::Bytes& reply : replies) EXPECT_EQ(reply.size(), 9u);
}

TEST(Discovery, ALoopbackBroadcastReachesTheFleet) {
  StartedFleet fleet(FleetOptions::ForTests(2));
  Searcher searcher;
  searcher.Send(net::EncodeSearchRequest(), kLoopbackBroadcast, fleet->DiscoveryPort());
  EXPECT_EQ(AcceptedAddresses(searcher.Collect(2)).size(), 2u);
}

TEST(Discovery, MalformedRepliesAreSentAsAskedAndWouldBeRejected) {
  StartedFleet fleet(FleetOptions::ForTests(3));
  fleet.Encoder(0).SetDiscoveryFaults({DiscoveryReplyMode::BadChecksum, 1});
  fleet.Encoder(1).SetDiscoveryFaults({DiscoveryReplyMode::WrongDeviceType, 1});
  fleet.Encoder(2).SetDiscoveryFaults({DiscoveryReplyMode::TooShort, 1});
  Searcher searcher;
  searcher.Send(net::EncodeSearchRequest(), kLoopback, fleet->DiscoveryPort());
  const std::vector<net::Bytes> replies = searcher.Collect(3);
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_TRUE(AcceptedAddresses(replies).empty());

  const net::Bytes valid0 = BuildDiscoveryReply(fleet.Encoder(0).Address(), DiscoveryReplyMode::Valid);
  EXPECT_EQ(std::to_integer<int>(replies[0].back()), (std::to_integer<int>(valid0.back()) + 1) % 256);
  EXPECT_EQ(Le32At(replies[1], 4) >> 16, 7u);  // deviceType at offset 6
  EXPECT_EQ(net::Checksum(std::span(replies[1]).first(8)), std::to_integer<std::uint8_t>(replies[1].back()));
  EXPECT_EQ(replies[2].size(), 8u);
}

TEST(Discovery, SilentAndRepeatingEncodersForDeDuplicationTests) {
  StartedFleet fleet(FleetOptions::ForTests(2));
  fleet.Encoder(0).SetDiscoveryFaults({DiscoveryReplyMode::Silent, 1});
  fleet.Encoder(1).SetDiscoveryFaults({DiscoveryReplyMode::Valid, 3});
  Searcher searcher;
  searcher.Send(net::EncodeSearchRequest(), kLoopback, fleet->DiscoveryPort());
  EXPECT_EQ(AcceptedAddresses(searcher.Collect(3)),
            (std::vector<std::string>{"127.0.0.2", "127.0.0.2", "127.0.0.2"}));
}

TEST(Discovery, AnythingButTheExactRequestGoesUnanswered) {
  StartedFleet fleet;
  Searcher searcher;
  net::Bytes wrongChecksum = net::EncodeSearchRequest();
  wrongChecksum.back() = std::byte{0xF3};
  net::Bytes longer = net::EncodeSearchRequest();
  longer.push_back(std::byte{0});
  for (const net::Bytes& request : {wrongChecksum, longer, net::Bytes{std::byte{0xE9}}}) {
    searcher.Send(request, kLoopback, fleet->DiscoveryPort());
  }
  EXPECT_TRUE(searcher.NothingMore());
  // ...and the socket still answers a proper one afterwards.
  searcher.Send(net::EncodeSearchRequest(), kLoopback, fleet->DiscoveryPort());
  EXPECT_EQ(searcher.Collect(1).size(), 1u);
}

}  // namespace
}  // namespace kestrine::sim::test
