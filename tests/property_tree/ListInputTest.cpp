// Mouse, wheel and keyboard input on the list window, driven through the real widgets.
#include <algorithm>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "PropertyTreeFixture.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/StaticPropertyItem.h"

namespace kestrine::ui::test {
namespace {

class ListInput : public PropertyTreeTest {
 protected:
  // System: name (edit), locked (read-only edit), group (plain row with two children, collapsed);
  // Other: note (edit).
  void SetUp() override {
    PropertyTreeTest::SetUp();
    system_ = AddCategory(QStringLiteral("System"));
    name_ = AddRow(system_, std::make_unique<CEditPropertyItem>(10001), QStringLiteral("Name"));
    name_->CreateEditor();
    locked_ = AddRow(system_, std::make_unique<CEditPropertyItem>(10002), QStringLiteral("Locked"));
    locked_->CreateEditor();
    locked_->SetReadOnly(true);
    group_ = AddPlainRow(system_, QStringLiteral("Group"));
    inner1_ = AddPlainRow(group_, QStringLiteral("Inner 1"));
    inner2_ = AddPlainRow(group_, QStringLiteral("Inner 2"));
    other_ = AddCategory(QStringLiteral("Other"));
    note_ = AddRow(other_, std::make_unique<CEditPropertyItem>(10003), QStringLiteral("Note"));
    note_->CreateEditor();
    ShowActive();
  }

  [[nodiscard]] CPropertyItem* Current() { return Tree().GetCurrentItem(); }

  CPropertyItem* system_ = nullptr;
  CEditPropertyItem* name_ = nullptr;
  CEditPropertyItem* locked_ = nullptr;
  CPropertyItem* group_ = nullptr;
  CPropertyItem* inner1_ = nullptr;
  CPropertyItem* inner2_ = nullptr;
  CPropertyItem* other_ = nullptr;
  CEditPropertyItem* note_ = nullptr;
};

TEST_F(ListInput, ArrowsWithoutACurrentRowStartAtTheEnds) {
  List().setFocus();
  Key(Qt::Key_Up);
  EXPECT_EQ(Current(), note_);
  Tree().SetCurrentItem(nullptr);
  Key(Qt::Key_Down);
  EXPECT_EQ(Current(), system_);
  Key(Qt::Key_End);
  EXPECT_EQ(Current(), note_);
  Key(Qt::Key_Home);
  EXPECT_EQ(Current(), system_);
  EXPECT_TRUE(system_->IsHighlighted());
  EXPECT_FALSE(note_->IsHighlighted());
}

TEST_F(ListInput, LeftCollapsesAnExpandedRowAndOtherwiseMovesUpRightMirrorsIt) {
  List().setFocus();
  Tree().SetCurrentItem(group_);
  Key(Qt::Key_Right);  // collapsed with children: expands
  EXPECT_TRUE(group_->IsExpanded());
  EXPECT_EQ(Current(), group_);
  Key(Qt::Key_Right);  // expanded: moves down
  EXPECT_EQ(Current(), inner1_);
  Key(Qt::Key_Right);  // no children: moves down
  EXPECT_EQ(Current(), inner2_);
  Key(Qt::Key_Left);  // no children: moves up
  EXPECT_EQ(Current(), inner1_);
  Key(Qt::Key_Left);
  EXPECT_EQ(Current(), group_);
  Key(Qt::Key_Left);  // expanded: collapses
  EXPECT_FALSE(group_->IsExpanded());
  EXPECT_EQ(Current(), group_);
  Key(Qt::Key_Left);  // collapsed: moves up
  EXPECT_EQ(Current(), locked_);
}

TEST_F(ListInput, TabMovesBetweenPropertyRowsAndOpensEditableOnesButNotOnCategories) {
  List().setFocus();
  Tree().SetCurrentItem(system_);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Current(), system_);  // a category row does not move
  EXPECT_TRUE(List().hasFocus());

  Tree().SetCurrentItem(locked_);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Current(), name_);
  EXPECT_TRUE(name_->GetEditor()->isVisible());
  EXPECT_TRUE(name_->GetEditor()->hasFocus());
  Key(Qt::Key_Tab);  // the open editor commits and moves on as Tab does in the list
  EXPECT_EQ(commands_.size(), 1u);
  EXPECT_EQ(Current(), locked_);
  EXPECT_FALSE(locked_->GetEditor()->isVisible());  // read-only: no editor
  EXPECT_TRUE(List().hasFocus());
}

TEST_F(ListInput, EnterOpensTheCurrentRowsEditorOnlyWhenItIsEditable) {
  List().setFocus();
  Tree().SetCurrentItem(locked_);
  Key(Qt::Key_Return);
  EXPECT_FALSE(locked_->GetEditor()->isVisible());
  Tree().SetCurrentItem(name_);
  Key(Qt::Key_Return);
  EXPECT_TRUE(name_->GetEditor()->hasFocus());
}

TEST_F(ListInput, ClickingValuesOpensEditorsExceptOnReadOnlyRowsAndCategories) {
  Click(ValuePoint(*locked_));
  EXPECT_EQ(Current(), locked_);
  EXPECT_FALSE(locked_->GetEditor()->isVisible());
  EXPECT_TRUE(List().hasFocus());

  Click(ValuePoint(*system_));
  EXPECT_EQ(Current(), system_);
  EXPECT_TRUE(List().hasFocus());

  Click(LabelPoint(*name_));
  EXPECT_EQ(Current(), name_);
  EXPECT_FALSE(name_->GetEditor()->isVisible());
  Click(ValuePoint(*name_));
  EXPECT_TRUE(name_->GetEditor()->hasFocus());
  EXPECT_EQ(name_->GetEditor()->geometry(), name_->GetValueRect());

  Click(QPoint(100, 280));  // below every row
  EXPECT_EQ(Current(), nullptr);
  EXPECT_FALSE(name_->GetEditor()->isVisible());
  EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(ListInput, ExpandersToggleWithoutMovingTheCurrentRowAndCollapseDropsAHiddenOne) {
  Click(LabelPoint(*name_));
  Click(RowPoint(*group_, 6));
  EXPECT_TRUE(group_->IsExpanded());
  EXPECT_EQ(Current(), name_);

  Click(LabelPoint(*inner2_));
  ASSERT_EQ(Current(), inner2_);
  Click(RowPoint(*system_, 6));  // collapsing the category hides the current row
  EXPECT_FALSE(system_->IsExpanded());
  EXPECT_EQ(Current(), nullptr);
  EXPECT_FALSE(inner2_->IsHighlighted());

  Click(RowPoint(*system_, 6));
  Click(LabelPoint(*system_));
  Click(RowPoint(*system_, 6));  // collapsing the current category itself keeps it
  EXPECT_EQ(Current(), system_);
}

TEST_F(ListInput, DoubleClickOnALabelTogglesTheRowAndOnTheDividerFitsTheWidestLabel) {
  DoubleClick(LabelPoint(*group_));
  EXPECT_TRUE(group_->IsExpanded());
  EXPECT_EQ(Current(), group_);
  DoubleClick(LabelPoint(*group_));
  EXPECT_FALSE(group_->IsExpanded());

  Tree().SetDividerPos(300);
  Tree().RepaintNow();
  const QRect widest = Tree().GetWidestLabelRect();
  DoubleClick(RowPoint(*name_, 300));
  EXPECT_EQ(Tree().GetDividerPos(), widest.left() + widest.width() + 5);
  EXPECT_FALSE(List().IsDragging());
}

TEST_F(ListInput, DividerDragMovesOnlyTheTrackerUntilReleaseThenClamps) {
  const int y = RowPoint(*name_, 0).y();
  QTest::mousePress(&List(), Qt::LeftButton, Qt::NoModifier, QPoint(150, y));
  ASSERT_TRUE(List().IsDragging());
  QTest::mouseMove(&List(), QPoint(10, y));
  EXPECT_EQ(List().GetDragX(), 10);
  EXPECT_EQ(Tree().GetDividerPos(), 150);
  QTest::mouseRelease(&List(), Qt::LeftButton, Qt::NoModifier, QPoint(10, y));
  EXPECT_FALSE(List().IsDragging());
  EXPECT_EQ(Tree().GetDividerPos(), 41);

  QTest::mousePress(&List(), Qt::LeftButton, Qt::NoModifier, QPoint(41, y));
  QTest::mouseRelease(&List(), Qt::LeftButton, Qt::NoModifier, QPoint(1000, y));
  EXPECT_EQ(Tree().GetDividerPos(), List().ClientRect().width() - 25);
}

TEST_F(ListInput, WheelScrollsOneLineOnlyWhenTheRowsDoNotFit) {
  Wheel(-120);
  EXPECT_EQ(Tree().GetScrollOrigin(), 0);
  for (int i = 0; i < 20; ++i) AddPlainRow(other_, QStringLiteral("extra %1").arg(i));
  Wheel(-120);
  EXPECT_EQ(Tree().GetScrollOrigin(), 21);
  Wheel(-15);  // however small the turn
  EXPECT_EQ(Tree().GetScrollOrigin(), 42);
  Wheel(120);
  EXPECT_EQ(Tree().GetScrollOrigin(), 21);
  EXPECT_TRUE(List().hasFocus());
}

TEST_F(ListInput, ClickingAValueNearTheBottomScrollsFirstAndOpensTheEditorOnTheRow) {
  for (int i = 0; i < 20; ++i) AddPlainRow(other_, QStringLiteral("extra %1").arg(i));
  auto* low = AddRow(other_, std::make_unique<CEditPropertyItem>(10004), QStringLiteral("Low"));
  low->CreateEditor();
  for (int i = 0; i < 10; ++i) AddPlainRow(other_, QStringLiteral("more %1").arg(i));
  // The row lies wholly in the window's last row height, where making it current scrolls.
  List().OnVScroll(CPropertyListWnd::ScrollCode::ThumbTrack, low->GetOrigin().y() - (kHeight - 21));
  ASSERT_EQ(low->GetValueRect().top(), kHeight - 21);
  Click(ValuePoint(*low));
  EXPECT_EQ(Current(), low);
  EXPECT_LT(low->GetValueRect().top(), kHeight - 21);
  EXPECT_TRUE(low->GetEditor()->hasFocus());
  EXPECT_EQ(low->GetEditor()->geometry(), low->GetValueRect());
  EXPECT_TRUE(commands_.empty());
}

TEST_F(ListInput, ADisabledControlIgnoresClicksAndKeys) {
  Click(LabelPoint(*name_));
  Tree().setEnabled(false);
  Click(LabelPoint(*note_));
  EXPECT_EQ(Current(), name_);
  Tree().setEnabled(true);
  List().setFocus();
  Tree().setEnabled(false);
  QTest::keyClick(&List(), Qt::Key_Down);
  EXPECT_EQ(Current(), name_);
}

TEST_F(ListInput, ATargetCanVetoTogglesDividerDragsAndEditing) {
  Tree().SetOptions(Tree().GetOptions() | PROPS_NOTIFY);
  std::vector<int> codes;
  Tree().SetNotifyTarget([&codes](const PropertyNotify& notify) {
    codes.push_back(notify.code);
    const bool veto = notify.code == PROPN_EXPAND_TOGGLING || notify.code == PROPN_DIVIDER_PRESSED ||
                      notify.code == PROPN_VALUE_CLICKED;
    return veto ? 1L : 0L;
  });
  Click(RowPoint(*group_, 6));
  EXPECT_FALSE(group_->IsExpanded());
  Click(ValuePoint(*name_));
  EXPECT_EQ(Current(), name_);
  EXPECT_FALSE(name_->GetEditor()->isVisible());
  QTest::mousePress(&List(), Qt::LeftButton, Qt::NoModifier, RowPoint(*name_, Tree().GetDividerPos()));
  EXPECT_FALSE(List().IsDragging());
  QTest::mouseRelease(&List(), Qt::LeftButton, Qt::NoModifier, RowPoint(*name_, Tree().GetDividerPos()));
  Tree().SetCurrentItem(group_);
  Key(Qt::Key_Right);  // the toggle is refused, so Right moves down instead
  EXPECT_FALSE(group_->IsExpanded());
  EXPECT_EQ(Current(), other_);
  EXPECT_NE(std::find(codes.begin(), codes.end(), PROPN_CURRENT_CHANGED), codes.end());
}

TEST_F(ListInput, StaticRowsBecomeCurrentAndNothingElse) {
  auto* version = AddRow(system_, std::make_unique<CStaticPropertyItem>(), QStringLiteral("version"));
  version->SetValueText(QStringLiteral("1.0"));
  Click(ValuePoint(*version));
  EXPECT_EQ(Current(), version);
  EXPECT_TRUE(List().hasFocus());
  Key(Qt::Key_Return);
  EXPECT_TRUE(commands_.empty());
  EXPECT_EQ(version->GetCommandId(), 0);
}

}  // namespace
}  // namespace kestrine::ui::test
