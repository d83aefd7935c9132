#include "platform/Ipv4Text.h"

#include <gtest/gtest.h>

namespace kestrine::platform {
namespace {

std::uint32_t Octets(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return HostToNetwork32((std::uint32_t{a} << 24) | (std::uint32_t{b} << 16) | (std::uint32_t{c} << 8) | d);
}

TEST(InetAddr, ReadsTheClassicForms) {
  EXPECT_EQ(InetAddr("192.168.1.20"), Octets(192, 168, 1, 20));
  EXPECT_EQ(InetAddr("0.0.0.0"), 0u);
  EXPECT_EQ(InetAddr("10.1.515"), Octets(10, 1, 2, 3));       // last part fills 16 bits
  EXPECT_EQ(InetAddr("10.66051"), Octets(10, 1, 2, 3));       // and 24 bits
  EXPECT_EQ(InetAddr("167838211"), Octets(10, 1, 2, 3));      // and 32 bits
  EXPECT_EQ(InetAddr("0x0A.010.0.1"), Octets(10, 8, 0, 1));   // hex and octal parts
  EXPECT_EQ(InetAddr("1.2.3.4 trailing"), Octets(1, 2, 3, 4));  // a blank ends the address
}

TEST(InetAddr, RefusesWhatDoesNotConvert) {
  for (const char* text : {"", " 1.2.3.4", "1.2.3.256", "1.2.3.4.5", "1.2.3.", "a.b.c.d", "1.2.3.4x", "09.1.1.1",
                           "256.1.1.1", "4294967296", "1.16777216"}) {
    EXPECT_EQ(InetAddr(text), kInaddrNone) << text;
    EXPECT_FALSE(ParseInetAddr(text)) << text;
  }
  EXPECT_EQ(InetAddr("255.255.255.255"), kInaddrNone);  // the broadcast address reads as the same value
  EXPECT_EQ(ParseInetAddr("255.255.255.255"), kInaddrNone);  // but only ParseInetAddr tells them apart
}

TEST(Ipv4Text, FormatsAndParsesDottedQuads) {
  EXPECT_EQ(FormatIpv4(Octets(192, 168, 1, 20)), "192.168.1.20");
  EXPECT_EQ(FormatIpv4(0), "0.0.0.0");
  EXPECT_EQ(FormatIpv4(kInaddrNone), "255.255.255.255");
  EXPECT_EQ(NetworkToHost32(Octets(1, 2, 3, 4)), 0x01020304u);

  std::uint32_t value = 0;
  EXPECT_TRUE(ParseDottedQuad("127.0.0.255", value));
  EXPECT_EQ(value, Octets(127, 0, 0, 255));
  for (const char* text : {"1.2.3", "1.2.3.4 ", "1.2.3.256", "0x1.2.3.4", "1..2.3", "1.2.3.4.5", "1234.1.1.1"}) {
    EXPECT_FALSE(ParseDottedQuad(text, value)) << text;
  }
}

}  // namespace
}  // namespace kestrine::platform
