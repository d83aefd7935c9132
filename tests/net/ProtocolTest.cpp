#include "net/Protocol.h"

#include <gtest/gtest.h>

#include "net/MessageRing.h"
#include "platform/Ipv4Text.h"

namespace kestrine::net {
namespace {

Bytes Hex(std::initializer_list<int> values) {
  Bytes bytes;
  for (const int v : values) bytes.push_back(static_cast<std::byte>(v));
  return bytes;
}

TEST(Protocol, RequestsAreLittleEndianCommandAndLengthThenBody) {
  EXPECT_EQ(EncodeRequest(CMD_GETXML, {}), Hex({0xEC, 0x03, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(EncodeRequest(CMD_SENDXML, "ab"), Hex({0xEB, 0x03, 0, 0, 2, 0, 0, 0, 'a', 'b'}));
  EXPECT_EQ(EncodeRequest(CMD_TS_START, {}), Hex({0xED, 0x03, 0, 0, 0, 0, 0, 0}));
}

TEST(Protocol, TheDeviceMessageReplyHasANineByteHeader) {
  MessageRing ring{};
  const Bytes reply = EncodeMessageReply(3, ring);
  ASSERT_EQ(reply.size(), kMessageHeaderSize + kMessageRingSize);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 9), Hex({0xEF, 0x03, 0, 0, 3, 0xF4, 0x01, 0, 0}));
}

TEST(DiscoveryDatagrams, TheSearchRequestIsAlwaysTheSameFiveBytes) {
  EXPECT_EQ(EncodeSearchRequest(), Hex({0xE9, 0x03, 0x06, 0x00, 0xF2}));
}

TEST(DiscoveryDatagrams, RepliesAreAcceptedOnlyWhenLongEnoughSummedAndFromAnEncoder) {
  const std::uint32_t address = platform::InetAddr("10.1.2.3");
  const Bytes good = EncodeSearchReply(address, kEncoderDeviceType);
  ASSERT_EQ(good.size(), 9u);
  EXPECT_EQ(DecodeSearchReply(good), address);

  Bytes offByOne = good;
  offByOne.back() = static_cast<std::byte>(std::to_integer<int>(offByOne.back()) + 1);
  EXPECT_FALSE(DecodeSearchReply(offByOne));

  EXPECT_FALSE(DecodeSearchReply(EncodeSearchReply(address, 7)));  // correct checksum, another device
  EXPECT_FALSE(DecodeSearchReply(Bytes(good.begin(), good.begin() + 8)));
  EXPECT_FALSE(DecodeSearchReply(Bytes{}));

  // Further bytes before the checksum are allowed and not examined.
  Bytes longer(good.begin(), good.end() - 1);
  longer.insert(longer.end(), {std::byte{0xAA}, std::byte{0xBB}});
  longer.push_back(static_cast<std::byte>(Checksum(longer)));
  EXPECT_EQ(DecodeSearchReply(longer), address);
}

class MessageRingOrder : public ::testing::Test {
 protected:
  void Fill(std::size_t slot, std::string_view text) {
    std::copy(text.begin(), text.end(), ring_.begin() + static_cast<std::ptrdiff_t>(slot * MESSAGE_SLOT_SIZE));
  }
  MessageRing ring_{};
};

TEST_F(MessageRingOrder, AFullRingRunsFromTheOldestSlotRoundToTheOneBefore) {
  for (std::size_t i = 0; i < MESSAGE_SLOT_COUNT; ++i) Fill(i, "m" + std::to_string(i));
  const auto lines = MessageLinesOldestFirst(ring_, 3);
  EXPECT_EQ(lines, (std::vector<std::string_view>{"m3", "m4", "m5", "m6", "m7", "m8", "m9", "m0", "m1", "m2"}));
}

TEST_F(MessageRingOrder, EmptySlotsAreSkippedBeforeTheWrapAndKeptAfterIt) {
  for (std::size_t i = 0; i < 5; ++i) Fill(i, "m" + std::to_string(i));
  EXPECT_EQ(MessageLinesOldestFirst(ring_, 0), (std::vector<std::string_view>{"m0", "m1", "m2", "m3", "m4"}));
  // Oldest 7: slots 7..9 are empty and skipped, slots 0..6 come whole, empty 5 and 6 included.
  EXPECT_EQ(MessageLinesOldestFirst(ring_, 7), (std::vector<std::string_view>{"m0", "m1", "m2", "m3", "m4", "", ""}));
}

TEST_F(MessageRingOrder, AnOldestOutsideTheRingNamesNoSlot) {
  Fill(0, "m0");
  EXPECT_TRUE(MessageLinesOldestFirst(ring_, 12).empty());
  EXPECT_TRUE(MessageLinesOldestFirst(ring_, 10).empty());
  EXPECT_TRUE(MessageLinesOldestFirst(ring_, -1).empty());
}

TEST_F(MessageRingOrder, ASlotFilledToItsEndIsCutAtTheSlot) {
  std::fill(ring_.begin(), ring_.begin() + MESSAGE_SLOT_SIZE + 3, 'x');
  const auto lines = MessageLinesOldestFirst(ring_, 0);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), MESSAGE_SLOT_SIZE);
  EXPECT_EQ(lines[1], "xxx");
}

}  // namespace
}  // namespace kestrine::net
