// The message ring an encoder keeps, and how it goes over the wire.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EncoderClient.h"
#include "sim/MessageRingLog.h"

namespace kestrine::sim::test {
namespace {

std::array<std::string, net::MESSAGE_SLOT_COUNT> Texts(std::initializer_list<const char*> texts) {
  std::array<std::string, net::MESSAGE_SLOT_COUNT> out;
  std::size_t i = 0;
  for (const char* text : texts) out[i++] = text;
  return out;
}

TEST(MessageRingLog, FillsFromSlotZeroThenOverwritesTheOldest) {
  MessageRingLog ring;
  for (int i = 1; i <= 10; ++i) ring.Log("m" + std::to_string(i));
  EXPECT_EQ(ring.Oldest(), 0);
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 9), "m10");

  ring.Log("m11");
  ring.Log("m12");
  EXPECT_EQ(ring.Oldest(), 2);
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 0), "m11");
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 1), "m12");
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 2), "m3");

  for (int i = 13; i <= 20; ++i) ring.Log("m" + std::to_string(i));
  EXPECT_EQ(ring.Oldest(), 0);  // wrapped round
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 9), "m20");
}

TEST(MessageRingLog, KeepsEverySlotTerminated) {
  MessageRingLog ring;
  ring.Log(std::string(80, 'x'));
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 0), std::string(49, 'x'));
  EXPECT_EQ(ring.Slots()[49], '\0');
  EXPECT_EQ(ring.Slots()[50], '\0');
}

TEST(MessageRingLog, APresetRingIsFullAndAnIndexOutsideItStartsOver) {
  MessageRingLog ring;
  ring.Preset(3, Texts({"a", "b", "c", "d"}));
  ring.Log("new");
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 3), "new");
  EXPECT_EQ(ring.Oldest(), 4);

  ring.Preset(12, Texts({"a"}));
  EXPECT_EQ(ring.Oldest(), 12);
  ring.Log("after");
  EXPECT_EQ(net::MessageSlotText(ring.Slots(), 0), "after");
  EXPECT_EQ(ring.Oldest(), 1);
}

TEST(MessageRingOnTheWire, MoreThanTenEventsLeaveTheLastTenWithTheOldestIndex) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  for (int i = 0; i < 11; ++i) encoder.LogEvent("event " + std::to_string(i + 2));  // after the start-up message

  const net::Bytes reply = ExchangeMessages(encoder);
  ASSERT_EQ(reply.size(), net::kMessageHeaderSize + net::kMessageRingSize);
  EXPECT_EQ(static_cast<std::int8_t>(reply[4]), 2);
  net::MessageRing ring{};
  std::memcpy(ring.data(), reply.data() + net::kMessageHeaderSize, ring.size());
  // Oldest first: slots 2..9, then 0..1.
  EXPECT_EQ(net::MessageSlotText(ring, 2), "0003 event 3");
  EXPECT_EQ(net::MessageSlotText(ring, 9), "0010 event 10");
  EXPECT_EQ(net::MessageSlotText(ring, 0), "0011 event 11");
  EXPECT_EQ(net::MessageSlotText(ring, 1), "0012 event 12");
}

TEST(MessageRingOnTheWire, APresetRingGoesOutAsSetEvenWithAnIndexOutsideTheRing) {
  StartedFleet fleet;
  SimulatedEncoder encoder = fleet.Encoder();
  for (const std::int8_t oldest : {std::int8_t{3}, std::int8_t{12}, std::int8_t{-1}}) {
    encoder.SetMessageRing(oldest, Texts({"zero", "one", "", "three"}));
    const net::Bytes reply = ExchangeMessages(encoder);
    ASSERT_EQ(reply.size(), net::kMessageHeaderSize + net::kMessageRingSize);
    EXPECT_EQ(static_cast<std::int8_t>(reply[4]), oldest);
    EXPECT_EQ(TextOf(reply, net::kMessageHeaderSize).substr(0, 8), std::string("zero\0\0\0\0", 8));
    EXPECT_EQ(TextOf(reply, net::kMessageHeaderSize + 150).substr(0, 5), "three");
    const RingSnapshot snapshot = encoder.MessageRing();
    EXPECT_EQ(snapshot.oldest, oldest);
    EXPECT_EQ(snapshot.Text(1), "one");
  }
}

}  // namespace
}  // namespace kestrine::sim::test
