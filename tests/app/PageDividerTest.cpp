// The gap between the two lists: dragged with the mouse, followed by the lists on release.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "PageFixture.h"
#include "property_tree/PropertyTreeCtrl.h"

namespace kestrine::app::test {
namespace {

TEST_F(PageTest, DraggingTheGapMovesTheListsAndKeepsTheirLabelColumnsUntilTheNextResize) {
  ShowActive();
  Page().LeftTree().SetDividerPos(150);  // as if the operator had dragged the list's own divider
  const int y = kPageHeight / 2;
  QWidget* gap = Page().childAt(390, y);
  ASSERT_NE(gap, nullptr);
  EXPECT_NE(gap, &Page().LeftTree());
  EXPECT_NE(gap, &Page().RightTree());
  EXPECT_EQ(gap->cursor().hotSpot(), QPoint(12, 14));
  EXPECT_FALSE(gap->cursor().pixmap().isNull());

  QTest::mousePress(Window().windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(390, y));
  QTest::mouseMove(Window().windowHandle(), QPoint(350, y));
  QTest::mouseMove(Window().windowHandle(), QPoint(300, y));
  EXPECT_EQ(Page().LeftTree().geometry().width(), 389);  // the lists wait for the release
  QTest::mouseRelease(Window().windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(300, y));

  EXPECT_EQ(Page().DividerPosition(), 300);
  EXPECT_EQ(Page().LeftTree().geometry(), QRect(0, 0, 299, kPageHeight));
  EXPECT_EQ(Page().RightTree().geometry(), QRect(301, 0, kPageWidth - 302, kPageHeight));
  EXPECT_EQ(Page().LeftTree().GetDividerPos(), 150);
  EXPECT_EQ(Page().RightTree().GetDividerPos(), 200);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Dragged past the edge, the divider is not held back: the left list is left with no width.
  QTest::mousePress(Window().windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(300, y));
  QTest::mouseMove(Window().windowHandle(), QPoint(-40, y));
  QTest::mouseRelease(Window().windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(-40, y));
  EXPECT_EQ(Page().DividerPosition(), -40);
  EXPECT_EQ(Page().LeftTree().width(), 0);
  EXPECT_EQ(Page().RightTree().x(), -39);

  Window().resize(kPageWidth, kPageHeight + 10);
  Page().resize(kPageWidth, kPageHeight + 10);
  EXPECT_EQ(Page().LeftTree().GetDividerPos(), 200);
  EXPECT_EQ(Page().RightTree().GetDividerPos(), 200);
}

}  // namespace
}  // namespace kestrine::app::test
