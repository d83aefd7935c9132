// Drives the gallery through its states and saves a picture of each under the build folder for people
// to look at. The assertions are about behaviour; the pictures are not compared.
#include <memory>

#include <QAbstractItemView>
#include <QApplication>
#include <QStyle>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "property_tree/AddressFieldEdit.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressCtrl.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/gallery/GalleryWindow.h"
#include "tests/support/Eventually.h"

namespace kestrine::ui::test {
namespace {

// The pictures are taken in Qt's Windows style, the look the control's users know; the window is made
// after the style is set so that every widget takes it.
class GalleryScreenshots : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    previousStyle_ = QApplication::style()->name();
    QApplication::setStyle(QStringLiteral("Windows"));
  }
  static void TearDownTestSuite() { QApplication::setStyle(previousStyle_); }

  void SetUp() override {
    window_ = std::make_unique<GalleryWindow>();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(KESTRINE_SCREENSHOT_DIR)));
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  // The window with any open drop-down list drawn where it lies on the screen.
  void Save(const QString& name, QWidget* popup = nullptr) {
    QImage image = window_->grab().toImage();
    if (popup && popup->isVisible()) {
      const QPoint at = window_->mapFromGlobal(popup->mapToGlobal(QPoint(0, 0)));
      const QRect bounds = image.rect().united(QRect(at, popup->size()));
      QImage canvas(bounds.size(), QImage::Format_ARGB32_Premultiplied);
      canvas.fill(Qt::darkGray);
      QPainter painter(&canvas);
      painter.drawImage(-bounds.topLeft(), image);
      painter.drawPixmap(at - bounds.topLeft(), popup->grab());
      painter.end();
      image = canvas;
    }
    const QString path = QStringLiteral(KESTRINE_SCREENSHOT_DIR "/%1.png").arg(name);
    ASSERT_TRUE(image.save(path)) << path.toStdString();
  }

  QPoint ValuePoint(const CPropertyItem& item) const {
    const CPropertyTreeCtrl& tree = *window_->Tree();
    return QPoint(tree.GetDividerPos() + 40,
                  item.GetOrigin().y() - tree.GetScrollOrigin() + item.GetRowHeight() / 2);
  }

  void ClickValue(const CPropertyItem& item) {
    QTest::mouseClick(window_->Tree()->GetListWnd(), Qt::LeftButton, Qt::NoModifier, ValuePoint(item));
  }

  static inline QString previousStyle_;
  std::unique_ptr<GalleryWindow> window_;
};

TEST_F(GalleryScreenshots, NormalEditingDisabledAndScrolledStates) {
  const GalleryItems& items = window_->Items();
  CPropertyTreeCtrl& tree = *window_->Tree();
  tree.SetCurrentItem(items.name);
  items.name->SetHighlighted(true);
  tree.RepaintNow();
  Save(QStringLiteral("gallery_normal"));

  ClickValue(*items.name);
  ASSERT_TRUE(items.name->GetLineEdit()->hasFocus());
  QTest::keyClicks(items.name->GetLineEdit(), QStringLiteral(" 2"));
  Save(QStringLiteral("gallery_editing_text"));
  QTest::keyClick(items.name->GetLineEdit(), Qt::Key_Return);
  EXPECT_EQ(window_->CommandLog()->count(), 1);

  ClickValue(*items.count);
  ASSERT_TRUE(items.count->GetLineEdit()->hasFocus());
  QTest::keyClick(items.count->GetLineEdit(), Qt::Key_End);
  QTest::keyClicks(items.count->GetLineEdit(), QStringLiteral("-7x"));
  EXPECT_EQ(items.count->GetWindowText(), QStringLiteral("427"));
  Save(QStringLiteral("gallery_editing_number"));

  ClickValue(*items.secret);
  ASSERT_TRUE(items.secret->GetLineEdit()->hasFocus());
  Save(QStringLiteral("gallery_editing_password"));

  ClickValue(*items.notes);
  ASSERT_TRUE(items.notes->GetTextEdit()->hasFocus());
  Save(QStringLiteral("gallery_editing_multiline"));

  ClickValue(*items.level);
  QComboBox* level = items.level->GetEditor();
  ASSERT_TRUE(level->hasFocus());
  Save(QStringLiteral("gallery_editing_combo"));
  level->showPopup();
  QWidget* popup = level->view()->window();


  ASSERT_TRUE(kestrine::test::Eventually([&] {
    QCoreApplication::processEvents();
    return popup->isVisible();
  }));
  Save(QStringLiteral("gallery_editing_combo_open"), popup);
  level->hidePopup();

  ClickValue(*items.address);
  CIPAddressCtrl* address = items.address->GetEditor();
  ASSERT_TRUE(address->isVisible());
  QTest::mouseClick(address->GetField(3), Qt::LeftButton);
  QTest::keyClick(address->GetField(3), Qt::Key_End);
  QTest::keyClick(address->GetField(3), Qt::Key_Backspace);
  QTest::keyClick(address->GetField(3), Qt::Key_Backspace);
  QTest::keyClicks(address->GetField(3), QStringLiteral("20"));
  Save(QStringLiteral("gallery_editing_address"));
  QTest::mouseClick(tree.GetListWnd(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 10));
  EXPECT_FALSE(address->isVisible());
  EXPECT_EQ(items.address->GetDisplayText(), QStringLiteral("192.168.1.20"));

  window_->EnabledBox()->setChecked(false);
  Save(QStringLiteral("gallery_disabled"));
  window_->EnabledBox()->setChecked(true);

  tree.GetListWnd()->OnVScroll(CPropertyListWnd::ScrollCode::ThumbTrack, 10000);
  EXPECT_GT(tree.GetScrollOrigin(), 0);
  Save(QStringLiteral("gallery_scrolled"));
}

TEST_F(GalleryScreenshots, DescriptionPaneAndDividerDrag) {
  const GalleryItems& items = window_->Items();
  CPropertyTreeCtrl& tree = *window_->Tree();
  window_->DescriptionBox()->setChecked(true);
  tree.SetCurrentItem(items.notes);
  items.notes->SetHighlighted(true);
  tree.RepaintNow();
  Save(QStringLiteral("gallery_description_pane"));

  CPropertyListWnd* list = tree.GetListWnd();
  const QPoint divider(tree.GetDividerPos(), ValuePoint(*items.name).y());
  QTest::mousePress(list, Qt::LeftButton, Qt::NoModifier, divider);
  QTest::mouseMove(list, divider + QPoint(60, 0));
  ASSERT_TRUE(list->IsDragging());
  Save(QStringLiteral("gallery_dragging_divider"));
  QTest::mouseRelease(list, Qt::LeftButton, Qt::NoModifier, divider + QPoint(60, 0));
  EXPECT_EQ(tree.GetDividerPos(), divider.x() + 60);
}

}  // namespace
}  // namespace kestrine::ui::test
