// "Check Stream" against a simulated encoder streaming to a free port of 127.0.0.1.
#include "ShellFixture.h"

#include <QTest>
#include <QTimer>

#include "app/DeviceTreeCtrl.h"
#include "app/MessageLogWnd.h"
#include "net/Protocol.h"
#include "support/Eventually.h"
#include "support/UdpPorts.h"

namespace kestrine::test {
namespace {

using StreamCheckTest = ShellTest;

TEST_F(StreamCheckTest, ReadsARecordFirstWarnsOfWhatDiffersThenTipsWhatASoundStreamIs) {
  settings_.streamCheckDuration = std::chrono::milliseconds(700);
  OpenFrame();
  sim::SimulatedEncoder encoder = fleet_->Encoder(0);
  config::EncoderConfiguration record = encoder.Configuration();
  record.multicast_port = FreeUdpPort();
  encoder.SetConfiguration(record);
  stream::StreamFaults faults;
  faults.bitrateOffsetPercent = 10;
  encoder.SetStreamFaults(faults);
  encoder.SetStreaming(true);
  ASSERT_TRUE(Eventually([&] { return encoder.StreamSettled() && encoder.Stream().sending; }));
  app::DeviceNode* node = frame_->DeviceTree().AddDevice(QString::fromStdString(encoder.AddressText()));

  // The window keeps turning while the probe listens, and the shell is busy meanwhile.
  QStringList statusWhileChecking;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (frame_->IsBusy()) statusWhileChecking << frame_->StatusText();
  });
  watch.start(100);
  ChooseFromTree("checkStreamAction", node);
  watch.stop();
  EXPECT_EQ(node->Entry().configurationRead, 1) << "a node without a record has it read first";
  EXPECT_EQ(encoder.RequestCount(net::CMD_GETXML), 1u);
  EXPECT_TRUE(statusWhileChecking.contains("Checking the stream of 127.0.0.1…"))
      << statusWhileChecking.join("|").toStdString();
  const app::CMessageLogWnd& log = frame_->MessageLog();
  QStringList notices;
  for (int row = 0; row < log.LineCount(); ++row) {
    if (log.LineText(row).startsWith("Stream from "))
      notices << QString::number(log.LineKind(row)) + " " + log.LineText(row);
  }
  ASSERT_EQ(notices.size(), 1) << notices.join("|").toStdString();
  EXPECT_TRUE(notices[0].startsWith("1 Stream from 127.0.0.1: mux_bitrate: configured 4000 kbit/s, measured 4400"))
      << notices[0].toStdString();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].caption, "Warning");
  EXPECT_TRUE(boxes_.boxes[0].text.startsWith("The stream from 127.0.0.1 is not as configured:\nmux_bitrate: "))
      << boxes_.boxes[0].text.toStdString();

  encoder.SetStreamFaults({});
  ASSERT_TRUE(Eventually([&] { return encoder.StreamSettled(); }));
  const int linesBefore = frame_->MessageLog().LineCount();
  ChooseFromTree("checkStreamAction", node);
  EXPECT_EQ(encoder.RequestCount(net::CMD_GETXML), 1u) << "the node's record is used as it is";
  EXPECT_EQ(frame_->MessageLog().LineCount(), linesBefore);
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].caption, "Tip");
  EXPECT_TRUE(boxes_.boxes[1].text.startsWith(
      "The stream from 127.0.0.1 is as configured:\nprogram 1 \"Kestrine 1\" (Kestrine), 4000.0 kbit/s, video "))
      << boxes_.boxes[1].text.toStdString();
  EXPECT_FALSE(frame_->IsBusy());
}

TEST_F(StreamCheckTest, AClosedWindowCutsTheCheckShortAndShowsNoBox) {
  settings_.streamCheckDuration = std::chrono::milliseconds(120000);
  OpenFrame();
  config::EncoderConfiguration record = fleet_->Encoder(0).Configuration();
  record.multicast_port = FreeUdpPort();
  fleet_->Encoder(0).SetConfiguration(record);
  app::DeviceNode* node = frame_->DeviceTree().AddDevice(QString::fromStdString(fleet_->Encoder(0).AddressText()));
  QTimer::singleShot(300, frame_.get(), [&] { frame_->close(); });
  ChooseFromTree("checkStreamAction", node);
  EXPECT_EQ(node->Entry().configurationRead, 1);
  EXPECT_TRUE(boxes_.boxes.empty()) << boxes_.boxes.front().text.toStdString();
  EXPECT_FALSE(frame_->isVisible()) << "the close waited for the check's end, then came";
}

}  // namespace
}  // namespace kestrine::test
