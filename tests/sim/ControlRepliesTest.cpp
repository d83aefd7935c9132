// What a well-behaved simulated encoder answers on its control port.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EncoderClient.h"
#include "config/ConfigurationDocument.h"
#include "platform/Ipv4Text.h"
#include "sim/RequestReader.h"
#include "support/Eventually.h"

namespace kestrine::sim::test {
namespace {

using kestrine::test::Eventually;

// The encoder's own document with one element's text replaced.
std::string WithElement(std::string document, const std::string& name, const std::string& value) {
  const std::string open = "<" + name + ">";
  const std::size_t start = document.find(open);
  const std::size_t end = document.find("</" + name + ">", start);
  EXPECT_NE(start, std::string::npos) << name;
  document.replace(start + open.size(), end - start - open.size(), value);
  return document;
}

bool RingHolds(const SimulatedEncoder& encoder, std::string_view text) {
  const RingSnapshot ring = encoder.MessageRing();
  for (std::size_t slot = 0; slot < net::MESSAGE_SLOT_COUNT; ++slot) {
    if (ring.Text(slot).find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(ConfigurationReply, CarriesARealisticDocumentOfTheEncodersOwnState) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  const net::Bytes reply = ExchangeConfiguration(encoder);
  ASSERT_GE(reply.size(), 8u);
  EXPECT_EQ(Le32At(reply, 0), net::CMD_GETXML);
  EXPECT_EQ(Le32At(reply, 4), reply.size() - 8);
  EXPECT_LE(reply.size() - 8, static_cast<std::size_t>(net::kMaxDocumentLength));

  const std::string document = TextOf(reply, 8);
  EXPECT_EQ(document, encoder.ConfigurationDocument());
  EXPECT_EQ(document.rfind("<?xml version=\"1.0\" encoding=\"GB2312\" standalone=\"no\" ?>\n<tavrix>\n", 0), 0u);
  for (const char* element : {"<system>", "<ethernet>", "<video>", "<audio>", "<mux>", "</tavrix>"}) {
    EXPECT_NE(document.find(element), std::string::npos) << element;
  }
  // As an encoder reports them, unlike the manager's own writer.
  EXPECT_NE(document.find("<multicast_mode>udp</multicast_mode>"), std::string::npos);
  EXPECT_NE(document.find("<TS_bitrate>4000</TS_bitrate>"), std::string::npos);
  EXPECT_NE(document.find("<old_password>UUUUUUUU</old_password>"), std::string::npos);
  EXPECT_NE(document.find("<ipAddr>127.0.0.1</ipAddr>"), std::string::npos);
  EXPECT_TRUE(RingHolds(encoder, "Configuration read"));
  EXPECT_EQ(encoder.LastRequest(net::CMD_GETXML), net::EncodeRequest(net::CMD_GETXML, ""));
}

TEST(ConfigurationReply, ReadsBackIntoTheSameRecordWithTheManagersReader) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  config::EncoderConfiguration read;
  ASSERT_EQ(config::LoadConfigurationDocument(encoder.ConfigurationDocument(), read), 1);
  EXPECT_EQ(read, encoder.Configuration());
}

TEST(ConfigurationReply, EscapesTextsSoTheDocumentStaysWellFormed) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  config::EncoderConfiguration record = encoder.Configuration();
  config::StoreText(record.prg_name, "<A&B> \"x\" 'y'");
  encoder.SetConfiguration(record);
  const std::string document = encoder.ConfigurationDocument();
  EXPECT_NE(document.find("<prg_name>&lt;A&amp;B&gt; &quot;x&quot; &apos;y&apos;</prg_name>"), std::string::npos);
  config::EncoderConfiguration read;
  ASSERT_EQ(config::LoadConfigurationDocument(document, read), 1);
  EXPECT_EQ(config::TextOf(read.prg_name), "<A&B> \"x\" 'y'");
}

TEST(MessageReply, HasTheNineByteHeaderAndTheWholeRing) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  const net::Bytes reply = ExchangeMessages(encoder);
  ASSERT_EQ(reply.size(), net::kMessageHeaderSize + net::kMessageRingSize);
  EXPECT_EQ(Le32At(reply, 0), net::CMD_GET_MESSAGE);
  EXPECT_EQ(static_cast<std::int8_t>(reply[4]), 0);
  EXPECT_EQ(Le32At(reply, 5), net::kMessageRingSize);
  net::MessageRing ring{};
  std::memcpy(ring.data(), reply.data() + net::kMessageHeaderSize, ring.size());
  EXPECT_EQ(net::MessageSlotText(ring, 0), "0001 System start up");
  EXPECT_EQ(net::MessageSlotText(ring, 1), "");
}

TEST(WriteReply, WrongOldPasswordIsRefusedAndChangesNothing) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  const config::EncoderConfiguration before = encoder.Configuration();
  std::string document = WithElement(encoder.ConfigurationDocument(), "old_password", "DDDDDDDD");
  document = WithElement(document, "new_password", "LLLLLLLL");
  document = WithElement(document, "bitrate", "6000");

  EXPECT_EQ(ExchangeWrite(encoder, document), "PASSWORD ERR");
  EXPECT_EQ(encoder.Password(), "UUUUUUUU");
  EXPECT_EQ(encoder.Configuration(), before);
  EXPECT_EQ(encoder.LastDocumentReceived(), document);
  EXPECT_TRUE(RingHolds(encoder, "Password error"));
}

TEST(WriteReply, RightPasswordAppliesTheDocumentAndTakesTheNewPassword) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  std::string document = WithElement(encoder.ConfigurationDocument(), "new_password", "LRLRDUDU");
  document = WithElement(document, "prg_name", "News &amp; Weather");
  const std::size_t mux = document.find("<mux>");
  document.replace(document.find("<bitrate>4000", mux), 13, "<bitrate>6000");

  EXPECT_EQ(ExchangeWrite(encoder, document), "OK");
  EXPECT_EQ(encoder.Password(), "LRLRDUDU");
  const config::EncoderConfiguration after = encoder.Configuration();
  EXPECT_EQ(config::TextOf(after.prg_name), "News & Weather");
  EXPECT_EQ(after.mux_bitrate, 6000);
  EXPECT_EQ(after.TS_bitrate, 6000);                    // the encoder derives both bitrates itself
  EXPECT_GT(after.video_bitrate, 5400);                 // what its stream leaves the video beside the audio
  EXPECT_LT(after.video_bitrate, 6000 - 192);
  EXPECT_NE(encoder.ConfigurationDocument().find("<old_password>LRLRDUDU</old_password>"), std::string::npos);
  EXPECT_TRUE(RingHolds(encoder, "Configuration written"));

  // The old password no longer opens it.
  EXPECT_EQ(ExchangeWrite(encoder, document), "PASSWORD ERR");
}

TEST(WriteReply, DefaultSetRestoresTheFactorySettingsAndKeepsThePassword) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  std::string document = WithElement(encoder.ConfigurationDocument(), "cvbs_hue", "5");
  document = WithElement(document, "default_parameter", "true");
  document = WithElement(document, "restart", "true");
  document = WithElement(document, "version", "9.99");

  EXPECT_EQ(ExchangeWrite(encoder, document), "OK");
  const config::EncoderConfiguration after = encoder.Configuration();
  EXPECT_EQ(after.cvbs_hue, 128);
  EXPECT_EQ(after.default_parameter, 0);  // requests, not settings: never reported back as set
  EXPECT_EQ(after.restart, 0);
  EXPECT_EQ(config::TextOf(after.version), "2.31");  // the encoder's own
  EXPECT_EQ(encoder.Password(), "UUUUUUUU");
  EXPECT_TRUE(RingHolds(encoder, "Default parameters restored"));
  EXPECT_TRUE(RingHolds(encoder, "Restart requested"));
}

TEST(WriteReply, ADocumentThatIsNotAConfigurationIsRefusedWithItsOwnText) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  EXPECT_EQ(ExchangeWrite(encoder, "<other/>"), "XML ERR");
  EXPECT_EQ(ExchangeWrite(encoder, ""), "XML ERR");
  // The largest body taken, nested as deep as it can be: the parser recurses once per level on the
  // serving thread's stack, which the body limit must keep it within.
  std::string nested;
  while (nested.size() + 3 <= RequestReader::kMaxBodyLength) nested += "<a>";
  EXPECT_EQ(ExchangeWrite(encoder, nested), "XML ERR");
  EXPECT_EQ(encoder.Password(), "UUUUUUUU");
  EXPECT_EQ(ExchangeWrite(encoder, "<other/>"), "XML ERR");  // still serving
}

TEST(StreamCommands, SwitchTheStreamWithoutAReply) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  {
    EncoderClient client(encoder);
    client.SendRequest(net::CMD_TS_START);
    ASSERT_TRUE(Eventually([&] { return encoder.IsStreaming(); }));
    EXPECT_TRUE(client.StaysQuiet(100ms));
  }
  {
    EncoderClient client(encoder);
    client.SendRequest(net::CMD_TS_STOP);
    client.Close();  // as the manager does, at once
  }
  EXPECT_TRUE(Eventually([&] { return !encoder.IsStreaming(); }));
  EXPECT_TRUE(RingHolds(encoder, "TS -> IP started"));
  EXPECT_TRUE(RingHolds(encoder, "TS -> IP stopped"));
  EXPECT_EQ(encoder.RequestCount(net::CMD_TS_START), 1u);
}

TEST(Requests, SeveralOnOneConnectionAreAnsweredInOrder) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  EncoderClient client(encoder);
  net::Bytes both = net::EncodeRequest(net::CMD_GET_MESSAGE, "");
  const net::Bytes second = net::EncodeRequest(net::CMD_GETXML, "");
  both.insert(both.end(), second.begin(), second.end());
  client.Send(both);
  const net::Bytes ring = client.ReadExactly(net::kMessageHeaderSize + net::kMessageRingSize);
  EXPECT_EQ(Le32At(ring, 0), net::CMD_GET_MESSAGE);
  const net::Bytes header = client.ReadExactly(8);
  ASSERT_EQ(header.size(), 8u);
  EXPECT_EQ(Le32At(header, 0), net::CMD_GETXML);
  const std::vector<ReceivedCommand> received = encoder.ReceivedCommands();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].cmd, net::CMD_GET_MESSAGE);
  EXPECT_EQ(received[1].cmd, net::CMD_GETXML);
}

TEST(Requests, UnknownCommandsCloseTheConnection) {
  StartedFleet fleet;
  for (const std::uint32_t cmd : {1001u, 1002u, 1008u, 0u}) {
    EncoderClient client(fleet.Encoder());
    client.SendRequest(cmd);
    const EncoderClient::Drained drained = client.ReadUntilClosed();
    EXPECT_TRUE(drained.closed) << cmd;
    EXPECT_TRUE(drained.bytes.empty()) << cmd;
  }
}

}  // namespace
}  // namespace kestrine::sim::test
