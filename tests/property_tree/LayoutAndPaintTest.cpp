// Row geometry, the divider's limits, the scroll range, hit testing, label shortening and the fonts.
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>

#include <gtest/gtest.h>

#include "PropertyTreeFixture.h"
#include "property_tree/PropertyDescPane.h"
#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/RowPainter.h"

namespace kestrine::ui::test {
namespace {

using Scroll = CPropertyListWnd::ScrollCode;

QRect Ltrb(int left, int top, int right, int bottom) { return RowPainter::Ltrb(left, top, right, bottom); }

class LayoutAndPaint : public PropertyTreeTest {
 protected:
  // A category at y = 0 and a property row with one child at y = 21.
  void BuildWorkedExample() {
    category_ = AddCategory(QStringLiteral("Category"));
    row_ = AddPlainRow(category_, QStringLiteral("Row"));
    AddPlainRow(row_, QStringLiteral("Child"));
  }
  // `count` rows of the default height under one category.
  void BuildRows(int count) {
    category_ = AddCategory(QStringLiteral("Rows"));
    for (int i = 0; i < count; ++i) rows_.push_back(AddPlainRow(category_, QStringLiteral("Row %1").arg(i)));
  }
  CPropertyItem* category_ = nullptr;
  CPropertyItem* row_ = nullptr;
  std::vector<CPropertyItem*> rows_;
};

TEST_F(LayoutAndPaint, WorkedRowLayoutAtDivider150) {
  BuildWorkedExample();
  ASSERT_EQ(List().ClientRect(), QRect(0, 0, 400, 300));
  ASSERT_EQ(Tree().GetDividerPos(), 150);

  EXPECT_EQ(row_->GetOrigin(), QPoint(0, 21));
  EXPECT_EQ(row_->GetValueRect(), Ltrb(155, 21, 400, 41));
  EXPECT_EQ(row_->GetExpanderRect(), Ltrb(4, 26, 12, 34));
  const QRect label = row_->GetLabelRect();
  EXPECT_EQ(label.left(), 21);
  EXPECT_EQ(label.top(), 21);
  EXPECT_GT(label.width(), 0);
  EXPECT_EQ(category_->GetLabelRect().left(), 21);  // the title starts where its rows' labels do

  Tree().SetScrollOrigin(10);
  Tree().RepaintNow();
  EXPECT_EQ(row_->GetOrigin(), QPoint(0, 21));
  EXPECT_EQ(row_->GetExpanderRect(), Ltrb(4, 26, 12, 34));
  EXPECT_EQ(row_->GetValueRect(), Ltrb(155, 11, 400, 31));
  EXPECT_EQ(row_->GetLabelRect().top(), 11);
}

TEST_F(LayoutAndPaint, DeeperLevelsIndentBy16AndRowsWithoutChildrenHaveNoExpander) {
  BuildWorkedExample();
  row_->SetExpanded(true);
  Tree().UpdateView();
  CPropertyItem* child = row_->GetFirstChild();
  EXPECT_EQ(child->GetOrigin(), QPoint(16, 42));
  EXPECT_EQ(child->GetLabelRect().left(), 37);
  EXPECT_TRUE(child->GetExpanderRect().isEmpty());
  EXPECT_FALSE(child->HitExpander(QPoint(5, 47)));
}

TEST_F(LayoutAndPaint, RowsTakeTheirColoursFromTheControlsOwnPalette) {
  BuildWorkedExample();
  QPalette dark = Tree().palette();
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Dark, QColor(90, 0, 0));
  Tree().setPalette(dark);  // a dark theme on this control only
  ShowActive();
  Tree().RepaintNow();
  const QImage image = List().grab().toImage();
  EXPECT_EQ(image.pixelColor(300, 30), QColor(30, 30, 30));  // the row's value background
  EXPECT_EQ(image.pixelColor(150, 30), QColor(90, 0, 0));    // the divider
  EXPECT_EQ(row_->GetValueBackColor(), QColor(30, 30, 30));
  row_->SetValueBackColor(Qt::yellow);  // a colour the host sets stays
  Tree().RepaintNow();
  EXPECT_EQ(List().grab().toImage().pixelColor(300, 30), QColor(Qt::yellow));
  EXPECT_NE(QApplication::palette().color(QPalette::Base), QColor(30, 30, 30));
}

TEST_F(LayoutAndPaint, DividerIsClampedToTheGutterAndTheRightEdge) {
  Tree().SetDividerPos(5);
  EXPECT_EQ(Tree().GetDividerPos(), 16);
  Tree().SetDividerPos(390);
  EXPECT_EQ(Tree().GetDividerPos(), 384);
  Tree().SetDividerPos(200);
  EXPECT_EQ(Tree().GetDividerPos(), 200);

  Tree().resize(20, 300);
  for (const int request : {-10, 5, 16, 100}) {
    Tree().SetDividerPos(request);
    EXPECT_EQ(Tree().GetDividerPos(), 4) << request;
  }
}

TEST_F(LayoutAndPaint, ScrollRangeIsTheRowsTotalWithAPageOfClientHeightPlusOne) {
  // 20 + 4 x 120 = 500 pixels of rows in a window 300 pixels high.
  category_ = AddCategory(QStringLiteral("Tall"));
  category_->SetRowHeight(20);
  for (int i = 0; i < 4; ++i) AddPlainRow(category_, QStringLiteral("r%1").arg(i))->SetRowHeight(120);
  Tree().UpdateView();
  EXPECT_EQ(List().GetScrollMaximum(), 500);
  EXPECT_EQ(List().GetScrollPage(), 301);

  List().OnVScroll(Scroll::ThumbTrack, 1000);
  EXPECT_EQ(Tree().GetScrollOrigin(), 199);
  List().OnVScroll(Scroll::LineDown, 0);
  EXPECT_EQ(Tree().GetScrollOrigin(), 199);
  List().OnVScroll(Scroll::LineUp, 0);
  EXPECT_EQ(Tree().GetScrollOrigin(), 178);
  List().OnVScroll(Scroll::PageUp, 0);
  EXPECT_EQ(Tree().GetScrollOrigin(), 0);
  List().OnVScroll(Scroll::PageDown, 0);
  EXPECT_EQ(Tree().GetScrollOrigin(), 199);
  for (const Scroll stays : {Scroll::ThumbPosition, Scroll::Top, Scroll::Bottom}) {
    List().OnVScroll(Scroll::ThumbTrack, 50);
    List().OnVScroll(stays, 0);
    EXPECT_EQ(Tree().GetScrollOrigin(), 50);
  }
}

TEST_F(LayoutAndPaint, RowsThatFitNeverScrollEvenWhenTheyExactlyFillTheWindow) {
  // 300 pixels of rows in 300: the page (301) covers them, so no origin but 0 makes sense.
  category_ = AddCategory(QStringLiteral("Exact"));
  category_->SetRowHeight(100);
  AddPlainRow(category_, QStringLiteral("a"))->SetRowHeight(100);
  AddPlainRow(category_, QStringLiteral("b"))->SetRowHeight(100);
  Tree().UpdateView();
  List().OnVScroll(Scroll::LineDown, 0);
  EXPECT_EQ(Tree().GetScrollOrigin(), 0);
  Tree().SetCurrentItem(category_->GetFirstChild()->GetNextSibling());
  EXPECT_EQ(Tree().GetScrollOrigin(), 0);
}

TEST_F(LayoutAndPaint, ScrollingARowIntoViewLeavesOneRowFreeBelowItUnlessTheRangeEnds) {
  BuildRows(40);  // 41 rows, 861 pixels
  Tree().SetCurrentItem(rows_[20]);
  const int clientHeight = List().ClientRect().height();
  const CPropertyItem& row = *rows_[20];
  EXPECT_EQ(row.GetOrigin().y() - Tree().GetScrollOrigin() + row.GetRowHeight(), clientHeight - row.GetRowHeight());

  Tree().SetCurrentItem(rows_[39]);
  EXPECT_EQ(Tree().GetScrollOrigin(), List().GetScrollMaximum() - List().GetScrollPage());

  Tree().SetCurrentItem(rows_[2]);
  EXPECT_EQ(Tree().GetScrollOrigin(), rows_[2]->GetOrigin().y());
}

TEST_F(LayoutAndPaint, HitTestAroundTheDividerOnPropertyRowsAndCategories) {
  BuildWorkedExample();
  const int d = Tree().GetDividerPos();
  const QPoint onRow = RowPoint(*row_, 0);
  const QPoint onCategory = RowPoint(*category_, 0);
  auto at = [](QPoint row, int x) { return QPoint(x, row.y()); };

  EXPECT_EQ(Tree().HitTest(at(onRow, d - 5)), PROP_HIT_DIVIDER);
  EXPECT_EQ(Tree().HitTest(at(onRow, d + 5)), PROP_HIT_DIVIDER);
  EXPECT_EQ(Tree().HitTest(at(onRow, d - 6)), PROP_HIT_LABEL);
  EXPECT_EQ(Tree().HitTest(at(onRow, d + 6)), PROP_HIT_VALUE);
  EXPECT_EQ(Tree().HitTest(at(onRow, 6)), PROP_HIT_EXPANDER);
  EXPECT_EQ(Tree().HitTest(at(onRow, 12)), PROP_HIT_LABEL);  // right edge of the expander is outside

  EXPECT_EQ(Tree().HitTest(at(onCategory, d - 5)), PROP_HIT_LABEL);
  EXPECT_EQ(Tree().HitTest(at(onCategory, d + 5)), PROP_HIT_LABEL);
  EXPECT_EQ(Tree().HitTest(at(onCategory, d + 6)), PROP_HIT_VALUE);
  EXPECT_EQ(Tree().HitTest(QPoint(100, 250)), PROP_HIT_NONE);
  EXPECT_EQ(Tree().ItemAtPoint(QPoint(100, 250)), nullptr);

  Tree().SetScrollOrigin(10);
  Tree().RepaintNow();
  EXPECT_EQ(Tree().ItemAtPoint(QPoint(100, 11)), row_);
  EXPECT_EQ(Tree().HitTest(QPoint(6, 20)), PROP_HIT_EXPANDER);
}

TEST_F(LayoutAndPaint, LongLabelsAreShortenedToTheLongestPrefixThatFitsWithDots) {
  const QFontMetrics metrics(CPropertyFonts::Normal());
  const QString label = QStringLiteral("Program Bitrate(kbps) of the second service");
  const int available = metrics.horizontalAdvance(label) / 2;
  const QString fitted = RowPainter::FitText(metrics, label, available, 1);
  ASSERT_TRUE(fitted.endsWith(QStringLiteral("...")));
  const QString prefix = fitted.chopped(3);
  EXPECT_TRUE(label.startsWith(prefix));
  EXPECT_LE(metrics.horizontalAdvance(fitted) + 1, available);
  EXPECT_GT(metrics.horizontalAdvance(label.left(prefix.size() + 1) + QStringLiteral("...")) + 1, available);

  EXPECT_EQ(RowPainter::FitText(metrics, label, 10000, 1), label);
  EXPECT_EQ(RowPainter::FitText(metrics, QStringLiteral("W"), 2, 1), QStringLiteral("W..."));
  EXPECT_EQ(RowPainter::FitText(metrics, QStringLiteral("Wide"), 2, 1), QStringLiteral("W..."));
  EXPECT_EQ(RowPainter::FitText(metrics, QString(), 2, 1), QString());
  const QString huge(5000, QLatin1Char('x'));
  EXPECT_LE(metrics.horizontalAdvance(RowPainter::FitText(metrics, huge, 300, 1)) + 1, 300);
}

TEST_F(LayoutAndPaint, ShortenedAndBlankLabelsStoreTheRectangleOfWhatWasDrawn) {
  BuildWorkedExample();
  row_->SetLabel(QString(200, QLatin1Char('m')));
  CPropertyItem* blank = AddPlainRow(category_, QStringLiteral("   "));
  Tree().RepaintNow();
  const QRect label = row_->GetLabelRect();
  EXPECT_LE(label.left() + label.width(), Tree().GetDividerPos());
  EXPECT_TRUE(blank->GetLabelRect().isNull());
}

TEST_F(LayoutAndPaint, WidestLabelCountsOnlyRowsOfExpandedParentsAndTheFirstOfEquals) {
  BuildWorkedExample();
  CPropertyItem* wide = AddPlainRow(category_, QStringLiteral("A much wider label"));
  AddPlainRow(row_, QStringLiteral("An even much wider hidden label"));
  Tree().RepaintNow();
  EXPECT_EQ(Tree().GetWidestLabelRect(), wide->GetLabelRect());
}

TEST_F(LayoutAndPaint, DescriptionPaneTakesTheBottom50PixelsOnlyWhenAsked) {
  CPropertyDescPane* pane = Tree().GetDescPane();
  ShowActive();
  EXPECT_FALSE(pane->isVisible());
  EXPECT_EQ(List().geometry(), QRect(0, 0, 400, 300));

  Tree().SetOptions(Tree().GetOptions() | PROPS_SHOW_DESCRIPTION | PROPS_DESCRIPTION_PROMPT);
  EXPECT_TRUE(pane->isVisible());
  EXPECT_EQ(pane->geometry(), QRect(0, 250, 400, 50));
  EXPECT_EQ(List().geometry(), QRect(0, 0, 400, 250));
  EXPECT_EQ(pane->DescriptionText(), QStringLiteral("Select an item to see its description."));

  BuildWorkedExample();
  row_->SetDescription(QStringLiteral(" Between 0x0020 - 0x1FFE ."));
  Tree().SetCurrentItem(row_);
  EXPECT_EQ(pane->DescriptionText(), QStringLiteral(" Between 0x0020 - 0x1FFE ."));
}

TEST(PropertyFonts, WesternMenuFontsBecomeTahomaOrMsSansSerif) {
  EXPECT_EQ(CPropertyFonts::ChooseFace(QStringLiteral("Sans"), true, {QStringLiteral("DejaVu Sans")}),
            QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(CPropertyFonts::ChooseFace(QStringLiteral("Sans"), true, {QStringLiteral("tahoma")}),
            QStringLiteral("Tahoma"));
  EXPECT_EQ(CPropertyFonts::ChooseFace(QStringLiteral("SimSun"), false, {QStringLiteral("Tahoma")}),
            QStringLiteral("SimSun"));
}

TEST(PropertyFonts, AreSharedByAllControlsAndLiveAsLongAsOneDoes) {
  const int before = CPropertyFonts::InstanceCount();
  {
    CPropertyTreeCtrl first;
    CPropertyTreeCtrl second;
    EXPECT_EQ(CPropertyFonts::InstanceCount(), before + 2);
    EXPECT_TRUE(CPropertyTreeCtrl::GetBoldFont().bold());
    EXPECT_EQ(CPropertyTreeCtrl::GetBoldFont().family(), CPropertyTreeCtrl::GetNormalFont().family());
  }
  EXPECT_EQ(CPropertyFonts::InstanceCount(), before);
}

}  // namespace
}  // namespace kestrine::ui::test
