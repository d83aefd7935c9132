// Saves pictures of the page in its main states under build/screenshots/page/ for people to look at.
// The assertions are about behaviour; the pictures are not compared.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include "PageFixture.h"
#include "config/PropertyItemTable.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "tests/support/Eventually.h"

namespace kestrine::app::test {
namespace {

namespace id = config::item_id;

// Taken in Qt's Windows style, the look the page's users know; the window is made after the style is set.
class PageScreenshots : public PageTest {
 protected:
  static void SetUpTestSuite() {
    previousStyle_ = QApplication::style()->name();
    QApplication::setStyle(QStringLiteral("Windows"));
  }
  static void TearDownTestSuite() { QApplication::setStyle(previousStyle_); }

  void SetUp() override {
    PageTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Directory()));
    ShowActive();
  }

  static QString Directory() { return QStringLiteral(KESTRINE_SCREENSHOT_DIR "/page"); }

  // The window, with an open drop-down list drawn where it lies on the screen.
  void Save(const QString& name, QWidget* popup = nullptr) {
    Page().LeftTree().RepaintNow();
    Page().RightTree().RepaintNow();
    QImage image = Window().grab().toImage();
    if (popup != nullptr && popup->isVisible()) {
      QPainter painter(&image);
      painter.drawPixmap(Window().mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
    }
    const QString path = Directory() + QStringLiteral("/%1.png").arg(name);
    ASSERT_TRUE(image.save(path)) << path.toStdString();
  }

  static inline QString previousStyle_;
};

TEST_F(PageScreenshots, BlankFilledAndWithTheDropDownOpen) {
  Save(QStringLiteral("page_blank"));

  Page().RefreshPage(&record_);
  Save(QStringLiteral("page_filled"));

  auto& channel = ItemOf<ui::CComboPropertyItem>(id::kAudioBitrate);
  ClickValue(channel);
  QComboBox* box = channel.GetEditor();
  box->showPopup();
  QWidget* popup = box->view()->window();
  ASSERT_TRUE(kestrine::test::Eventually([&] {
    QCoreApplication::processEvents();
    return popup->isVisible();
  }));
  Save(QStringLiteral("page_dropdown"), popup);
  box->hidePopup();
  EXPECT_TRUE(commands_.empty());
}

TEST_F(PageScreenshots, AfterARefusedEditAndWithChineseNames) {
  Page().RefreshPage(&record_);
  TypeInto(id::kCvbsHue, QStringLiteral("300"));
  ASSERT_EQ(warnings_, std::vector<std::string>{"Video Hue value should be between 0 and 255 !"});
  EXPECT_EQ(ItemOf<ui::CEditPropertyItem>(id::kCvbsHue).GetWindowText(), "100");
  Save(QStringLiteral("page_after_warning"));

  TypeInto(id::kProviderName, QStringLiteral("测试频道一二三"));
  EXPECT_EQ(warnings_.size(), 1u);
  Save(QStringLiteral("page_chinese_names"));
}

TEST_F(PageScreenshots, WhileTheGapIsDragged) {
  Page().RefreshPage(&record_);
  const int y = kPageHeight / 2;
  QTest::mousePress(Window().windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(390, y));
  QTest::mouseMove(Window().windowHandle(), QPoint(330, y));
  Save(QStringLiteral("page_divider_drag"));
  QTest::mouseRelease(Window().windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(330, y));
  EXPECT_EQ(Page().DividerPosition(), 330);
}

}  // namespace
}  // namespace kestrine::app::test
