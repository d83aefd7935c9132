#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/HalftoneTracker.h"
#include "app/PaneSplitter.h"
#include "app/SplitterLayout.h"

namespace kestrine::app {
namespace {

TEST(SplitterLayoutTest, SharesOfAThousandPixelsAndDragsStopAtTheMinimum) {
  SplitterLayout layout(2, 30, 1);
  layout.SetShares({25, 75}, 1000);
  EXPECT_EQ(layout.Available(1000), 999);
  EXPECT_EQ(layout.Weight(0), 8192);
  EXPECT_EQ(layout.Weight(1), 24576);
  EXPECT_EQ(layout.PaneLength(0), 250);
  EXPECT_EQ(layout.PaneStart(1), 251);
  EXPECT_EQ(layout.PaneLength(1), 749);

  const int bar = layout.BarAt(250);
  EXPECT_EQ(bar, 1);
  EXPECT_EQ(layout.ClampBar(bar, -400), 31);
  EXPECT_EQ(layout.ClampBar(bar, 5000), 1001 - 1 - 30);
  layout.DropBar(bar, layout.ClampBar(bar, -400), 1000);
  EXPECT_EQ(layout.PaneLength(0), 30);
  EXPECT_EQ(layout.PaneStart(1), 31);
}

TEST(SplitterLayoutTest, ShrinkingPinsAPaneAtTheMinimumAndTheOtherTakesTheRest) {
  SplitterLayout layout(2, 30, 1);
  layout.SetShares({25, 75}, 100);
  EXPECT_EQ(layout.PaneLength(0), 30);
  EXPECT_EQ(layout.PaneLength(1), 100 - 1 - 30);
  // Too small for both minimums: every pane still gets its share of what there is, nothing overlaps.
  layout.Layout(20);
  EXPECT_GE(layout.PaneStart(1), layout.PaneStart(0));
  EXPECT_EQ(layout.Weight(0) + layout.Weight(1), SplitterLayout::kWhole);
}

TEST(PaneSplitterTest, DraggingTheBarShowsAHalftoneTrackerAndMovesThePanesOnRelease) {
  CPaneSplitter splitter(2, CPaneSplitter::Orientation::SideBySide, 30, 1);
  splitter.resize(1000, 300);
  auto* left = new QWidget(&splitter);
  auto* right = new QWidget(&splitter);
  splitter.CreatePane(0, left);
  splitter.AttachPane(1, right);
  splitter.SetShares({25, 75});
  splitter.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&splitter));
  EXPECT_EQ(left->geometry(), QRect(0, 0, 250, 300));
  EXPECT_EQ(right->geometry(), QRect(251, 0, 749, 300));

  QTest::mousePress(&splitter, Qt::LeftButton, {}, QPoint(250, 100));
  EXPECT_TRUE(splitter.Tracker().IsDrawn());
  QTest::mouseMove(&splitter, QPoint(-300, 100));
  EXPECT_EQ(splitter.Tracker().geometry(), QRect(30, 0, 1, 300));
  EXPECT_EQ(left->width(), 250) << "the panes move only on release";
  QTest::mouseRelease(&splitter, Qt::LeftButton, {}, QPoint(-300, 100));
  EXPECT_FALSE(splitter.Tracker().IsDrawn());
  EXPECT_EQ(left->geometry(), QRect(0, 0, 30, 300));
  EXPECT_EQ(right->geometry(), QRect(31, 0, 969, 300));

  splitter.resize(600, 300);
  EXPECT_EQ(left->width(), 30);
}

TEST(PaneSplitterTest, TheTrackerInvertsEveryOtherPixelOfWhatLiesBeneath) {
  QImage white(4, 2, QImage::Format_RGB32);
  white.fill(Qt::white);
  const QImage tracker = HalftoneTracker::Inverted(white);
  EXPECT_EQ(tracker.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(tracker.pixelColor(1, 0), QColor(Qt::white));
  EXPECT_EQ(tracker.pixelColor(0, 1), QColor(Qt::white));
  EXPECT_EQ(tracker.pixelColor(1, 1), QColor(Qt::black));
}

}  // namespace
}  // namespace kestrine::app
