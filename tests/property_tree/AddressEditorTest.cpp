// The four-field address editor on its own, as the address dialogs use it.
#include <memory>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "property_tree/AddressFieldEdit.h"
#include "property_tree/IPAddressCtrl.h"

namespace kestrine::ui::test {
namespace {

class AddressEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    editor_ = new CIPAddressCtrl(window_.get());
    other_ = new QLineEdit(window_.get());
    layout->addWidget(editor_);
    layout->addWidget(other_);
    editor_->setFixedSize(139, 19);
  }

  void ShowActive() {
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  // Types each key into whichever widget has the focus at that moment, as a person would.
  static void Type(const QString& keys) {
    for (const QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  }
  static void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

  [[nodiscard]] CAddressFieldEdit* Field(int index) const { return editor_->GetField(index); }

  std::unique_ptr<QWidget> window_;
  CIPAddressCtrl* editor_ = nullptr;
  QLineEdit* other_ = nullptr;
};

TEST_F(AddressEditor, AddressGoesInAndOutInHostOrderAndBlankFieldsReadZero) {
  EXPECT_TRUE(editor_->IsBlank());
  EXPECT_EQ(editor_->GetAddress(), 0u);
  editor_->SetAddress(0xC0A8010Au);
  EXPECT_FALSE(editor_->IsBlank());
  EXPECT_EQ(editor_->GetAddress(), 0xC0A8010Au);
  EXPECT_EQ(Field(0)->text(), QStringLiteral("192"));
  EXPECT_EQ(Field(3)->text(), QStringLiteral("10"));

  Field(1)->clear();
  Field(2)->clear();
  EXPECT_EQ(editor_->GetAddress(), 0xC000000Au);
  editor_->ClearAddress();
  EXPECT_TRUE(editor_->IsBlank());
  editor_->SetAddress(0);
  EXPECT_FALSE(editor_->IsBlank());  // 0.0.0.0 is an address, not a blank control
}

TEST_F(AddressEditor, FieldsSplitTheWidthAsTheRowLayoutDoes) {
  EXPECT_EQ(CIPAddressCtrl::FieldWidthFor(205), 45);
  EXPECT_EQ(CIPAddressCtrl::FieldWidthFor(26), 0);
  editor_->SetFramed(false);
  editor_->setFixedSize(205, 20);
  editor_->LayoutFields();
  EXPECT_EQ(Field(1)->geometry(), QRect(55, 0, 45, 20));
  EXPECT_EQ(Field(3)->geometry(), QRect(155, 0, 45, 20));
  editor_->setFixedSize(10, 20);  // too narrow for anything: nothing breaks
  editor_->LayoutFields();
  EXPECT_EQ(Field(0)->width(), 0);
}

TEST_F(AddressEditor, TypingFlowsFromFieldToFieldAndStopsInTheLast) {
  ShowActive();
  editor_->setFocus();
  ASSERT_TRUE(Field(0)->hasFocus());
  Type(QStringLiteral("192168"));  // a full field hands the focus on
  EXPECT_TRUE(Field(2)->hasFocus());
  Type(QStringLiteral("1.10"));
  EXPECT_EQ(editor_->GetAddress(), 0xC0A8010Au);
  Type(QStringLiteral("0"));
  Type(QStringLiteral("7"));  // the last field is full: the digit goes nowhere
  EXPECT_TRUE(Field(3)->hasFocus());
  EXPECT_EQ(Field(3)->text(), QStringLiteral("100"));
}

TEST_F(AddressEditor, AFourthDigitInAFullFieldOnlyMovesTheFocusOn) {
  editor_->SetAddress(0x0A000001u);
  Field(1)->setText(QStringLiteral("255"));
  ShowActive();
  Field(1)->setFocus();
  Field(1)->deselect();
  Field(1)->setCursorPosition(3);
  Type(QStringLiteral("4"));
  EXPECT_TRUE(Field(2)->hasFocus());
  EXPECT_EQ(Field(1)->text(), QStringLiteral("255"));
  EXPECT_EQ(Field(2)->text(), QStringLiteral("0"));  // not typed into a second field
  EXPECT_EQ(Field(2)->selectedText(), QStringLiteral("0"));
  Type(QStringLiteral("7"));
  EXPECT_EQ(editor_->GetAddress(), 0x0AFF0701u);
}

TEST_F(AddressEditor, DeleteMovesTheFocusOnAndStillDeletesWhereItWasPressed) {
  editor_->SetAddress(0x0A141E28u);  // 10.20.30.40
  ShowActive();
  Field(1)->setFocus();
  Field(1)->deselect();
  Field(1)->setCursorPosition(0);
  Press(Qt::Key_Delete);
  EXPECT_TRUE(Field(2)->hasFocus());
  EXPECT_EQ(Field(1)->text(), QStringLiteral("0"));
  EXPECT_EQ(Field(2)->text(), QStringLiteral("30"));
}

TEST_F(AddressEditor, FieldsTakeOnlyDigitsUpTo255AndArrowsCrossTheirEdges) {
  ShowActive();
  editor_->setFocus();
  Type(QStringLiteral("a-9 9"));
  EXPECT_EQ(Field(0)->text(), QStringLiteral("99"));
  Type(QStringLiteral("9"));
  EXPECT_EQ(Field(0)->text(), QStringLiteral("255"));
  Type(QStringLiteral("."));
  EXPECT_TRUE(Field(1)->hasFocus());
  Type(QStringLiteral("."));  // an empty field does not move on a dot
  EXPECT_TRUE(Field(1)->hasFocus());
  Press(Qt::Key_Left);
  EXPECT_TRUE(Field(0)->hasFocus());
  EXPECT_EQ(Field(0)->cursorPosition(), 3);
  Press(Qt::Key_Right);
  EXPECT_TRUE(Field(1)->hasFocus());
  Press(Qt::Key_Backspace);
  EXPECT_TRUE(Field(0)->hasFocus());
}

TEST_F(AddressEditor, ReportsFocusLeavingTheFieldsButNotMovingBetweenThem) {
  ShowActive();
  QSignalSpy left(editor_, &CIPAddressCtrl::FocusLeft);
  editor_->setFocus();
  QTest::mouseClick(Field(2), Qt::LeftButton);
  QTest::mouseClick(Field(3), Qt::LeftButton);
  EXPECT_EQ(left.count(), 0);
  other_->setFocus();
  ASSERT_EQ(left.count(), 1);
  EXPECT_EQ(left.at(0).at(0).value<QWidget*>(), other_);
}

}  // namespace
}  // namespace kestrine::ui::test
