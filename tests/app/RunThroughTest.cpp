#include "ShellFixture.h"

#include <filesystem>
#include <set>

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/AddDeviceDlg.h"
#include "app/CommandIds.h"
#include "app/DeviceTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageLogWnd.h"
#include "app/SearchDeviceDlg.h"
#include "config/PropertyItemTable.h"
#include "support/Eventually.h"
#include "net/Protocol.h"
#include "property_tree/IPAddressCtrl.h"

namespace kestrine::test {
namespace {

using app::DeviceNode;

QStringList LogTopFirst(const app::CMessageLogWnd& log) {
  QStringList lines;
  for (int row = 0; row < log.LineCount(); ++row) lines << log.LineText(row);
  return lines;
}

class RunThroughTest : public ShellTest {
 protected:
  RunThroughTest() : ShellTest(20) {}

  void AddByHand(std::uint32_t hostOrder) {
    ChooseFromTree("addEncoderAction", nullptr, [hostOrder](QDialog& dialog) {
      auto& add = dynamic_cast<app::CAddDeviceDlg&>(dialog);
      QTest::mouseClick(&add.OkButton(), Qt::LeftButton);  // blank: refused, stays open
      add.AddressCtrl().SetAddress(hostOrder);
      QTest::mouseClick(&add.OkButton(), Qt::LeftButton);
    });
  }

  void SearchLoopback() {
    ChooseFromTree("searchEncoderAction", nullptr, [](QDialog& dialog) {
      QTest::mouseClick(&dynamic_cast<app::CSearchDeviceDlg&>(dialog).OkButton(), Qt::LeftButton);
    });
  }
};

TEST_F(RunThroughTest, EveryCommandFromTheMenusAgainstASimulatedFleet) {
  sim::SimulatedEncoder third = fleet_->Encoder(2);  // 127.0.0.3
  third.SetMessageRing(3, {"m0", "m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9"});

  // Add by hand: the blank address is refused first.
  AddByHand(0x7F000003u);
  ASSERT_TRUE(script_.Done());
  EXPECT_EQ(boxes_.Texts(), QStringList({"IP Address id zero!!!"}));
  DeviceNode* node = NodeFor(2);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Image(), 1);

  // Read: the ring fills the log (newest on top), the node answers, in.xml is kept.
  Select(*node);
  ASSERT_EQ(frame_->DeviceTree().SelectedNode(), node);
  ChooseFromTree("readConfigurationAction", node);
  EXPECT_EQ(node->Image(), 0);
  EXPECT_EQ(node->Entry().configurationRead, 1);
  EXPECT_EQ(PageText(config::item_id::kMulticastPort), QString::number(node->Entry().multicast_port));
  EXPECT_EQ(LogTopFirst(frame_->MessageLog()),
            QStringList({"m2", "m1", "m0", "m9", "m8", "m7", "m6", "m5", "m4", "m3"}));
  EXPECT_TRUE(std::filesystem::exists(Document("in.xml")));
  EXPECT_EQ(boxes_.boxes.size(), 1u) << "a good read shows nothing";
  EXPECT_EQ(frame_->StatusText(), "Ready");
  SaveScreenshot(*frame_, "after-read");

  // Search: all twenty, once each, in order of arrival; the node added by hand keeps its place and image.
  SearchLoopback();
  ASSERT_TRUE(script_.Done());
  ASSERT_EQ(frame_->DeviceTree().NodeCount(), 20);
  std::set<QString> addresses;
  for (int i = 0; i < 20; ++i) addresses.insert(frame_->DeviceTree().NodeAt(i)->AddressText());
  EXPECT_EQ(addresses.size(), 20u);
  EXPECT_EQ(frame_->DeviceTree().NodeAt(0), node);
  EXPECT_EQ(node->Image(), 0);
  SaveScreenshot(*frame_, "after-search");

  // Another node's selection empties the log, even though that encoder has messages.
  Select(*NodeFor(0));
  EXPECT_EQ(frame_->MessageLog().LineCount(), 0);
  Select(*node);

  // A right-click selects the node under the pointer, and the command acts on it.
  const std::size_t readsBefore = fleet_->Encoder(0).RequestCount(net::CMD_GETXML);
  ChooseFromTree("startTsIpAction", NodeFor(0));
  EXPECT_EQ(frame_->DeviceTree().SelectedNode(), NodeFor(0));
  EXPECT_TRUE(Eventually([&] { return fleet_->Encoder(0).IsStreaming(); }));
  EXPECT_FALSE(third.IsStreaming());
  ChooseFromTree("startTsIpAction", node);
  EXPECT_TRUE(Eventually([&] { return third.IsStreaming(); }));
  ChooseFromTree("stopTsIpAction", node);
  EXPECT_TRUE(Eventually([&] { return !third.IsStreaming(); }));
  EXPECT_EQ(fleet_->Encoder(0).RequestCount(net::CMD_GETXML), readsBefore);
  EXPECT_EQ(boxes_.boxes.size(), 1u) << "start and stop show nothing";

  // Write with the password editors empty: the first check stops it, as a plain box of the main window.
  std::size_t seen = boxes_.boxes.size();
  ChooseFromTree("writeConfigurationAction", node);
  ASSERT_EQ(boxes_.boxes.size(), seen + 1);
  EXPECT_EQ(boxes_.boxes[seen].text, "Please enter password!");
  EXPECT_EQ(boxes_.boxes[seen].caption, "Kestrine");
  EXPECT_EQ(boxes_.boxes[seen].icon, QMessageBox::NoIcon);
  EXPECT_EQ(boxes_.boxes[seen].owner, "mainFrame");

  // Edits through the page reach the selected record: one refused (the record keeps its value), the
  // rest accepted, among them a bitrate that asks for a re-read after the write.
  seen = boxes_.boxes.size();
  const int port = node->Entry().multicast_port;
  TypeIntoPage(config::item_id::kMulticastPort, "12345");
  ASSERT_EQ(boxes_.boxes.size(), seen + 1);
  EXPECT_EQ(boxes_.boxes[seen].text, " port should be between 0--9999!");
  EXPECT_EQ(boxes_.boxes[seen].caption, "Warning");
  EXPECT_EQ(boxes_.boxes[seen].owner, "mainFrame");
  EXPECT_EQ(node->Entry().multicast_port, port);
  TypeIntoPage(config::item_id::kMulticastPort, "5000");
  EXPECT_EQ(node->Entry().multicast_port, 5000);
  TypeIntoPage(config::item_id::kPassword, "UUUUUUUU");
  TypeIntoPage(config::item_id::kNewPassword, "UUUUUUUU");
  TypeIntoPage(config::item_id::kProgramBitrate, QString::number(node->Entry().mux_bitrate));
  EXPECT_EQ(boxes_.boxes.size(), seen + 1) << boxes_.Texts().join("|").toStdString();
  EXPECT_TRUE(frame_->Page().Flags().bitrateModified);
  SaveScreenshot(*frame_, "after-edits");

  // Write: out.xml kept for the owner only, the tip, then the notice and the re-read.
  const std::size_t readsOfThird = third.RequestCount(net::CMD_GETXML);
  ChooseFromTree("writeConfigurationAction", node);
  ASSERT_EQ(boxes_.boxes.size(), seen + 2) << boxes_.Texts().join("|").toStdString();
  EXPECT_EQ(boxes_.boxes[seen + 1].text, "Set Configuration Success !");
  EXPECT_EQ(boxes_.boxes[seen + 1].caption, "Tip");
  EXPECT_EQ(boxes_.boxes[seen + 1].icon, QMessageBox::NoIcon);
  EXPECT_EQ(third.Configuration().multicast_port, 5000);
  ASSERT_TRUE(std::filesystem::exists(Document("out.xml")));
  EXPECT_EQ(std::filesystem::status(Document("out.xml")).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_GE(frame_->MessageLog().LineCount(), 1);
  EXPECT_EQ(frame_->MessageLog().LineText(0), "Bitrate have been modified,read the device again !");
  EXPECT_EQ(frame_->MessageLog().LineKind(0), 1);
  EXPECT_EQ(third.RequestCount(net::CMD_GETXML), readsOfThird + 1);
  EXPECT_FALSE(frame_->Page().Flags().bitrateModified);

  // "Read Device Message" twice: the ring once.
  third.SetMessageRing(0, {"only", "", "", "", "", "", "", "", "", ""});
  script_.OnPopup([](QMenu& menu) {
    SaveScreenshot(menu, "message-log-menu");
    Choose(menu, "readDeviceMessageAction");
  });
  QTest::mouseClick(frame_->MessageLog().List().viewport(), Qt::RightButton, {}, QPoint(50, 10));
  ChooseFromLog("readDeviceMessageAction");
  EXPECT_EQ(LogTopFirst(frame_->MessageLog()), QStringList({"only"}));

  // Unreachable: the connection's warning, then the command's, owned by the tree; the node greys.
  third.SetRefuseConnections(true);
  ChooseFromTree("readConfigurationAction", node);
  ASSERT_EQ(boxes_.boxes.size(), seen + 4);
  EXPECT_EQ(boxes_.boxes[seen + 2].text, "Connect TAVRIX Failed !");
  EXPECT_EQ(boxes_.boxes[seen + 2].owner, "mainFrame");
  EXPECT_EQ(boxes_.boxes[seen + 3].text, "Connect Device Failed !");
  EXPECT_EQ(boxes_.boxes[seen + 3].caption, "Warning");
  EXPECT_EQ(boxes_.boxes[seen + 3].icon, QMessageBox::Warning);
  EXPECT_EQ(boxes_.boxes[seen + 3].owner, "deviceTree");
  EXPECT_EQ(node->Image(), 1);
  ChooseFromLog("readDeviceMessageAction");
  EXPECT_EQ(LogTopFirst(frame_->MessageLog()), QStringList({"Connect device failed", "only"}));
  EXPECT_EQ(frame_->MessageLog().LineKind(0), 1);

  // Delete: the node and its record go, the log is cleared, nothing is selected, the page stays.
  SaveScreenshot(*frame_, "before-delete");
  EXPECT_EQ(PageText(config::item_id::kMulticastPort), "5000");
  ChooseFromTree("delEncoderAction", node);
  EXPECT_EQ(PageText(config::item_id::kMulticastPort), "5000");
  EXPECT_EQ(NodeFor(2), nullptr);
  EXPECT_EQ(frame_->DeviceTree().NodeCount(), 19);
  EXPECT_EQ(frame_->MessageLog().LineCount(), 0);
  EXPECT_EQ(frame_->DeviceTree().SelectedNode(), nullptr);
}

class OperationTest : public ShellTest {};

TEST_F(OperationTest, TheWindowKeepsTurningDuringAReadWithTheDefaultExchangeDelay) {
  settings_.network.timings.exchangeDelay = std::chrono::milliseconds(3000);
  OpenFrame();
  DeviceNode* node = frame_->DeviceTree().AddDevice(QString::fromStdString(fleet_->Encoder(0).AddressText()));
  Select(*node);

  // A timer of the window's own counts the event-loop turns while the command runs.
  int turnsWhileBusy = 0;
  QString during;
  bool waitCursorShown = false;
  QTimer probe;
  probe.setInterval(10);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!frame_->IsBusy()) return;
    ++turnsWhileBusy;
    if (during.isEmpty()) during = frame_->StatusText();
    const QCursor* cursor = QApplication::overrideCursor();
    if (cursor != nullptr && cursor->shape() == Qt::WaitCursor) waitCursorShown = true;
  });
  probe.start();
  ChooseFromTree("readConfigurationAction", node);
  probe.stop();

  EXPECT_EQ(node->Image(), 0);
  // The read waits two exchange delays, 6 s, in slices of at most 20 ms with a turn after each: some
  // three hundred turns. A wait that blocked would leave a handful; a tenth of them is ample on a loaded
  // host. (How long the window goes without a turn is measured in bench/app.)
  EXPECT_GE(turnsWhileBusy, 30);
  EXPECT_EQ(during, "Reading configuration from 127.0.0.1…");
  EXPECT_TRUE(waitCursorShown);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(frame_->StatusText(), "Ready");
}

TEST_F(OperationTest, NoSecondCommandStartsWhileOneRuns) {
  settings_.network.timings.exchangeDelay = std::chrono::milliseconds(300);
  OpenFrame();
  DeviceNode* node = frame_->DeviceTree().AddDevice(QString::fromStdString(fleet_->Encoder(0).AddressText()));
  Select(*node);

  // A timer that fires mid-read tries everything a queued click could: delete, another read, a search.
  bool triedWhileBusy = false;
  QTimer::singleShot(100, frame_.get(), [&] {
    triedWhileBusy = frame_->IsBusy();
    frame_->RunDeviceCommand(app::ID_DEL_ENCODER);
    frame_->RunDeviceCommand(app::ID_READ_CONFIGURATION);
    frame_->RunDeviceCommand(app::ID_SEARCH_ENCODER);
    frame_->close();
  });
  ChooseFromTree("readConfigurationAction", node);

  EXPECT_TRUE(triedWhileBusy);
  EXPECT_EQ(frame_->DeviceTree().NodeCount(), 1);
  EXPECT_EQ(fleet_->Encoder(0).RequestCount(net::CMD_GET_MESSAGE), 1u);
  EXPECT_EQ(fleet_->Encoder(0).RequestCount(net::CMD_GETXML), 1u);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(frame_->isVisible()) << "a close asked for mid-read happens once the read is over";
}

TEST_F(OperationTest, AReadThatFailsAfterTheCheckSaysWhyInTheLogAndTheNodeStaysGreen) {
  sim::SimulatedEncoder encoder = fleet_->Encoder(0);
  encoder.SetMessageRing(0, {"ready", "", "", "", "", "", "", "", "", ""});
  DeviceNode* node = frame_->DeviceTree().AddDevice(QString::fromStdString(encoder.AddressText()));
  const std::size_t length = encoder.ConfigurationDocument().size();
  sim::ReplyFaults cut;
  cut.closeAfterBytes = 8 + 812;  // the header and 812 bytes of the document
  encoder.SetReplyFaults(net::CMD_GETXML, cut);

  ChooseFromTree("readConfigurationAction", node);
  EXPECT_EQ(boxes_.boxes.size(), 0u) << boxes_.Texts().join("|").toStdString();
  EXPECT_EQ(node->Image(), 0) << "the encoder answered the check";
  EXPECT_EQ(node->Entry().configurationRead, 0);
  EXPECT_EQ(
      LogTopFirst(frame_->MessageLog()),
      QStringList({QString("Configuration from 127.0.0.1 could not be read: the document ends after 812 of %1 bytes")
                       .arg(length),
                   "ready"}));
  EXPECT_EQ(frame_->MessageLog().LineKind(0), 1);

  sim::ReplyFaults refused;
  refused.rawReply = net::EncodeConfigurationReply("<other/>");
  encoder.SetReplyFaults(net::CMD_GETXML, refused);
  ChooseFromTree("readConfigurationAction", node);
  ASSERT_GE(frame_->MessageLog().LineCount(), 1);
  EXPECT_EQ(frame_->MessageLog().LineText(0),
            "Configuration from 127.0.0.1 could not be read: the document was not accepted");
  EXPECT_EQ(node->Image(), 0);
}

}  // namespace
}  // namespace kestrine::test
