#include "ShellFixture.h"


#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QLineEdit>
#include <QTest>

#include "app/DeviceTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageLogWnd.h"
#include "config/PropertyItemTable.h"
#include "platform/Ipv4Text.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"

namespace kestrine::test {

void RecordingBoxes::Show(const app::MessageBoxRequest& request) {
  boxes.push_back({request.text, request.caption, request.icon, request.owner ? request.owner->objectName() : ""});
}

QStringList RecordingBoxes::Texts() const {
  QStringList texts;
  for (const Box& box : boxes) texts << box.text;
  return texts;
}

UiScript::UiScript() {
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, &UiScript::Poll);
  timer_.start();
}

void UiScript::OnPopup(std::function<void(QMenu&)> act) {
  steps_.push_back({true, [act = std::move(act)](QWidget& w) { act(static_cast<QMenu&>(w)); }});
}

void UiScript::OnModal(std::function<void(QDialog&)> act) {
  steps_.push_back({false, [act = std::move(act)](QWidget& w) { act(static_cast<QDialog&>(w)); }});
}

void UiScript::Poll() {
  if (steps_.empty()) return;
  QWidget* up = steps_.front().popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
  if (up == nullptr || (steps_.front().popup ? qobject_cast<QMenu*>(up) == nullptr : qobject_cast<QDialog*>(up) == nullptr)) {
    return;
  }
  const Step step = std::move(steps_.front());
  steps_.pop_front();
  step.act(*up);
}

void Choose(QMenu& menu, const char* actionObjectName) {
  QAction* action = nullptr;
  for (QAction* item : menu.actions()) {
    if (item->objectName() == actionObjectName) action = item;
  }
  ASSERT_NE(action, nullptr) << actionObjectName;
  ASSERT_TRUE(action->isEnabled()) << actionObjectName;
  menu.setActiveAction(action);
  QTest::keyClick(&menu, Qt::Key_Return);
}

void SaveScreenshot(QWidget& widget, const QString& name) {
  const QString folder = QStringLiteral(KESTRINE_SCREENSHOT_DIR "/app");
  std::filesystem::create_directories(folder.toStdString());
  widget.grab().save(folder + "/" + name + ".png");
}

net::Timings ShortTimings() {
  net::Timings timings;
  timings.exchangeDelay = std::chrono::milliseconds(5);
  timings.receiveTimeout = std::chrono::milliseconds(1000);
  timings.connectTimeout = std::chrono::milliseconds(3000);
  timings.rereadPause = std::chrono::milliseconds(20);
  timings.discoveryWindow = std::chrono::milliseconds(400);
  return timings;
}

void ShellTest::SetUp() {
  fleet_ = std::make_unique<sim::EncoderFleet>(sim::FleetOptions::ForTests(fleetSize_));
  std::string error;
  ASSERT_TRUE(fleet_->Start(error)) << error;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = std::filesystem::temp_directory_path() /
            ("kestrine-app-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);

  settings_.network.controlPort = fleet_->Encoder(0).ControlPort();
  settings_.network.discoveryPort = fleet_->DiscoveryPort();
  settings_.network.timings = ShortTimings();
  settings_.documentFolder = folder_;
  settings_.proposeBroadcast = [] { return std::optional<std::uint32_t>(0x7FFFFFFFu); };  // 127.255.255.255
  OpenFrame();
}

void ShellTest::OpenFrame() {
  frame_ = std::make_unique<app::CMainFrame>(settings_);
  frame_->SetMessageBoxes(boxes_);
  frame_->setGeometry(0, 0, 1200, 860);
  frame_->show();
  frame_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
}

void ShellTest::TearDown() {
  frame_.reset();
  fleet_.reset();
  std::filesystem::remove_all(folder_);
}

void ShellTest::ChooseFromTree(const char* actionObjectName, app::DeviceNode* over,
                               std::function<void(QDialog&)> inDialog) {
  app::CDeviceTreeCtrl& tree = frame_->DeviceTree();
  const QPoint at = over != nullptr ? tree.visualItemRect(over).center() : QPoint(20, tree.viewport()->height() - 10);
  script_.OnPopup([actionObjectName](QMenu& menu) { Choose(menu, actionObjectName); });
  if (inDialog) script_.OnModal(std::move(inDialog));
  QTest::mousePress(tree.viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(tree.viewport(), Qt::RightButton, {}, at);
}

void ShellTest::RightClickTree(QPoint at) {
  QTest::mousePress(frame_->DeviceTree().viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(frame_->DeviceTree().viewport(), Qt::RightButton, {}, at);
}

void ShellTest::ChooseFromLog(const char* actionObjectName) {
  script_.OnPopup([actionObjectName](QMenu& menu) { Choose(menu, actionObjectName); });
  QTest::mouseClick(frame_->MessageLog().List().viewport(), Qt::RightButton, {}, QPoint(50, 10));
}

void ShellTest::Select(app::DeviceNode& node) {
  app::CDeviceTreeCtrl& tree = frame_->DeviceTree();
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(&node).center());
}

void ShellTest::TypeIntoPage(int id, const QString& text) {
  const config::PropertyItemRow* row = config::FindItemById(id);
  ASSERT_NE(row, nullptr) << id;
  auto* edit = dynamic_cast<ui::CEditPropertyItem*>(frame_->Page().ItemFor(*row));
  ASSERT_NE(edit, nullptr) << id;
  ui::CPropertyTreeCtrl& list = *edit->GetOwner();
  list.ScrollIntoView(edit);
  const QPoint at(list.GetDividerPos() + 40, edit->GetOrigin().y() - list.GetScrollOrigin() + edit->GetRowHeight() / 2);
  QTest::mouseClick(list.GetListWnd(), Qt::LeftButton, Qt::NoModifier, at);
  QLineEdit* line = edit->GetLineEdit();
  ASSERT_NE(line, nullptr) << id;
  ASSERT_TRUE(line->isVisible()) << id;
  line->setFocus();
  line->selectAll();
  QTest::keyClicks(line, text);
  QTest::keyClick(line, Qt::Key_Return);
}

QString ShellTest::PageText(int id) const {
  const config::PropertyItemRow* row = config::FindItemById(id);
  auto* edit = row != nullptr ? dynamic_cast<ui::CEditPropertyItem*>(frame_->Page().ItemFor(*row)) : nullptr;
  return edit != nullptr && edit->GetLineEdit() != nullptr ? edit->GetLineEdit()->text() : QString();
}

app::DeviceNode* ShellTest::NodeFor(std::size_t encoderIndex) const {
  const std::string text = fleet_->Encoder(encoderIndex).AddressText();
  return frame_->DeviceTree().FindDeviceNode(nullptr, QString::fromStdString(text));
}

}  // namespace kestrine::test
