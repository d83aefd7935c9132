// "Audit Encoders" against a simulated fleet: every listed encoder read at once, the findings in a dialog,
// Cancel mid-way, and never a node's record touched.
#include "ShellFixture.h"

#include <filesystem>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/AuditDlg.h"
#include "app/DeviceTreeCtrl.h"
#include "net/Protocol.h"
#include "support/SampleRecords.h"

namespace kestrine::test {
namespace {

using app::DeviceNode;

std::size_t ThreadCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

class AuditTest : public ShellTest {
 protected:
  AuditTest() : ShellTest(5) {}

  void ListFleet() {
    for (std::size_t i = 0; i < fleet_->Count(); ++i) {
      nodes_.push_back(frame_->DeviceTree().AddDevice(QString::fromStdString(fleet_->Encoder(i).AddressText())));
      before_.push_back(nodes_.back()->Entry());
    }
  }

  void ExpectNoRecordTouched() {
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      EXPECT_TRUE(samples::ChangedFields(before_[i], nodes_[i]->Entry()).empty()) << i;
      EXPECT_EQ(nodes_[i]->Entry().configurationRead, 0) << i;
      EXPECT_EQ(nodes_[i]->Image(), 1) << i;
    }
    EXPECT_FALSE(std::filesystem::exists(Document("in.xml")));
  }

  std::vector<DeviceNode*> nodes_;
  std::vector<config::EncoderConfiguration> before_;
};

TEST_F(AuditTest, TheFleetsFindingsComeInADialogAndADoubleClickSelectsTheEncoder) {
  // 1 and 2 send to one group; 3 has two equal PIDs; 4 is unreachable; 5 has 1's device number.
  config::EncoderConfiguration second = fleet_->Encoder(1).Configuration();
  second.multicast_ip = fleet_->Encoder(0).Configuration().multicast_ip;
  second.multicast_port = fleet_->Encoder(0).Configuration().multicast_port;
  fleet_->Encoder(1).SetConfiguration(second);
  config::EncoderConfiguration third = fleet_->Encoder(2).Configuration();
  third.pcr_pid = third.pmt_pid;
  fleet_->Encoder(2).SetConfiguration(third);
  fleet_->Encoder(3).SetRefuseConnections(true);
  config::EncoderConfiguration fifth = fleet_->Encoder(4).Configuration();
  fifth.sequence_number = fleet_->Encoder(0).Configuration().sequence_number;
  fleet_->Encoder(4).SetConfiguration(fifth);
  ListFleet();

  ChooseFromTree("auditEncodersAction");
  EXPECT_FALSE(frame_->IsBusy());
  EXPECT_EQ(frame_->StatusText(), "Ready");
  for (std::size_t i = 0; i < fleet_->Count(); ++i) {
    if (i != 3) {
      EXPECT_EQ(fleet_->Encoder(i).RequestCount(net::CMD_GETXML), 1u) << i;
    }
    EXPECT_EQ(fleet_->Encoder(i).RequestCount(net::CMD_GET_MESSAGE), 0u) << "the audit reads with 1004 alone";
  }

  auto* dialog = frame_->findChild<app::CAuditDlg*>("auditDialog");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  QTreeWidget& rows = dialog->Findings();
  QStringList shown;
  for (int i = 0; i < rows.topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = rows.topLevelItem(i);
    shown << row->text(0) + " " + row->text(1) + ": " + row->text(2);
  }
  EXPECT_EQ(shown,
            QStringList({"error multicast-collision: 127.0.0.1, 127.0.0.2", "error pid-clash: 127.0.0.3",
                         "error unreadable: 127.0.0.4", "warning duplicate-device-number: 127.0.0.1, 127.0.0.5"}));
  ASSERT_EQ(rows.topLevelItemCount(), 4);
  EXPECT_EQ(rows.topLevelItem(2)->text(3), "Connect TAVRIX Failed !");
  EXPECT_EQ(dialog->Summary(), "5 encoders audited: 3 errors, 1 warning");
  SaveScreenshot(*dialog, "audit-dialog");

  const QRect pidClash = rows.visualItemRect(rows.topLevelItem(1));
  // A click on the row first: the window system would pair a lone double-click's first press with the
  // test's last click elsewhere.
  QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, pidClash.center());
  QTest::mouseDClick(rows.viewport(), Qt::LeftButton, {}, pidClash.center());
  EXPECT_EQ(frame_->DeviceTree().SelectedNode(), nodes_[2]);
  ExpectNoRecordTouched();
  EXPECT_TRUE(boxes_.boxes.empty()) << "the audit's failures are findings, not boxes";
}

TEST_F(AuditTest, CancelMidWayEndsTheReadsUnderWayLeavesNoThreadAndTouchesNoRecord) {
  // Three encoders would answer only after a minute, and a receive would wait that long for them.
  settings_.network.timings.receiveTimeout = std::chrono::milliseconds(60000);
  OpenFrame();
  sim::ReplyFaults late;
  late.delay = std::chrono::milliseconds(60000);
  for (std::size_t i = 2; i < 5; ++i) fleet_->Encoder(i).SetReplyFaults(net::CMD_GETXML, late);
  ListFleet();
  const std::size_t threadsBefore = ThreadCount();

  int doneWhenCancelled = -1;
  ChooseFromTree("auditEncodersAction", nullptr, [&](QDialog& dialog) {
    auto& progress = dynamic_cast<QProgressDialog&>(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress.value() >= 2; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] {
      return fleet_->Encoder(2).RequestCount(net::CMD_GETXML) + fleet_->Encoder(3).RequestCount(net::CMD_GETXML) +
                 fleet_->Encoder(4).RequestCount(net::CMD_GETXML) ==
             3;
    }));
    doneWhenCancelled = progress.value();
    SaveScreenshot(progress, "audit-progress");
    QTest::mouseClick(progress.findChild<QPushButton*>(), Qt::LeftButton);
    // The reads under way end at their next wait slice, not when a reply or the minute's timeout comes.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !progress.isVisible(); }, 10000));
  });

  ASSERT_TRUE(script_.Done());
  EXPECT_EQ(doneWhenCancelled, 2) << "the three late encoders were still being read";
  EXPECT_FALSE(frame_->IsBusy());
  EXPECT_EQ(frame_->findChild<app::CAuditDlg*>("auditDialog"), nullptr) << "a cancelled audit shows no findings";
  EXPECT_EQ(ThreadCount(), threadsBefore);
  ExpectNoRecordTouched();
}

}  // namespace
}  // namespace kestrine::test
