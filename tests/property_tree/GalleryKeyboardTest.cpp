// The gallery driven as a person drives it: clicks on rows and keys typed into whatever has the focus.
#include <memory>
#include <vector>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
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
#include "property_tree/StaticPropertyItem.h"
#include "property_tree/gallery/GalleryWindow.h"

namespace kestrine::ui::test {
namespace {

class GalleryKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<GalleryWindow>();
    QObject::connect(window_->Tree(), &CPropertyTreeCtrl::ItemCommand, window_.get(),
                     [this](int id, CPropertyItem* item) { lines_.push_back(GalleryWindow::DescribeCommand(id, item)); });
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  [[nodiscard]] const GalleryItems& Items() const { return window_->Items(); }
  [[nodiscard]] CPropertyTreeCtrl& Tree() const { return *window_->Tree(); }
  [[nodiscard]] CIPAddressCtrl& AddressEditor() const { return *Items().address->GetEditor(); }
  [[nodiscard]] CAddressFieldEdit& Field(int index) const { return *AddressEditor().GetField(index); }

  [[nodiscard]] QPoint RowPoint(const CPropertyItem& item, int x) const {
    return QPoint(x, item.GetOrigin().y() - Tree().GetScrollOrigin() + item.GetRowHeight() / 2);
  }
  void ClickValue(const CPropertyItem& item) const {
    QTest::mouseClick(Tree().GetListWnd(), Qt::LeftButton, Qt::NoModifier, RowPoint(item, Tree().GetDividerPos() + 40));
  }
  void ClickLabel(const CPropertyItem& item) const {
    QTest::mouseClick(Tree().GetListWnd(), Qt::LeftButton, Qt::NoModifier, RowPoint(item, 60));
  }

  // Each key goes to the widget that has the focus at that moment.
  static void Type(const QString& keys) {
    for (const QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  }
  static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }

  std::unique_ptr<GalleryWindow> window_;
  std::vector<QString> lines_;
};

TEST_F(GalleryKeyboard, TypingAWholeAddressReplacesTheShownOneByMouseAndByKeyboard) {
  ClickValue(*Items().address);
  ASSERT_TRUE(Field(0).hasFocus());
  Type(QStringLiteral("10.0.0.1"));
  ClickLabel(*Items().gateway);
  ASSERT_EQ(lines_, std::vector<QString>{QStringLiteral("201 Address \"10.0.0.1\"")});

  ClickLabel(*Items().network);
  Press(Qt::Key_Down);
  ASSERT_EQ(Tree().GetCurrentItem(), Items().address);
  Press(Qt::Key_Return);
  ASSERT_TRUE(Field(0).hasFocus());
  Type(QStringLiteral("10.1.2.3"));
  Press(Qt::Key_Return);
  EXPECT_EQ(lines_.back(), QStringLiteral("201 Address \"10.1.2.3\""));
}

TEST_F(GalleryKeyboard, ADotRightAfterAFullFieldMovedOnSkipsNoField) {
  Items().address->SetAddress(0xE0010101u);  // 224.1.1.1
  ClickValue(*Items().address);
  Type(QStringLiteral("239.101.2.3"));
  EXPECT_EQ(AddressEditor().FieldTexts(), QStringList({"239", "101", "2", "3"}));

  AddressEditor().SetAddress(0xE0010101u);
  AddressEditor().SetFieldFocus(0);
  Type(QStringLiteral("10.1.2.3"));
  EXPECT_EQ(AddressEditor().FieldTexts(), QStringList({"10", "1", "2", "3"}));

  AddressEditor().SetFieldFocus(0);
  Type(QStringLiteral("239.."));  // a second dot is a move of its own
  EXPECT_TRUE(Field(2).hasFocus());
}

TEST_F(GalleryKeyboard, DeleteAfterADotDeletesTheSelectedFieldItMovedTo) {
  ClickValue(*Items().address);  // 192.168.1.10
  Type(QStringLiteral("."));
  ASSERT_TRUE(Field(1).hasFocus());
  Press(Qt::Key_Delete);
  EXPECT_EQ(Field(1).text(), QString());
  EXPECT_TRUE(Field(2).hasFocus());
}

TEST_F(GalleryKeyboard, ANumberAbove255BecomesASelected255WithANoticeThatTheNextKeyClears) {
  ClickValue(*Items().address);
  Type(QStringLiteral("300"));
  EXPECT_TRUE(Field(0).hasFocus());
  EXPECT_EQ(Field(0).selectedText(), QStringLiteral("255"));
  const QLabel* notice = AddressEditor().GetNotice();
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->text(), QStringLiteral("300 is not a valid entry. Specify a value between 0 and 255."));
  EXPECT_TRUE(Field(0).hasFocus());  // no modal box took the focus
  Type(QStringLiteral("1"));
  EXPECT_FALSE(notice->isVisible());
  EXPECT_EQ(Field(0).text(), QStringLiteral("1"));

  AddressEditor().SetNoticeTimeout(1);  // it also goes by itself
  Type(QStringLiteral("00"));  // "100" is fine; the next field takes 300
  Type(QStringLiteral("300"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !notice->isVisible(); }, 20000));
}

TEST_F(GalleryKeyboard, AnOpenListWithMoreEntriesThanItShowsHasAScrollBar) {
  CComboPropertyItem& level = *Items().level;  // nine entries
  ClickValue(level);
  ASSERT_TRUE(level.GetEditor()->hasFocus());
  Press(Qt::Key_F4);
  QAbstractItemView* view = level.GetEditor()->view();
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 20000));
  EXPECT_LT(level.GetEditor()->maxVisibleItems(), level.GetCount());
  EXPECT_TRUE(view->verticalScrollBar()->isVisible());
  level.GetEditor()->hidePopup();
}

TEST_F(GalleryKeyboard, AnAmpersandInAValueIsDrawnAsItIs) {
  CStaticPropertyItem& serial = *Items().serial;
  serial.SetValueText(QStringLiteral("gallery & demo && more"));
  Tree().RepaintNow();
  const QRect valueRect = serial.GetValueRect();
  const QImage shown = Tree().GetListWnd()->grab(valueRect).toImage().convertToFormat(QImage::Format_RGB32);
  // The same text as plain text drawing puts it, with no "&" taken for a mnemonic.
  QImage literal(shown.size(), QImage::Format_RGB32);
  literal.fill(serial.GetValueBackColor());
  QPainter painter(&literal);
  painter.setFont(CPropertyTreeCtrl::GetNormalFont());
  painter.setPen(serial.GetValueTextColor());
  painter.drawText(QRect(QPoint(0, 0), valueRect.size()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   serial.GetValueText());
  painter.end();
  const QRect text(0, 0, valueRect.width() / 2, valueRect.height());  // clear of the frame at the right
  EXPECT_EQ(shown.copy(text), literal.copy(text));
}

TEST_F(GalleryKeyboard, EnterCommitsEveryEditorAndOpensTheCurrentRowAgain) {
  ClickValue(*Items().address);
  Type(QStringLiteral("10.0.0.9"));
  Press(Qt::Key_Return);
  EXPECT_EQ(lines_, std::vector<QString>{QStringLiteral("201 Address \"10.0.0.9\"")});
  EXPECT_FALSE(AddressEditor().isVisible());
  Press(Qt::Key_Return);
  EXPECT_TRUE(Field(0).hasFocus());
  Press(Qt::Key_Return);
  EXPECT_EQ(lines_.size(), 2u);

  ClickValue(*Items().mode);
  Press(Qt::Key_Down);  // each change is reported as it is made
  Press(Qt::Key_Return);
  EXPECT_FALSE(Items().mode->GetEditor()->isVisible());
  EXPECT_EQ(lines_.back(), QStringLiteral("105 Mode \"manual\""));
  EXPECT_TRUE(Tree().GetListWnd()->hasFocus());
}

TEST_F(GalleryKeyboard, EscapeBringsBackTheShownValueAndCommitsNothing) {
  ClickValue(*Items().address);
  Type(QStringLiteral("10.0"));
  Press(Qt::Key_Escape);
  EXPECT_FALSE(AddressEditor().isVisible());
  EXPECT_EQ(Items().address->GetDisplayText(), QStringLiteral("192.168.1.10"));

  ClickValue(*Items().name);
  Type(QStringLiteral("xyz"));
  Press(Qt::Key_Escape);
  EXPECT_EQ(Items().name->GetWindowText(), QStringLiteral("Studio B uplink"));
  EXPECT_TRUE(lines_.empty());
  ClickLabel(*Items().count);  // the cancelled edit stays cancelled
  EXPECT_TRUE(lines_.empty());

  ClickValue(*Items().mode);
  Press(Qt::Key_Down);
  Press(Qt::Key_Escape);  // the host had the change, so it hears of the old entry again
  EXPECT_EQ(Items().mode->GetWindowText(), QStringLiteral("automatic"));
  EXPECT_EQ(lines_, (std::vector<QString>{QStringLiteral("105 Mode \"manual\""), QStringLiteral("105 Mode \"automatic\"")}));
}

TEST_F(GalleryKeyboard, TabWalksTheAddressFieldsThenCommitsAndMovesBetweenRows) {
  ClickValue(*Items().address);
  Type(QStringLiteral("10"));
  Press(Qt::Key_Tab);
  EXPECT_TRUE(Field(1).hasFocus());
  Press(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_TRUE(Field(0).hasFocus());
  Press(Qt::Key_Tab);
  Press(Qt::Key_Tab);
  Press(Qt::Key_Tab);
  EXPECT_TRUE(Field(3).hasFocus());
  EXPECT_TRUE(lines_.empty());
  Press(Qt::Key_Tab);  // past the fourth field: commit, and the next editable row opens (Mask is read-only)
  EXPECT_EQ(lines_, std::vector<QString>{QStringLiteral("201 Address \"10.168.1.10\"")});
  EXPECT_EQ(Tree().GetCurrentItem(), Items().mask);

  ClickValue(*Items().port);
  Type(QStringLiteral("1"));
  Press(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(lines_.back(), QStringLiteral("204 Port \"15004\""));
  EXPECT_EQ(Tree().GetCurrentItem(), Items().gateway);
  EXPECT_TRUE(Items().gateway->GetEditor()->GetField(0)->hasFocus());
}

}  // namespace
}  // namespace kestrine::ui::test
