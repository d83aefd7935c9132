#include "net/ControlConnection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "net/DeviceOperations.h"
#include "net/Protocol.h"
#include "tests/net/SimulatedEncoderTest.h"

namespace kestrine::net {
namespace {

using namespace std::chrono_literals;
using test::SimulatedEncoderTest;

Bytes ConfigurationReplyWithLength(std::int32_t length, std::size_t bodySize) {
  Bytes reply;
  PutLe32(reply, CMD_GETXML);
  PutLe32(reply, static_cast<std::uint32_t>(length));
  reply.resize(reply.size() + bodySize, std::byte{'x'});
  return reply;
}

class ConfigurationReply : public SimulatedEncoderTest {
 protected:
  ConfigurationFetch Fetch() { return Operations().FetchConfigurationDocument(entry_.ipAddr); }
};

TEST_F(ConfigurationReply, TheRequestIsCommandThenZeroLength) {
  ASSERT_EQ(Fetch().failure, ReadFailure::None);
  const auto request = Encoder().LastRequest(CMD_GETXML);
  ASSERT_TRUE(request);
  const Bytes expected{std::byte{0xEC}, std::byte{0x03}, std::byte{0}, std::byte{0},
                       std::byte{0},    std::byte{0},    std::byte{0}, std::byte{0}};
  EXPECT_EQ(*request, expected);
}

TEST_F(ConfigurationReply, TheLargestDocumentIsTakenWhole) {
  sim::ReplyFaults faults;
  faults.rawReply = ConfigurationReplyWithLength(9999, 9999);
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  const ConfigurationFetch fetch = Fetch();
  EXPECT_EQ(fetch.failure, ReadFailure::None);
  EXPECT_EQ(fetch.document, std::string(9999, 'x'));
}

TEST_F(ConfigurationReply, LengthsOutsideTheBufferAreRefusedAndInXmlIsLeftAlone) {
  for (const std::int32_t length : {10000, -1, std::numeric_limits<std::int32_t>::min()}) {
    sim::ReplyFaults faults;
    faults.rawReply = ConfigurationReplyWithLength(length, 100);
    Encoder().SetReplyFaults(CMD_GETXML, faults);
    const DocumentRead read = Operations().ReadConfigurationDocument(entry_, flags_);
    EXPECT_EQ(read.result, OperationResult::Failure);
    EXPECT_EQ(read.fetch.failure, ReadFailure::BadLength) << length;
    EXPECT_EQ(read.fetch.length, length);
  }
  EXPECT_FALSE(std::filesystem::exists(FileInFolder(kReceivedDocumentFile)));
  EXPECT_TRUE(feedback_.messages.empty());  // these failures have no message of their own
}

TEST_F(ConfigurationReply, ABodyInManySegmentsIsCollected) {
  sim::ReplyFaults faults;
  faults.segmentSize = 97;
  faults.segmentGap = 3ms;
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  const ConfigurationFetch fetch = Fetch();
  ASSERT_EQ(fetch.failure, ReadFailure::None);
  EXPECT_EQ(fetch.document, Encoder().ConfigurationDocument());
}

TEST_F(ConfigurationReply, AReplyThatTricklesInIsCutOffAtTheReplyLimit) {
  // Every piece arrives well within the receive timeout, but the whole would take seconds.
  sim::ReplyFaults faults;
  faults.segmentSize = 16;
  faults.segmentGap = 25ms;
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  settings_.timings.replyLimit = 1000ms;  // the header is in long before, even on a loaded host
  EXPECT_EQ(Fetch().failure, ReadFailure::IncompleteBody);
  EXPECT_EQ(Timings{}.replyLimit, 30000ms);
}

TEST_F(ConfigurationReply, AnEncoderThatClosesHalfWayFailsTheRead) {
  sim::ReplyFaults faults;
  faults.closeAfterBytes = 8 + Encoder().ConfigurationDocument().size() / 2;
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  EXPECT_EQ(Fetch().failure, ReadFailure::IncompleteBody);
}

TEST_F(ConfigurationReply, AWrongCommandWordEndsTheReadWithoutAMessage) {
  sim::ReplyFaults faults;
  faults.cmd = CMD_GET_MESSAGE;
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  EXPECT_EQ(Fetch().failure, ReadFailure::WrongCommand);
  EXPECT_TRUE(feedback_.messages.empty());
}

TEST_F(ConfigurationReply, ASilentEncoderFailsAfterTheDelayAndOneReceiveTimeout) {
  sim::ReplyFaults faults;
  faults.silent = true;
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Fetch().failure, ReadFailure::NoCommand);
  EXPECT_GE(std::chrono::steady_clock::now() - started, settings_.timings.exchangeDelay + settings_.timings.receiveTimeout);
  EXPECT_EQ(feedback_.MessageTexts(), std::vector<std::string>{std::string(kReadConfigurationFailed)});
  EXPECT_GT(feedback_.keepAlives, 0);  // the caller's window was kept alive meanwhile
}

TEST_F(ConfigurationReply, ARefusedConnectionIsReportedAsTheConnectStage) {
  Encoder().SetRefuseConnections(true);
  EXPECT_EQ(Fetch().failure, ReadFailure::Connection);
  EXPECT_EQ(feedback_.messages, (std::vector<test::RecordingFeedback::Message>{
                                    {MessageStyle::Warning, MessageOwner::MainWindow, std::string(kConnectFailed)}}));
  EXPECT_EQ(feedback_.waitDepth, 0);
}

}  // namespace
}  // namespace kestrine::net
