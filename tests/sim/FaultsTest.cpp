// Faults a test can make a simulated encoder show, per command and at run time.
#include <gtest/gtest.h>

#include "EncoderClient.h"
#include "sim/ReplyPlan.h"
#include "support/Eventually.h"

namespace kestrine::sim::test {
namespace {

using kestrine::test::Eventually;

net::Bytes Count(std::size_t n) {
  net::Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::byte>(i);
  return bytes;
}

TEST(ReplyPlan, CutsIntoTimedPiecesAndClosesWhereAsked) {
  ReplyFaults faults;
  faults.delay = 70ms;
  faults.segmentSize = 4;
  faults.segmentGap = 30ms;
  const net::Bytes ten = Count(10);
  const std::vector<ReplyStep> steps = PlanReply(ten, faults);
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].delay, 70ms);
  EXPECT_EQ(steps[1].delay, 30ms);
  EXPECT_EQ(steps[2].bytes, net::Bytes(ten.begin() + 8, ten.end()));
  EXPECT_FALSE(steps[2].closeAfter);

  faults.closeAfterBytes = 6;
  const std::vector<ReplyStep> cut = PlanReply(ten, faults);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[1].bytes.size(), 2u);
  EXPECT_TRUE(cut[1].closeAfter);

  faults.closeAfterBytes = 0;  // accept, read, close without a byte
  const std::vector<ReplyStep> none = PlanReply(ten, faults);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_TRUE(none[0].bytes.empty());
  EXPECT_TRUE(none[0].closeAfter);

  faults.silent = true;
  EXPECT_TRUE(PlanReply(ten, faults).empty());
}

TEST(ReplyPlan, OverridesTheLengthFieldWhereEachReplyHasIt) {
  ReplyFaults faults;
  faults.cmd = 1234;
  faults.length = -1;
  net::Bytes configuration = net::EncodeConfigurationReply("abc");
  OverrideReplyFields(configuration, net::CMD_GETXML, faults);
  EXPECT_EQ(Le32At(configuration, 0), 1234u);
  EXPECT_EQ(Le32At(configuration, 4), 0xFFFFFFFFu);
  EXPECT_EQ(TextOf(configuration, 8), "abc");

  net::MessageRing ring{};
  net::Bytes messages = net::EncodeMessageReply(5, ring);
  OverrideReplyFields(messages, net::CMD_GET_MESSAGE, faults);
  EXPECT_EQ(static_cast<int>(messages[4]), 5);  // oldest untouched
  EXPECT_EQ(Le32At(messages, 5), 0xFFFFFFFFu);
}

TEST(Faults, RefusingClosesTheListenerUntilItIsClearedOnTheSamePort) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  const std::uint16_t port = encoder.ControlPort();
  encoder.SetRefuseConnections(true);
  EXPECT_FALSE(encoder.IsListening());
  EXPECT_FALSE(EncoderClient(encoder).Connected());

  encoder.ClearFaults();
  EXPECT_TRUE(encoder.IsListening());
  EXPECT_EQ(encoder.ControlPort(), port);
  EXPECT_EQ(ExchangeMessages(encoder).size(), net::kMessageHeaderSize + net::kMessageRingSize);
}

TEST(Faults, ASilentCommandIsReadButNeverAnsweredWhileOthersStillAre) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  ReplyFaults silent;
  silent.silent = true;
  encoder.SetReplyFaults(net::CMD_GETXML, silent);

  EncoderClient client(encoder);
  client.SendRequest(net::CMD_GETXML);
  ASSERT_TRUE(Eventually([&] { return encoder.RequestCount(net::CMD_GETXML) == 1; }));
  EXPECT_TRUE(client.StaysQuiet(200ms));
  EXPECT_EQ(ExchangeMessages(encoder).size(), net::kMessageHeaderSize + net::kMessageRingSize);
}

TEST(Faults, ADelayedReplyComesLateButWhole) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  ReplyFaults late;
  late.delay = 600ms;
  encoder.SetReplyFaults(net::CMD_GET_MESSAGE, late);

  EncoderClient client(encoder);
  client.SendRequest(net::CMD_GET_MESSAGE);
  EXPECT_TRUE(client.StaysQuiet(100ms));
  EXPECT_EQ(client.ReadExactly(net::kMessageHeaderSize + net::kMessageRingSize).size(),
            net::kMessageHeaderSize + net::kMessageRingSize);
}

TEST(Faults, ASegmentedReplyArrivesInPiecesWithGaps) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  ReplyFaults pieces;
  pieces.segmentSize = 300;
  pieces.segmentGap = 600ms;  // far longer than a receive takes, so the pieces cannot merge
  encoder.SetReplyFaults(net::CMD_GET_MESSAGE, pieces);

  EncoderClient client(encoder);
  client.SendRequest(net::CMD_GET_MESSAGE);
  const net::Bytes first = client.ReadSome();
  EXPECT_EQ(first.size(), 300u);
  const net::Bytes rest = client.ReadExactly(net::kMessageHeaderSize + net::kMessageRingSize - 300);
  EXPECT_EQ(rest.size(), net::kMessageHeaderSize + net::kMessageRingSize - 300);
  EXPECT_EQ(Le32At(first, 0), net::CMD_GET_MESSAGE);
}

TEST(Faults, ClosingMidBodySendsTheHeaderAndPartOfTheDocument) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  ReplyFaults cut;
  cut.closeAfterBytes = 8 + 100;
  encoder.SetReplyFaults(net::CMD_GETXML, cut);

  EncoderClient client(encoder);
  client.SendRequest(net::CMD_GETXML);
  const EncoderClient::Drained drained = client.ReadUntilClosed();
  EXPECT_TRUE(drained.closed);
  ASSERT_EQ(drained.bytes.size(), 108u);
  EXPECT_EQ(Le32At(drained.bytes, 4), encoder.ConfigurationDocument().size());
  EXPECT_EQ(TextOf(drained.bytes, 8), encoder.ConfigurationDocument().substr(0, 100));
}

TEST(Faults, WrongFieldsGoOutAsSetWithTheBodyUnchanged) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  for (const std::int32_t length : {-1, 10000, 9999}) {
    ReplyFaults wrong;
    wrong.cmd = 1005;
    wrong.length = length;
    encoder.SetReplyFaults(net::CMD_GETXML, wrong);
    EncoderClient client(encoder);
    client.SendRequest(net::CMD_GETXML);
    const net::Bytes header = client.ReadExactly(8);
    ASSERT_EQ(header.size(), 8u);
    EXPECT_EQ(Le32At(header, 0), 1005u);
    EXPECT_EQ(static_cast<std::int32_t>(Le32At(header, 4)), length);
    // A length larger than what is sent leaves the client waiting on an open connection.
    EXPECT_EQ(client.ReadExactly(encoder.ConfigurationDocument().size()).size(),
              encoder.ConfigurationDocument().size());
    EXPECT_TRUE(client.StaysQuiet(50ms));
  }
}

TEST(Faults, AChosenWriteResultIsSentAsGivenWhileTheDocumentIsStillJudged) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  ReplyFaults result;
  result.writeResultText = std::string("PASSWORD ERR\0", 13);
  encoder.SetReplyFaults(net::CMD_SENDXML, result);

  std::string document = encoder.ConfigurationDocument();
  document.replace(document.find("<new_password>") + 14, 0, "DDDDDDDD");
  EncoderClient client(encoder);
  client.SendRequest(net::CMD_SENDXML, document);
  const net::Bytes reply = client.ReadExactly(8 + 13);
  ASSERT_EQ(reply.size(), 21u);
  EXPECT_EQ(Le32At(reply, 4), 13u);
  EXPECT_EQ(TextOf(reply, 8), std::string("PASSWORD ERR\0", 13));
  EXPECT_TRUE(Eventually([&] { return encoder.Password() == "DDDDDDDD"; }));
}

TEST(Faults, ARawReplyReplacesTheAnswerAndStillHonoursPiecesAndClose) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  net::Bytes raw = net::EncodeConfigurationReply("<tavrix></tavrix>");
  ReplyFaults faults;
  faults.rawReply = raw;
  faults.segmentSize = 5;
  faults.segmentGap = 1ms;
  faults.closeAfterReply = true;
  faults.cmd = 1;  // ignored for a raw reply
  encoder.SetReplyFaults(net::CMD_GETXML, faults);

  EncoderClient client(encoder);
  client.SendRequest(net::CMD_GETXML);
  const EncoderClient::Drained drained = client.ReadUntilClosed();
  EXPECT_TRUE(drained.closed);
  EXPECT_EQ(drained.bytes, raw);
}

TEST(Faults, ARawReplyCanAnswerAStreamCommand) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  ReplyFaults faults;
  faults.rawReply = net::Bytes{std::byte{'?'}};
  encoder.SetReplyFaults(net::CMD_TS_START, faults);
  EncoderClient client(encoder);
  client.SendRequest(net::CMD_TS_START);
  EXPECT_EQ(TextOf(client.ReadExactly(1)), "?");
  EXPECT_TRUE(encoder.IsStreaming());
}

}  // namespace
}  // namespace kestrine::sim::test
