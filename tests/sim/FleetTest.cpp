// Fleets: addresses, independent state, start and stop, and clients that misbehave.
#include <gtest/gtest.h>

#include <thread>

#include "EncoderClient.h"
#include "platform/Ipv4Text.h"
#include "sim/RequestReader.h"
#include "support/Eventually.h"

namespace kestrine::sim::test {
namespace {

using kestrine::test::Eventually;

TEST(RequestReader, AssemblesRequestsFromAnySplitAndRefusesBadHeaders) {
  const net::Bytes request = net::EncodeRequest(net::CMD_SENDXML, "<tavrix/>");
  RequestReader reader;
  ControlRequest got;
  for (std::size_t i = 0; i + 1 < request.size(); ++i) {
    reader.Feed(std::span(request).subspan(i, 1));
    EXPECT_EQ(reader.Next(got), RequestReader::Status::NeedMore);
  }
  reader.Feed(std::span(request).last(1));
  ASSERT_EQ(reader.Next(got), RequestReader::Status::Complete);
  EXPECT_EQ(got.cmd, net::CMD_SENDXML);
  EXPECT_EQ(got.Body(), "<tavrix/>");
  EXPECT_FALSE(reader.HasPartialRequest());

  const auto refused = [](std::uint32_t cmd, std::uint32_t length) {
    RequestReader r;
    net::Bytes header;
    net::PutLe32(header, cmd);
    net::PutLe32(header, length);
    r.Feed(header);
    ControlRequest ignored;
    return r.Next(ignored) == RequestReader::Status::Refused;
  };
  EXPECT_TRUE(refused(net::CMD_SENDXML, 0xFFFFFFFF));  // negative
  EXPECT_TRUE(refused(net::CMD_SENDXML, RequestReader::kMaxBodyLength + 1));
  EXPECT_TRUE(refused(net::CMD_SEARCH, 0));
  EXPECT_FALSE(refused(net::CMD_SENDXML, RequestReader::kMaxBodyLength));
  // Nothing larger than the manager's own document buffer is taken in to be parsed.
  EXPECT_FALSE(refused(net::CMD_SENDXML, 9999));
  EXPECT_TRUE(refused(net::CMD_SENDXML, 10000));
}

TEST(Fleet, EncodersSitOnConsecutiveAddressesAndShareOneChosenPort) {
  FleetOptions options = FleetOptions::ForTests(3);
  options.firstAddress = platform::HostToNetwork32(0x7F0000FE);  // 127.0.0.254
  StartedFleet fleet(options);
  EXPECT_EQ(fleet.Encoder(0).AddressText(), "127.0.0.254");
  EXPECT_EQ(fleet.Encoder(1).AddressText(), "127.0.0.255");
  EXPECT_EQ(fleet.Encoder(2).AddressText(), "127.0.1.0");
  EXPECT_NE(fleet.Encoder(0).ControlPort(), 0);
  EXPECT_EQ(fleet.Encoder(1).ControlPort(), fleet.Encoder(0).ControlPort());
  EXPECT_EQ(fleet.Encoder(2).ControlPort(), fleet.Encoder(0).ControlPort());
  EXPECT_NE(ExchangeConfiguration(fleet.Encoder(2)).size(), 0u);
  EXPECT_NE(fleet.Encoder(2).ConfigurationDocument().find("<ipAddr>127.0.1.0</ipAddr>"), std::string::npos);
}

TEST(Fleet, EachEncoderKeepsItsOwnState) {
  StartedFleet fleet(FleetOptions::ForTests(3));
  {
    EncoderClient client(fleet.Encoder(1));
    client.SendRequest(net::CMD_TS_START);
  }
  fleet.Encoder(2).SetPassword("DDDDDDDD");
  ReplyFaults silent;
  silent.silent = true;
  fleet.Encoder(0).SetReplyFaults(net::CMD_GET_MESSAGE, silent);

  ASSERT_TRUE(Eventually([&] { return fleet.Encoder(1).IsStreaming(); }));
  EXPECT_FALSE(fleet.Encoder(0).IsStreaming());
  EXPECT_FALSE(fleet.Encoder(2).IsStreaming());
  EXPECT_EQ(fleet.Encoder(0).Password(), "UUUUUUUU");
  EXPECT_NE(fleet.Encoder(2).ConfigurationDocument().find("<old_password>DDDDDDDD</old_password>"), std::string::npos);
  EXPECT_EQ(fleet.Encoder(1).RequestCount(net::CMD_TS_START), 1u);
  EXPECT_EQ(fleet.Encoder(0).RequestCount(net::CMD_TS_START), 0u);
  EXPECT_EQ(fleet.Encoder(1).MessageRing().Text(1), "0002 TS -> IP started");
  EXPECT_EQ(fleet.Encoder(0).MessageRing().Text(1), "");
  EXPECT_EQ(ExchangeMessages(fleet.Encoder(2)).size(), net::kMessageHeaderSize + net::kMessageRingSize);
  EXPECT_NE(fleet.Encoder(0).Configuration().multicast_port, fleet.Encoder(1).Configuration().multicast_port);
}

TEST(Fleet, AStartingDocumentSetsEveryEncoderButItsAddress) {
  StartedFleet source;
  config::EncoderConfiguration record = source.Encoder().Configuration();
  record.cvbs_hue = 17;
  config::StoreText(record.prg_provider_name, "Harbour TV");
  source.Encoder().SetConfiguration(record);
  source.Encoder().SetPassword("RRRRLLLL");

  FleetOptions options = FleetOptions::ForTests(2);
  options.startingDocument = source.Encoder().ConfigurationDocument();
  StartedFleet fleet(options);
  for (std::size_t i = 0; i < 2; ++i) {
    const config::EncoderConfiguration started = fleet.Encoder(i).Configuration();
    EXPECT_EQ(started.cvbs_hue, 17);
    EXPECT_EQ(config::TextOf(started.prg_provider_name), "Harbour TV");
    EXPECT_EQ(started.ipAddr, fleet.Encoder(i).Address());
    EXPECT_EQ(fleet.Encoder(i).Password(), "RRRRLLLL");  // the document's, none being given
  }

  options.startingDocument = "<not-a-configuration/>";
  EncoderFleet refused(options);
  std::string error;
  EXPECT_FALSE(refused.Start(error));
  EXPECT_NE(error.find("tavrix"), std::string::npos);
}

TEST(Fleet, AFixedPortInUseFailsTheStartWithAReason) {
  StartedFleet first;
  FleetOptions options = FleetOptions::ForTests();
  options.controlPort = first.Encoder().ControlPort();
  EncoderFleet second(options);
  std::string error;
  EXPECT_FALSE(second.Start(error));
  EXPECT_NE(error.find("127.0.0.1:" + std::to_string(options.controlPort)), std::string::npos) << error;
  EXPECT_FALSE(second.IsRunning());
}

TEST(Fleet, StopClosesEverythingAndReleasesThePorts) {
  FleetOptions options = FleetOptions::ForTests(2);
  EncoderFleet fleet(options);
  std::string error;
  ASSERT_TRUE(fleet.Start(error)) << error;
  EXPECT_FALSE(fleet.Start(error));
  const std::uint16_t port = fleet.Encoder(0).ControlPort();
  EncoderClient idle(fleet.Encoder(0));  // a connection still open when the fleet stops
  ASSERT_TRUE(idle.Connected());

  fleet.Stop();
  EXPECT_FALSE(fleet.IsRunning());
  EXPECT_FALSE(fleet.Encoder(0).IsListening());
  EXPECT_TRUE(idle.ReadUntilClosed().closed);
  EXPECT_FALSE(EncoderClient(fleet.Encoder(1)).Connected());
  fleet.Encoder(0).SetRefuseConnections(false);  // returns at once once stopped
  fleet.Stop();

  options.controlPort = port;
  StartedFleet again(options);
  EXPECT_TRUE(again->IsRunning());
}

TEST(Fleet, GarbageAndBrokenClientsNeverStopIt) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  {
    EncoderClient client(encoder);
    const std::string text = "GET / HTTP/1.0\r\n\r\n";
    client.Send(net::AsBytes(text));
    EXPECT_TRUE(client.ReadUntilClosed().closed);
  }
  {
    EncoderClient client(encoder);  // a huge announced body is refused before it is read
    net::Bytes header;
    net::PutLe32(header, net::CMD_SENDXML);
    net::PutLe32(header, 0x7FFFFFFF);
    client.Send(header);
    EXPECT_TRUE(client.ReadUntilClosed().closed);
  }
  {
    EncoderClient client(encoder);  // gone in the middle of a header
    const net::Bytes request = net::EncodeRequest(net::CMD_GETXML, "");
    client.Send(std::span(request).first(3));
  }
  {
    EncoderClient client(encoder);  // gone in the middle of a document
    const net::Bytes request = net::EncodeRequest(net::CMD_SENDXML, std::string(5000, 'x'));
    client.Send(std::span(request).first(1000));
  }
  {
    EncoderClient client(encoder);  // asks and leaves before the (delayed) reply
    ReplyFaults late;
    late.delay = 50ms;
    encoder.SetReplyFaults(net::CMD_GETXML, late);
    client.SendRequest(net::CMD_GETXML);
  }
  std::vector<std::thread> clients;
  for (int i = 0; i < 8; ++i) {
    clients.emplace_back([&encoder] {
      for (int n = 0; n < 20; ++n) {
        EncoderClient client(encoder);
        net::Bytes noise(37);
        for (std::size_t b = 0; b < noise.size(); ++b) noise[b] = static_cast<std::byte>(b * 59 + n);
        client.Send(noise);
      }
    });
  }
  for (std::thread& client : clients) client.join();

  encoder.ClearFaults();
  EXPECT_EQ(ExchangeConfiguration(encoder).size(), 8 + encoder.ConfigurationDocument().size());
  EXPECT_TRUE(fleet->IsRunning());
  EXPECT_FALSE(encoder.LastRequest(net::CMD_SENDXML).has_value());
}

}  // namespace
}  // namespace kestrine::sim::test
