#include "net/DeviceOperations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "config/ConfigurationDocument.h"
#include "net/ControlConnection.h"
#include "net/OperatorFeedback.h"
#include "platform/FileReplace.h"
#include "support/Eventually.h"
#include "support/Wine.h"
#include "tests/net/SimulatedEncoderTest.h"

namespace kestrine::net {
namespace {

using namespace std::chrono_literals;
using test::RecordingFeedback;
using test::SimulatedEncoderTest;
using Message = RecordingFeedback::Message;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Message Warning(std::string_view text, MessageOwner owner = MessageOwner::MainWindow) {
  return {MessageStyle::Warning, owner, std::string(text)};
}

// ---- The device-message query -------------------------------------------------

class DeviceMessageQuery : public SimulatedEncoderTest {
 protected:
  using Slots = std::array<std::string, MESSAGE_SLOT_COUNT>;
  OperationResult Query() { return Operations().QueryDeviceMessages(entry_); }
};

TEST_F(DeviceMessageQuery, AFullRingPutsTheNewestOnTopAndTheOldestAtTheBottom) {
  Encoder().SetMessageRing(3, {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "s9"});
  feedback_.AddLogLine("left from before", LogLineKind::ProgramNotice);
  EXPECT_EQ(Query(), OperationResult::Success);
  EXPECT_EQ(feedback_.LogTopFirst(),
            (std::vector<std::string>{"s2", "s1", "s0", "s9", "s8", "s7", "s6", "s5", "s4", "s3"}));
  EXPECT_TRUE(feedback_.messages.empty());
  EXPECT_EQ(feedback_.waitDepth, 0);

  // The lines alone, oldest first, for a caller that keeps its own log.
  const DeviceMessages fetched = Operations().FetchDeviceMessages(entry_.ipAddr);
  EXPECT_EQ(fetched.result, OperationResult::Success);
  EXPECT_EQ(fetched.lines, (std::vector<std::string>{"s3", "s4", "s5", "s6", "s7", "s8", "s9", "s0", "s1", "s2"}));
  EXPECT_EQ(feedback_.log.size(), 10u);
}

TEST_F(DeviceMessageQuery, EmptySlotsBeforeTheWrapAddNothing) {
  Encoder().SetMessageRing(0, {"s0", "s1", "s2", "s3", "s4", "", "", "", "", ""});
  EXPECT_EQ(Query(), OperationResult::Success);
  EXPECT_EQ(feedback_.LogTopFirst(), (std::vector<std::string>{"s4", "s3", "s2", "s1", "s0"}));
}

TEST_F(DeviceMessageQuery, AnOldestOutsideTheRingIsReachableWithAnEmptyLog) {
  for (const std::int8_t oldest : {std::int8_t{12}, std::int8_t{-1}}) {
    Encoder().SetMessageRing(oldest, {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "s9"});
    feedback_.AddLogLine("stale", LogLineKind::DeviceMessage);
    EXPECT_EQ(Query(), OperationResult::Success) << int{oldest};
    EXPECT_TRUE(feedback_.log.empty()) << int{oldest};
  }
}

TEST_F(DeviceMessageQuery, ARingInTwoSegmentsIsStillAnAnswer) {
  Encoder().SetMessageRing(0, {"only", "", "", "", "", "", "", "", "", ""});
  sim::ReplyFaults faults;
  faults.segmentSize = 250;
  faults.segmentGap = 5ms;
  Encoder().SetReplyFaults(CMD_GET_MESSAGE, faults);
  EXPECT_EQ(Query(), OperationResult::Success);
  EXPECT_EQ(feedback_.LogTopFirst(), std::vector<std::string>{"only"});
}

TEST_F(DeviceMessageQuery, ALongerRingThanTheBufferIsReadNoFurtherThanTheBuffer) {
  Bytes reply;
  PutLe32(reply, CMD_GET_MESSAGE);
  reply.push_back(std::byte{0});
  PutLe32(reply, 5000);
  reply.resize(reply.size() + 5000, std::byte{'y'});
  sim::ReplyFaults faults;
  faults.rawReply = reply;
  Encoder().SetReplyFaults(CMD_GET_MESSAGE, faults);
  EXPECT_EQ(Query(), OperationResult::Success);
  EXPECT_EQ(feedback_.log.size(), MESSAGE_SLOT_COUNT);
  EXPECT_EQ(feedback_.log.front().text, std::string(MESSAGE_SLOT_SIZE, 'y'));
}

TEST_F(DeviceMessageQuery, IncompleteOrWrongRepliesAreUnreachableAndLeaveTheLog) {
  const auto withFaults = [](auto&& set) {
    sim::ReplyFaults faults;
    set(faults);
    return faults;
  };
  const std::vector<sim::ReplyFaults> cases{
      withFaults([](sim::ReplyFaults& f) { f.silent = true; }),
      withFaults([](sim::ReplyFaults& f) { f.cmd = CMD_GETXML; }),
      withFaults([](sim::ReplyFaults& f) { f.length = 0; }),
      withFaults([](sim::ReplyFaults& f) { f.length = -5; }),
      withFaults([](sim::ReplyFaults& f) { f.closeAfterBytes = 7; }),   // inside the header
      withFaults([](sim::ReplyFaults& f) { f.closeAfterBytes = 100; }), // inside the ring
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    Encoder().SetReplyFaults(CMD_GET_MESSAGE, cases[i]);
    feedback_.log.assign({{"kept", LogLineKind::DeviceMessage}});
    EXPECT_EQ(Query(), OperationResult::Unreachable) << "case " << i;
    EXPECT_EQ(feedback_.LogTopFirst(), std::vector<std::string>{"kept"}) << "case " << i;
  }
  EXPECT_TRUE(feedback_.messages.empty());
}

TEST_F(DeviceMessageQuery, ARefusedConnectionShowsTheConnectStageOnly) {
  Encoder().SetRefuseConnections(true);
  EXPECT_EQ(Query(), OperationResult::Unreachable);
  EXPECT_EQ(feedback_.messages, std::vector<Message>{Warning(kConnectFailed)});
}

// ---- Read Configuration --------------------------------------------------------

class ReadConfiguration : public SimulatedEncoderTest {
 protected:
  OperationResult Read() { return Operations().ReadConfiguration(entry_, flags_); }
};

TEST_F(ReadConfiguration, AnAnsweringEncoderFillsTheRecordAndKeepsTheDocument) {
  flags_.passwordAccepted = true;
  EXPECT_EQ(Read(), OperationResult::Success);
  const config::EncoderConfiguration encoder = Encoder().Configuration();
  EXPECT_EQ(entry_.configurationRead, 1);
  EXPECT_EQ(entry_.mux_bitrate, encoder.mux_bitrate);
  EXPECT_EQ(config::TextOf(entry_.old_password), Encoder().Password());
  EXPECT_FALSE(flags_.passwordAccepted);
  EXPECT_EQ(feedback_.images, std::vector<int>{0});
  EXPECT_EQ(feedback_.refreshes, 2);  // once for the accepted document, once at the end
  EXPECT_EQ(ReadFile(FileInFolder(kReceivedDocumentFile)), Encoder().ConfigurationDocument());
  EXPECT_TRUE(feedback_.messages.empty());
  EXPECT_FALSE(feedback_.log.empty());  // the ring came with the reachability check
}

// The document carries the encoder's password in clear.
TEST_F(ReadConfiguration, TheReceivedDocumentIsForItsOwnerAlone) {
  if (test::UnderWine()) GTEST_SKIP() << test::kWineKeepsNoAccessList;
  std::ofstream(FileInFolder(kReceivedDocumentFile)) << "old";
  std::filesystem::permissions(FileInFolder(kReceivedDocumentFile), std::filesystem::perms::all);
#ifndef _WIN32
  const ::mode_t umask = ::umask(0);
#endif
  Read();
#ifndef _WIN32
  ::umask(umask);
#endif
  EXPECT_EQ(ReadFile(FileInFolder(kReceivedDocumentFile)), Encoder().ConfigurationDocument());
  EXPECT_TRUE(platform::IsOwnerOnly(FileInFolder(kReceivedDocumentFile)));
}

TEST_F(ReadConfiguration, ARefusingEncoderShowsBothStagesAndTheGreyImage) {
  Encoder().SetRefuseConnections(true);
  EXPECT_EQ(Read(), OperationResult::Unreachable);
  EXPECT_EQ(feedback_.messages,
            (std::vector<Message>{Warning(kConnectFailed), Warning(kConnectDeviceFailed, MessageOwner::DeviceTree)}));
  EXPECT_EQ(feedback_.images, std::vector<int>{1});
  EXPECT_EQ(feedback_.refreshes, 0);
  EXPECT_EQ(entry_.configurationRead, 0);
}

TEST_F(ReadConfiguration, ASilentEncoderShowsOnlyTheCommandsMessage) {
  sim::ReplyFaults faults;
  faults.silent = true;
  Encoder().SetReplyFaultsForAll(faults);
  EXPECT_EQ(Read(), OperationResult::Unreachable);
  EXPECT_EQ(feedback_.messages, std::vector<Message>{Warning(kConnectDeviceFailed, MessageOwner::DeviceTree)});
  EXPECT_EQ(feedback_.images, std::vector<int>{1});
}

TEST_F(ReadConfiguration, ARefusedDocumentChangesNothingButThePageIsStillRefreshed) {
  sim::ReplyFaults faults;
  faults.rawReply = EncodeConfigurationReply("<?xml version=\"1.0\" ?>\n<other><mux><bitrate>7</bitrate></mux></other>\n");
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  entry_.mux_bitrate = 4000;
  const config::EncoderConfiguration before = entry_;
  EXPECT_EQ(Read(), OperationResult::Failure);
  EXPECT_EQ(entry_, before);
  EXPECT_EQ(feedback_.refreshes, 1);
  EXPECT_EQ(feedback_.images, std::vector<int>{0});
}

TEST_F(ReadConfiguration, AFolderThatCannotBeWrittenIsReportedAndTheReadGoesOn) {
  const std::filesystem::path missing = folder_ / "missing" / "deeper";
  DeviceOperations operations(settings_, feedback_, missing);
  EXPECT_EQ(operations.ReadConfiguration(entry_, flags_), OperationResult::Success);
  EXPECT_TRUE(feedback_.messages.empty());
  ASSERT_FALSE(feedback_.log.empty());
  EXPECT_EQ(feedback_.log.front().text, std::string(kDocumentNotKept) + (missing / kReceivedDocumentFile).string());
  EXPECT_EQ(feedback_.log.front().kind, LogLineKind::ProgramNotice);
  EXPECT_EQ(entry_.configurationRead, 1);
}

TEST_F(ReadConfiguration, TheImageAndTheRefreshNameTheRecordTheReadWasGiven) {
  EXPECT_EQ(Read(), OperationResult::Success);
  EXPECT_EQ(feedback_.entries, (std::vector<const config::EncoderConfiguration*>{&entry_, &entry_, &entry_}));
}

// A message where the desktop has one, else an explanation the desktop passes over: always exactly one.
TEST_F(ReadConfiguration, EveryFailedReadIsSaidOnce) {
  const auto withFaults = [](auto&& set) {
    sim::ReplyFaults faults;
    set(faults);
    return faults;
  };
  const std::vector<std::pair<sim::ReplyFaults, std::string>> cases{
      {withFaults([](sim::ReplyFaults& f) { f.silent = true; }), std::string(kReadConfigurationFailed)},
      {withFaults([](sim::ReplyFaults& f) { f.cmd = CMD_GET_MESSAGE; }),
       "the reply is no answer to the configuration request"},
      {withFaults([](sim::ReplyFaults& f) { f.length = 10000; }), "the document length 10000 is outside 0..9999"},
      {withFaults([](sim::ReplyFaults& f) { f.closeAfterBytes = 20; }), "the document ends after 12 of "},
      {withFaults([](sim::ReplyFaults& f) { f.rawReply = EncodeConfigurationReply("<other/>"); }),
       std::string(kDocumentRefused)},
  };
  for (const auto& [faults, said] : cases) {
    Encoder().SetReplyFaults(CMD_GETXML, faults);
    feedback_ = RecordingFeedback{};
    EXPECT_EQ(Operations().ReadConfigurationDocument(entry_, flags_).result, OperationResult::Failure) << said;
    std::vector<std::string> everything = feedback_.MessageTexts();
    everything.insert(everything.end(), feedback_.details.begin(), feedback_.details.end());
    ASSERT_EQ(everything.size(), 1u) << said;
    EXPECT_EQ(everything[0].rfind(said, 0), 0u) << everything[0];
  }
}

TEST_F(ReadConfiguration, AnEmptyDocumentIsRefused) {
  sim::ReplyFaults faults;
  faults.rawReply = EncodeConfigurationReply("");
  Encoder().SetReplyFaults(CMD_GETXML, faults);
  EXPECT_EQ(Read(), OperationResult::Failure);
  EXPECT_EQ(entry_.configurationRead, 0);
}

// ---- Write Configuration -------------------------------------------------------

class WriteConfiguration : public SimulatedEncoderTest {
 protected:
  void SetUp() override {
    SimulatedEncoderTest::SetUp();
    ASSERT_EQ(Operations().ReadConfigurationDocument(entry_, flags_).result, OperationResult::Success);
    config::StoreText(entry_.new_password, Encoder().Password());
    feedback_ = RecordingFeedback{};
  }

  OperationResult Write(WriteRequest request = {true, true}) {
    return Operations().WriteConfiguration(entry_, flags_, request);
  }

  void AnswerWith(std::string_view resultText) {
    sim::ReplyFaults faults;
    faults.writeResultText = std::string(resultText);
    Encoder().SetReplyFaults(CMD_SENDXML, faults);
  }
};

TEST_F(WriteConfiguration, AnAcceptedDocumentIsTheOneKeptInOutXml) {
  entry_.sequence_number = 42;
  EXPECT_EQ(Write(), OperationResult::Success);
  EXPECT_EQ(feedback_.messages, (std::vector<Message>{{MessageStyle::Tip, MessageOwner::MainWindow,
                                                       std::string(kWriteSucceeded)}}));
  const auto sent = Encoder().LastDocumentReceived();
  ASSERT_TRUE(sent);
  config::EncoderConfiguration copy = entry_;
  EXPECT_EQ(*sent, config::BuildConfigurationDocument(copy));
  EXPECT_EQ(ReadFile(FileInFolder(kSentDocumentFile)), *sent);
  EXPECT_EQ(Encoder().Configuration().sequence_number, 42);
  EXPECT_EQ(Encoder().RequestCount(CMD_GETXML), 1u);  // no re-read without a bitrate change
}

// It carries both passwords in clear.
TEST_F(WriteConfiguration, TheSentDocumentIsForItsOwnerAlone) {
  if (test::UnderWine()) GTEST_SKIP() << test::kWineKeepsNoAccessList;
  EXPECT_EQ(Write(), OperationResult::Success);
  EXPECT_TRUE(platform::IsOwnerOnly(FileInFolder(kSentDocumentFile)));
}

TEST_F(WriteConfiguration, AfterABitrateChangeTheEncoderIsReadAgainAfterThePause) {
  flags_.bitrateModified = true;
  flags_.passwordAccepted = true;
  entry_.mux_bitrate = 6000;
  EXPECT_EQ(Write(), OperationResult::Success);
  EXPECT_FALSE(flags_.bitrateModified);
  EXPECT_FALSE(flags_.passwordAccepted);  // every read starts by clearing it
  EXPECT_EQ(feedback_.log.front().text, kBitrateNotice);
  EXPECT_EQ(feedback_.log.front().kind, LogLineKind::ProgramNotice);
  EXPECT_EQ(feedback_.pauses, std::vector<std::chrono::milliseconds>{settings_.timings.rereadPause});
  EXPECT_EQ(Encoder().RequestCount(CMD_GETXML), 2u);
  EXPECT_EQ(ReadFile(FileInFolder(kReceivedDocumentFile)), Encoder().ConfigurationDocument());
  EXPECT_EQ(entry_.mux_bitrate, 6000);
  EXPECT_EQ(entry_.TS_bitrate, Encoder().Configuration().TS_bitrate);
  const auto notice = std::find(feedback_.timeline.begin(), feedback_.timeline.end(), "log:" + std::string(kBitrateNotice));
  const auto success = std::find(feedback_.timeline.begin(), feedback_.timeline.end(), "message:" + std::string(kWriteSucceeded));
  EXPECT_LT(success, notice);
  EXPECT_EQ(Timings{}.rereadPause, 1000ms);
}

TEST_F(WriteConfiguration, AFailedWriteKeepsTheBitrateFlag) {
  flags_.bitrateModified = true;
  AnswerWith("NO");
  EXPECT_EQ(Write(), OperationResult::Failure);
  EXPECT_TRUE(flags_.bitrateModified);
  EXPECT_TRUE(feedback_.pauses.empty());
}

TEST_F(WriteConfiguration, TheResultTextDecidesTheMessage) {
  struct Case {
    std::string answer;
    OperationResult result;
    Message message;
  };
  const std::vector<Case> cases{
      {"OK", OperationResult::Success, {MessageStyle::Tip, MessageOwner::MainWindow, std::string(kWriteSucceeded)}},
      {"OKAY, and more", OperationResult::Success, {MessageStyle::Tip, MessageOwner::MainWindow, std::string(kWriteSucceeded)}},
      {std::string("PASSWORD ERR\0", 13), OperationResult::Failure, Warning(kPasswordError)},
      {"PASSWORD ERR", OperationResult::Failure, Warning(kPasswordError)},  // no NUL sent: the empty buffer supplies it
      {"PASSWORD ERR!", OperationResult::Failure, Warning(kWriteFailed)},
      {"PASSWORD ER", OperationResult::Failure, Warning(kWriteFailed)},
      {"Ok", OperationResult::Failure, Warning(kWriteFailed)},
      {"", OperationResult::Failure, Warning(kWriteFailed)},
  };
  for (const Case& c : cases) {
    AnswerWith(c.answer);
    feedback_.messages.clear();
    EXPECT_EQ(Write(), c.result) << c.answer;
    EXPECT_EQ(feedback_.messages, std::vector<Message>{c.message}) << c.answer;
  }
}

TEST_F(WriteConfiguration, MissingPartsOfTheResultAreReportedAndTheTextStillJudged) {
  sim::ReplyFaults silent;
  silent.silent = true;
  Encoder().SetReplyFaults(CMD_SENDXML, silent);
  EXPECT_EQ(Write(), OperationResult::Failure);
  EXPECT_EQ(feedback_.messages,
            (std::vector<Message>{Warning(kRecvCmdFailed), Warning(kRecvRlenFailed), Warning(kWriteFailed)}));

  // A text shorter than its length says is no answer, whatever its first bytes.
  sim::ReplyFaults shortText;
  shortText.writeResultText = "OK";
  shortText.length = 40;
  Encoder().SetReplyFaults(CMD_SENDXML, shortText);
  feedback_.messages.clear();
  EXPECT_EQ(Write(), OperationResult::Failure);
  EXPECT_EQ(feedback_.messages, (std::vector<Message>{Warning(kRecvRetFailed), Warning(kWriteFailed)}));

  // Nor is a reply under another command word, or a whole "PASSWORD ERR" under one.
  for (const std::string text : {"OK", "PASSWORD ERR"}) {
    sim::ReplyFaults otherCommand;
    otherCommand.writeResultText = text;
    otherCommand.cmd = CMD_GETXML;
    Encoder().SetReplyFaults(CMD_SENDXML, otherCommand);
    feedback_.messages.clear();
    EXPECT_EQ(Write(), OperationResult::Failure) << text;
    EXPECT_EQ(feedback_.messages, (std::vector<Message>{Warning(kRecvCmdFailed), Warning(kWriteFailed)})) << text;
  }

  // A negative length can never be met.
  sim::ReplyFaults negative;
  negative.writeResultText = "OK";
  negative.length = -2;
  Encoder().SetReplyFaults(CMD_SENDXML, negative);
  feedback_.messages.clear();
  EXPECT_EQ(Write(), OperationResult::Failure);
  EXPECT_EQ(feedback_.messages, (std::vector<Message>{Warning(kRecvRetFailed), Warning(kWriteFailed)}));
}

TEST_F(WriteConfiguration, AResultLongerThanItsBufferCannotComeWhole) {
  sim::ReplyFaults faults;
  faults.writeResultText = "OK" + std::string(5000, '!');
  Encoder().SetReplyFaults(CMD_SENDXML, faults);
  EXPECT_EQ(Write(), OperationResult::Failure);
  EXPECT_EQ(feedback_.messages, (std::vector<Message>{Warning(kRecvRetFailed), Warning(kWriteFailed)}));

  faults.writeResultText = "OK" + std::string(kWriteResultBufferSize - 2, '!');  // exactly fills it
  Encoder().SetReplyFaults(CMD_SENDXML, faults);
  feedback_.messages.clear();
  EXPECT_EQ(Write(), OperationResult::Success);
}

TEST_F(WriteConfiguration, ThePasswordsAreCheckedInOrderBeforeAnythingIsSent) {
  struct Case {
    WriteRequest request;
    bool oldEmpty;
    bool newEmpty;
    Message message;
  };
  const std::vector<Case> cases{
      {{false, false}, true, true, {MessageStyle::Plain, MessageOwner::MainWindow, std::string(kEnterPassword)}},
      {{true, false}, true, true, {MessageStyle::Plain, MessageOwner::MainWindow, std::string(kEnterNewPassword)}},
      {{true, true}, true, true, Warning(kEnterCorrectPassword)},
      {{true, true}, false, true, Warning(kEnterCorrectNewPassword)},
  };
  const std::string password = Encoder().Password();
  for (const Case& c : cases) {
    config::StoreText(entry_.old_password, c.oldEmpty ? "" : password);
    config::StoreText(entry_.new_password, c.newEmpty ? "" : password);
    feedback_.messages.clear();
    EXPECT_EQ(Write(c.request), OperationResult::Failure);
    EXPECT_EQ(feedback_.messages, std::vector<Message>{c.message});
  }
  EXPECT_EQ(Encoder().RequestCount(CMD_SENDXML), 0u);
  EXPECT_FALSE(std::filesystem::exists(FileInFolder(kSentDocumentFile)));
}

TEST_F(WriteConfiguration, AnUnreachableEncoderShowsOnlyTheConnectStage) {
  Encoder().SetRefuseConnections(true);
  EXPECT_EQ(Write(), OperationResult::Unreachable);
  EXPECT_EQ(feedback_.messages, std::vector<Message>{Warning(kConnectFailed)});
  EXPECT_EQ(feedback_.images, std::vector<int>{1});
}

TEST_F(WriteConfiguration, AReachableEncoderLeavesTheImageAlone) {
  EXPECT_EQ(Write(), OperationResult::Success);
  EXPECT_TRUE(feedback_.images.empty());
}

TEST_F(WriteConfiguration, TheEncoderRefusesADocumentWithAnotherPassword) {
  config::StoreText(entry_.old_password, "LLLLLLLL");
  EXPECT_EQ(Write(), OperationResult::Failure);
  EXPECT_EQ(feedback_.messages, std::vector<Message>{Warning(kPasswordError)});
}

class AddressChange : public SimulatedEncoderTest {
 protected:
  AddressChange() : SimulatedEncoderTest(2) {}
};

// The command line's write: to the encoder the operator named, whatever address its document reported.
TEST_F(AddressChange, AWriteWithADestinationGoesThereReReadIncluded) {
  ASSERT_EQ(Operations().ReadConfigurationDocument(entry_, flags_).result, OperationResult::Success);
  entry_.ipAddr = Encoder(1).Address();
  config::StoreText(entry_.new_password, Encoder(0).Password());
  flags_.bitrateModified = true;
  EXPECT_EQ(Operations().SendConfiguration(entry_, flags_, {true, true}, Encoder(0).Address()),
            OperationResult::Success);
  EXPECT_EQ(Encoder(0).RequestCount(CMD_SENDXML), 1u);
  EXPECT_EQ(Encoder(0).RequestCount(CMD_GETXML), 2u);
  EXPECT_EQ(Encoder(1).RequestCount(CMD_SENDXML) + Encoder(1).RequestCount(CMD_GETXML), 0u);
}

TEST_F(AddressChange, TheNextOperationGoesToTheAddressTheRecordNowHolds) {
  entry_.ipAddr = Encoder(1).Address();
  EXPECT_EQ(Operations().QueryDeviceMessages(entry_), OperationResult::Success);
  EXPECT_EQ(Encoder(1).RequestCount(CMD_GET_MESSAGE), 1u);
  EXPECT_EQ(Encoder(0).RequestCount(CMD_GET_MESSAGE), 0u);
}

// ---- Start and Stop TS -> IP ---------------------------------------------------

class StreamCommands : public SimulatedEncoderTest {};

TEST_F(StreamCommands, StartAndStopShowNothingAndTheEncoderFollows) {
  EXPECT_EQ(Operations().StartStreaming(entry_), OperationResult::Success);
  EXPECT_TRUE(test::Eventually([&] { return Encoder().IsStreaming(); }));
  EXPECT_EQ(Operations().StopStreaming(entry_), OperationResult::Success);
  EXPECT_TRUE(test::Eventually([&] { return !Encoder().IsStreaming(); }));
  EXPECT_TRUE(feedback_.messages.empty());
  EXPECT_TRUE(feedback_.log.empty());
  EXPECT_TRUE(feedback_.images.empty());
  ASSERT_TRUE(test::Eventually([&] { return Encoder().LastRequest(CMD_TS_STOP).has_value(); }));
  EXPECT_EQ(Encoder().LastRequest(CMD_TS_STOP)->size(), kRequestHeaderSize);
}

TEST_F(StreamCommands, AnEncoderThatTakesNoActionStillCountsAsSent) {
  sim::ReplyFaults faults;
  faults.silent = true;
  Encoder().SetReplyFaultsForAll(faults);
  EXPECT_EQ(Operations().StartStreaming(entry_), OperationResult::Success);
}

TEST_F(StreamCommands, ARefusedConnectionFailsWithTheConnectStage) {
  Encoder().SetRefuseConnections(true);
  EXPECT_EQ(Operations().StopStreaming(entry_), OperationResult::Unreachable);
  EXPECT_EQ(feedback_.messages, std::vector<Message>{Warning(kConnectFailed)});
}

}  // namespace
}  // namespace kestrine::net
