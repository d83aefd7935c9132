#include "ShellFixture.h"

#include <fstream>
#include <sstream>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include "app/AddDeviceDlg.h"
#include "app/CommandIds.h"
#include "app/DeviceTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageLogWnd.h"
#include "app/ModalMessageBoxes.h"
#include "app/PaneSplitter.h"
#include "app/SearchDeviceDlg.h"
#include "config/EncoderList.h"
#include "platform/Ipv4Text.h"
#include "property_tree/IPAddressCtrl.h"

namespace kestrine::test {
namespace {

using app::CMainFrame;

class MainFrameTest : public ShellTest {};

TEST_F(MainFrameTest, StartsWithAQuarterForTheTreeAndFourFifthsForThePageWithEditingDisabled) {
  const int width = frame_->OuterSplitter().width();
  const int height = frame_->InnerSplitter().height();
  EXPECT_EQ(frame_->DeviceTree().width(), (8192 * (width - 1) + 16384) / 32768);
  EXPECT_NEAR(frame_->DeviceTree().width(), width / 4.0, 1.0);
  EXPECT_EQ(frame_->InnerSplitter().x(), frame_->DeviceTree().width() + 1);
  EXPECT_EQ(frame_->Page().height(), (26214 * (height - 1) + 16384) / 32768);
  EXPECT_NEAR(frame_->Page().height(), (height - 1) * 0.8, 1.0);
  EXPECT_EQ(frame_->MessageLog().y(), frame_->Page().height() + 1);

  EXPECT_EQ(frame_->windowTitle(), "Kestrine");
  EXPECT_EQ(frame_->StatusText(), "Ready");
  for (const char* indicator : {"capIndicator", "numIndicator", "scrlIndicator"}) {
    EXPECT_NE(frame_->findChild<QLabel*>(indicator), nullptr) << indicator;
  }
  for (int id : {app::ID_EDIT_UNDO, app::ID_EDIT_CUT, app::ID_EDIT_COPY, app::ID_EDIT_PASTE}) {
    EXPECT_FALSE(frame_->Action(id)->isEnabled()) << id;
  }
  EXPECT_EQ(frame_->Action(app::ID_APP_ABOUT)->statusTip(), "Show software version");
  const QList<QAction*> buttons = frame_->ToolBar().actions();
  int pictures = 0;
  for (const QAction* button : buttons) {
    if (button->isSeparator()) continue;
    ++pictures;
    EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
  }
  EXPECT_EQ(pictures, 5);
  EXPECT_EQ(frame_->MessageLog().List().headerItem()->text(1),
            QString(45, QLatin1Char(' ')) + "Message");
  SaveScreenshot(*frame_, "main-window-empty");

  frame_->Action(app::ID_VIEW_TOOLBAR)->trigger();
  EXPECT_FALSE(frame_->ToolBar().isVisible());
}

TEST_F(MainFrameTest, AboutOpensFromTheHelpMenu) {
  QString caption;
  script_.OnModal([&](QDialog& dialog) {
    caption = dialog.windowTitle();
    SaveScreenshot(dialog, "about-dialog");
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
  });
  frame_->Action(app::ID_APP_ABOUT)->trigger();
  EXPECT_EQ(caption, "About Tavrix");
  EXPECT_TRUE(script_.Done());
}

TEST_F(MainFrameTest, MenusWithNoNodeSelectedOfferOnlySearchAndAdd) {
  QStringList enabled;
  script_.OnPopup([&](QMenu& menu) {
    for (const QAction* action : menu.actions()) {
      if (action->isEnabled() && !action->isSeparator()) enabled << action->text();
    }
    SaveScreenshot(menu, "device-menu-no-node");
    menu.close();
  });
  RightClickTree();
  EXPECT_EQ(enabled, QStringList({"Search Encoder", "Add Encoder"}));

  // The keyboard opens the same menu: Shift+F10 and the Menu key.
  int opened = 0;
  for (int i = 0; i < 2; ++i) {
    script_.OnPopup([&](QMenu& menu) {
      ++opened;
      menu.close();
    });
  }
  QTest::keyClick(&frame_->DeviceTree(), Qt::Key_F10, Qt::ShiftModifier);
  QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), frame_->DeviceTree().viewport()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(frame_->DeviceTree().viewport(), &menuKey);
  EXPECT_EQ(opened, 2);

  // The log offers its menu only while a node is selected; a menu here would block the click.
  QTest::mouseClick(frame_->MessageLog().List().viewport(), Qt::RightButton, {}, QPoint(30, 10));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(MainFrameTest, AddressDialogsRefuseZeroAndCancelDoesNothing) {
  bool stayedOpen = false;
  ChooseFromTree("addEncoderAction", nullptr, [&](QDialog& dialog) {
    auto& add = dynamic_cast<app::CAddDeviceDlg&>(dialog);
    EXPECT_TRUE(add.AddressCtrl().IsBlank());
    // The dialog takes the focus once its window is active, which a slow (sanitizer) run reaches later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return add.OkButton().hasFocus(); }, 5000));
    QTest::mouseClick(&add.OkButton(), Qt::LeftButton);
    stayedOpen = add.isVisible();
    SaveScreenshot(add, "add-device-dialog");
    QTest::mouseClick(&add.CancelButton(), Qt::LeftButton);
  });
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "IP Address id zero!!!");
  EXPECT_EQ(boxes_.boxes[0].caption, "Warning");
  EXPECT_EQ(boxes_.boxes[0].icon, QMessageBox::Warning);
  EXPECT_EQ(boxes_.boxes[0].owner, "addDeviceDialog");
  EXPECT_EQ(frame_->DeviceTree().NodeCount(), 0);

  app::CSearchDeviceDlg blank(std::nullopt, boxes_, frame_.get());
  EXPECT_TRUE(blank.AddressCtrl().IsBlank());
  blank.accept();
  EXPECT_EQ(boxes_.boxes.back().text, "Broadcast Address id zero!!!");

  ChooseFromTree("searchEncoderAction", nullptr, [&](QDialog& dialog) {
    auto& search = dynamic_cast<app::CSearchDeviceDlg&>(dialog);
    EXPECT_EQ(search.AddressCtrl().GetAddress(), 0x7FFFFFFFu);
    SaveScreenshot(search, "search-device-dialog");
    QTest::mouseClick(&search.CancelButton(), Qt::LeftButton);
  });
  EXPECT_TRUE(script_.Done());
  EXPECT_EQ(frame_->DeviceTree().NodeCount(), 0);
}

TEST_F(MainFrameTest, EncoderListsOpenAndSaveFromTheFileMenuAboveQuit) {
  QStringList fileMenu;
  for (const QAction* action : frame_->findChild<QMenu*>("fileMenu")->actions()) fileMenu << action->text();
  EXPECT_EQ(fileMenu, QStringList({"Open Encoder List…", "Save Encoder List…", "", "&Quit(&X)"}));

  app::CDeviceTreeCtrl& tree = frame_->DeviceTree();
  app::DeviceNode* listed = tree.AddDevice("10.0.0.2");
  listed->SetImage(0);
  const std::filesystem::path list = folder_ / "site.txt";
  std::ofstream(list) << "# site A\n10.0.0.1\n\n10.0.0.2  # listed already\n10.0.0.x\n10.0.0.1\nstudio\n10.0.0.3\n";
  const auto chooseInDialog = [this](const std::filesystem::path& path) {
    script_.OnModal([path](QDialog& dialog) {
      // The file's name in the dialog's name field (pasted: typed, the completer would take the Enter), then Enter.
      auto* name = dynamic_cast<QFileDialog&>(dialog).findChild<QLineEdit*>("fileNameEdit");
      ASSERT_NE(name, nullptr);
      name->setText(QString::fromStdString(path.string()));
      QTest::keyClick(name, Qt::Key_Return);
    });
  };
  chooseInDialog(list);
  frame_->Action(app::ID_OPEN_ENCODER_LIST)->trigger();
  ASSERT_TRUE(script_.Done());
  QStringList nodes;
  for (int i = 0; i < tree.NodeCount(); ++i) nodes << tree.NodeAt(i)->AddressText();
  EXPECT_EQ(nodes, QStringList({"10.0.0.2", "10.0.0.1", "10.0.0.3"}));
  EXPECT_EQ(listed->Image(), 0) << "an address already listed is left as it is";
  ASSERT_EQ(boxes_.boxes.size(), 1u) << "bad lines are named once";
  EXPECT_EQ(
      boxes_.boxes[0].text,
      "These lines of site.txt are not encoder addresses (a.b.c.d) and were left out:\nline 5: 10.0.0.x\nline 7: studio");
  EXPECT_EQ(boxes_.boxes[0].caption, "Warning");

  // Saved, the list reads back in the tree's order, as the command line's --targets reads it.
  const std::filesystem::path saved = folder_ / "saved.txt";
  chooseInDialog(saved);
  frame_->Action(app::ID_SAVE_ENCODER_LIST)->trigger();
  ASSERT_TRUE(script_.Done());
  std::stringstream content;
  content << std::ifstream(saved).rdbuf();
  std::vector<std::string> read;
  for (const config::ListedAddress& entry : config::ListedAddresses(content.str())) read.push_back(entry.text);
  EXPECT_EQ(read, (std::vector<std::string>{"10.0.0.2", "10.0.0.1", "10.0.0.3"}));
  EXPECT_EQ(boxes_.boxes.size(), 1u);
}

TEST(DeviceTreeTest, OneNodePerAddressTextEachOwningItsRecordUntilDeleted) {
  app::CDeviceTreeCtrl tree;
  std::vector<app::DeviceNode*> selections;
  QObject::connect(&tree, &app::CDeviceTreeCtrl::SelectionChangedTo,
                   [&](app::DeviceNode* node) { selections.push_back(node); });
  app::DeviceNode* twelve = tree.AddDevice("10.0.0.12");
  app::DeviceNode* one = tree.AddDevice("10.0.0.1");
  EXPECT_NE(one, twelve);
  EXPECT_EQ(tree.AddDevice("10.0.0.12"), twelve);
  EXPECT_EQ(tree.NodeCount(), 2);
  EXPECT_EQ(twelve->Image(), 1);
  EXPECT_EQ(twelve->Entry().ipAddr, platform::HostToNetwork32(0x0A00000Cu));
  EXPECT_EQ(tree.SelectedNode(), nullptr) << "a new node is not selected";

  tree.setCurrentItem(twelve);
  ASSERT_EQ(selections.back(), twelve);
  const app::DeviceEntry* record = &twelve->Entry();
  tree.DeleteDevice(twelve);
  EXPECT_EQ(selections.back(), nullptr) << "the selection goes before the node";
  EXPECT_EQ(tree.NodeCount(), 1);
  EXPECT_EQ(tree.NodeOwning(*record), nullptr);
  EXPECT_EQ(tree.NodeOwning(one->Entry()), one);
}

TEST_F(MainFrameTest, ARealWarningIsModalWithItsCaptionIconAndOwner) {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* owner = nullptr;
  script_.OnModal([&](QDialog& dialog) {
    auto& box = dynamic_cast<QMessageBox&>(dialog);
    caption = box.windowTitle();
    text = box.text();
    icon = box.icon();
    owner = box.parentWidget();
    SaveScreenshot(box, "warning-box");
    box.accept();
  });
  app::ModalMessageBoxes boxes;
  boxes.Warn(&frame_->DeviceTree(), "Connect Device Failed !");
  EXPECT_EQ(caption, "Warning");
  EXPECT_EQ(text, "Connect Device Failed !");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(owner, &frame_->DeviceTree());
}

}  // namespace
}  // namespace kestrine::test
