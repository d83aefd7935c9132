#include "EncoderClient.h"

namespace kestrine::sim::test {

net::Bytes ExchangeConfiguration(const SimulatedEncoder& encoder) {
  EncoderClient client(encoder);
  EXPECT_TRUE(client.Connected());
  client.SendRequest(net::CMD_GETXML);
  net::Bytes reply = client.ReadExactly(8);
  if (reply.size() < 8) return reply;
  const net::Bytes body = client.ReadExactly(Le32At(reply, 4));
  reply.insert(reply.end(), body.begin(), body.end());
  return reply;
}

net::Bytes ExchangeMessages(const SimulatedEncoder& encoder) {
  EncoderClient client(encoder);
  EXPECT_TRUE(client.Connected());
  client.SendRequest(net::CMD_GET_MESSAGE);
  return client.ReadExactly(net::kMessageHeaderSize + net::kMessageRingSize);
}

std::string ExchangeWrite(const SimulatedEncoder& encoder, std::string_view document) {
  EncoderClient client(encoder);
  EXPECT_TRUE(client.Connected());
  client.SendRequest(net::CMD_SENDXML, document);
  const net::Bytes header = client.ReadExactly(8);
  if (header.size() < 8) return "<no reply>";
  EXPECT_EQ(Le32At(header, 0), net::CMD_SENDXML);
  return TextOf(client.ReadExactly(Le32At(header, 4)));
}

}  // namespace kestrine::sim::test
