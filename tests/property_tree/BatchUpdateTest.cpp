// Building and changing many items with redraw off, and the walk that lays rows out without drawing them.
#include <algorithm>
#include <memory>
#include <vector>

#include <QApplication>
#include <QFont>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "PropertyTreeFixture.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyTreeTypes.h"

namespace kestrine::ui::test {
namespace {

using Batch = CPropertyTreeCtrl::BatchUpdate;

// Everything a walk leaves behind that hit tests, moves, scrolling and editors rely on.
struct ViewState {
  std::vector<int> chain;
  std::vector<QPoint> origins;
  std::vector<QRect> valueRects;
  std::vector<QRect> labelRects;
  std::vector<QRect> expanderRects;
  int scrollMaximum = 0;
  int scrollPage = 0;
  int scrollOrigin = 0;
  int currentId = 0;
  int dividerPos = 0;
  QRect client;
};

ViewState Capture(CPropertyTreeCtrl& tree) {
  ViewState state;
  for (CPropertyItem* row = tree.GetVisibleChainHead(); row; row = row->GetNextVisible()) {
    state.chain.push_back(row->GetItemId());
    state.origins.push_back(row->GetOrigin());
    state.valueRects.push_back(row->GetValueRect());
    state.expanderRects.push_back(row->GetExpanderRect());
  }
  // Rows hidden under a collapsed ancestor count too: their label rectangles must be empty.
  tree.ForEachItem(&tree.GetRootItem(), [&](CPropertyTreeCtrl&, CPropertyItem& item) {
    state.labelRects.push_back(item.GetLabelRect());
    return true;
  });
  state.scrollMaximum = tree.GetListWnd()->GetScrollMaximum();
  state.scrollPage = tree.GetListWnd()->GetScrollPage();
  state.scrollOrigin = tree.GetScrollOrigin();
  state.currentId = tree.GetCurrentItem() ? tree.GetCurrentItem()->GetItemId() : 0;
  state.dividerPos = tree.GetDividerPos();
  state.client = tree.GetListWnd()->ClientRect();
  return state;
}

void ExpectSameView(const ViewState& actual, const ViewState& expected) {
  EXPECT_EQ(actual.chain, expected.chain);
  EXPECT_EQ(actual.origins, expected.origins);
  EXPECT_EQ(actual.valueRects, expected.valueRects);
  EXPECT_EQ(actual.labelRects, expected.labelRects);
  EXPECT_EQ(actual.expanderRects, expected.expanderRects);
  EXPECT_EQ(actual.scrollMaximum, expected.scrollMaximum);
  EXPECT_EQ(actual.scrollPage, expected.scrollPage);
  EXPECT_EQ(actual.scrollOrigin, expected.scrollOrigin);
  EXPECT_EQ(actual.currentId, expected.currentId);
  EXPECT_EQ(actual.dividerPos, expected.dividerPos);
  EXPECT_EQ(actual.client, expected.client);
}

// Three categories of edit rows (the second collapsed, one row with expanded children), taller than the
// window. Part-way through, a row far down becomes current (which scrolls), a row above it is removed and
// the current row moves on: the operations that read the visible chain while rows are still being added.
void BuildPage(CPropertyTreeCtrl& tree) {
  CPropertyItem* current = nullptr;
  CPropertyItem* doomed = nullptr;
  for (int c = 0; c < 3; ++c) {
    CPropertyItem* category = tree.AddItem(std::make_unique<CPropertyItem>());
    category->SetLabel(QStringLiteral("Category %1").arg(c));
    category->SetExpanded(c != 1);
    for (int r = 0; r < 8; ++r) {
      auto* row = tree.AddItem(std::make_unique<CEditPropertyItem>(100 * c + r), category);
      row->SetLabel(r == 5 ? QStringLiteral("A label far too long for the label column of this row")
                           : QStringLiteral("Row %1.%2").arg(c).arg(r));
      row->CreateEditor(PROP_EDIT_NUMBER);
      row->SetIntValue(r);
      if (r == 3) {
        tree.AddItem(std::make_unique<CPropertyItem>(), row)->SetLabel(QStringLiteral("Detail"));
        row->SetExpanded(true);
      }
      if (c == 0 && r == 2) doomed = row;
      if (c == 2 && r == 6) current = row;
    }
  }
  tree.SetCurrentItem(current);
  tree.RemoveItem(doomed);
  tree.MoveCurrentNext();
}

class BatchUpdate : public PropertyTreeTest {
 protected:
  CPropertyTreeCtrl& MakeSecondControl() {
    auto* other = new CPropertyTreeCtrl(&Host());
    other->Create(QRect(0, 0, kWidth, kHeight), &Host(), PROPS_SHADED_GUTTER | PROPS_CATEGORY_COLORS);
    return *other;
  }

  void ExpectBatchBuildMatchesItemByItem() {
    BuildPage(Tree());
    CPropertyTreeCtrl& batched = MakeSecondControl();
    {
      Batch batch(batched);
      BuildPage(batched);
    }
    const ViewState expected = Capture(Tree());
    ASSERT_GT(expected.scrollOrigin, 0);  // the build did scroll
    ASSERT_NE(expected.currentId, 0);
    ExpectSameView(Capture(batched), expected);
  }

  // No live row links to a row that is gone, and the chain holds live rows only. The links are looked at
  // before anything lays the rows out again.
  void ExpectOnlyLiveRowsLinked() {
    std::vector<CPropertyItem*> live;
    Tree().ForEachItem(&Tree().GetRootItem(), [&](CPropertyTreeCtrl&, CPropertyItem& item) {
      live.push_back(&item);
      return true;
    });
    const auto isLive = [&](const CPropertyItem* item) {
      return std::find(live.begin(), live.end(), item) != live.end();
    };
    for (const CPropertyItem* item : live) {
      const CPropertyItem* next = item->GetNextVisible();
      EXPECT_TRUE(next == nullptr || isLive(next)) << item->GetLabel().toStdString();
    }
    for (CPropertyItem* row = Tree().GetVisibleChainHead(); row; row = row->GetNextVisible()) {
      ASSERT_TRUE(isLive(row));
    }
  }

  std::vector<CPropertyItem*> AddRows(CPropertyItem* category, int count) {
    std::vector<CPropertyItem*> rows;
    for (int i = 0; i < count; ++i) {
      auto* row = AddRow(category, std::make_unique<CEditPropertyItem>(500 + i), QStringLiteral("Row %1").arg(i));
      row->CreateEditor();
      rows.push_back(row);
    }
    return rows;
  }

  [[nodiscard]] std::vector<int> ChainIds() {
    std::vector<int> ids;
    for (CPropertyItem* row = Tree().GetVisibleChainHead(); row; row = row->GetNextVisible()) {
      ids.push_back(row->GetItemId());
    }
    return ids;
  }
};

TEST_F(BatchUpdate, BuildingInABatchEndsLikeBuildingItemByItemWhileHidden) { ExpectBatchBuildMatchesItemByItem(); }

TEST_F(BatchUpdate, BuildingInABatchEndsLikeBuildingItemByItemWhileShown) {
  ShowActive();
  ExpectBatchBuildMatchesItemByItem();
}

TEST_F(BatchUpdate, AddingDefersTheWalkAndChainReadersCatchUp) {
  Batch batch(Tree());
  CPropertyItem* shown = AddCategory(QStringLiteral("Shown"));
  const std::vector<CPropertyItem*> rows = AddRows(shown, 3);
  CPropertyItem* folded = AddCategory(QStringLiteral("Folded"), false);
  CPropertyItem* inside = AddPlainRow(folded, QStringLiteral("Inside"));
  EXPECT_TRUE(List().IsLayoutOutOfDate());

  EXPECT_EQ(Tree().ItemAtPoint(QPoint(60, 2 * 21 + 10)), rows[1]);
  EXPECT_FALSE(List().IsLayoutOutOfDate());
  EXPECT_EQ(Tree().HitTest(ValuePoint(*rows[2])), PROP_HIT_VALUE);
  EXPECT_EQ(Tree().MoveCurrentLast(), folded);
  EXPECT_EQ(Tree().MoveCurrentFirst(), shown);
  // Making a hidden row current opens its category and brings it into the chain, as it does with redraw on.
  Tree().SetCurrentItem(inside);
  EXPECT_TRUE(folded->IsExpanded());
  EXPECT_TRUE(Tree().IsInVisibleChain(inside));
  EXPECT_EQ(List().GetScrollMaximum(), 6 * 21);
}

TEST_F(BatchUpdate, BatchesNestAndOnlyTheOutermostTurnsRedrawBackOn) {
  CPropertyItem* category = nullptr;
  {
    Batch outer(Tree());
    {
      Batch inner(Tree());
      category = AddCategory(QStringLiteral("A"));
      AddRows(category, 2);
    }
    EXPECT_FALSE(Tree().IsRedrawOn());
    EXPECT_TRUE(List().IsLayoutOutOfDate());
  }
  EXPECT_TRUE(Tree().IsRedrawOn());
  EXPECT_FALSE(List().IsLayoutOutOfDate());
  EXPECT_EQ(ChainIds(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(List().GetScrollMaximum(), 3 * 21);

  // A guard that outlives its control does nothing.
  auto late = std::make_unique<Batch>(Tree());
  DestroyHost();
  late.reset();
}

TEST_F(BatchUpdate, RemovingInABatchLeavesNoRemovedRowReachable) {
  CPropertyItem* a = AddCategory(QStringLiteral("A"));
  const std::vector<CPropertyItem*> aRows = AddRows(a, 4);
  CPropertyItem* b = AddCategory(QStringLiteral("B"));
  const std::vector<CPropertyItem*> bRows = AddRows(b, 3);
  CPropertyItem* deep = AddPlainRow(bRows[1], QStringLiteral("Deep"));
  bRows[1]->SetExpanded(true);
  Tree().UpdateView();
  Tree().SetCurrentItem(deep);
  ASSERT_EQ(aRows[3]->GetNextVisible(), b);

  {
    Batch batch(Tree());
    Tree().RemoveItem(b);
    EXPECT_EQ(Tree().GetCurrentItem(), nullptr);
    ExpectOnlyLiveRowsLinked();
    // The chain is laid out again for the move, then loses a row once more.
    EXPECT_EQ(Tree().MoveCurrentLast(), aRows[3]);
    Tree().RemoveItem(aRows[3]);
    EXPECT_EQ(Tree().GetCurrentItem(), nullptr);
    ExpectOnlyLiveRowsLinked();
    EXPECT_EQ(Tree().MoveCurrentLast(), aRows[2]);
  }
  EXPECT_EQ(ChainIds(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(List().GetScrollMaximum(), 4 * 21);
}

TEST_F(BatchUpdate, ListTakesNoInputUntilRedrawIsBackOn) {
  CPropertyItem* a = AddCategory(QStringLiteral("A"));
  const std::vector<CPropertyItem*> aRows = AddRows(a, 3);
  CPropertyItem* b = AddCategory(QStringLiteral("B"));
  const std::vector<CPropertyItem*> bRows = AddRows(b, 12);
  ShowActive();
  auto* editing = static_cast<CEditPropertyItem*>(aRows[1]);
  Click(ValuePoint(*editing));
  ASSERT_EQ(Tree().GetCurrentItem(), editing);
  ASSERT_TRUE(editing->HasEditorFocus());
  const QPoint whereBWas = LabelPoint(*bRows[0]);

  {
    Batch batch(Tree());
    Tree().RemoveItem(b);
    // The open editor still works, and its commit waits for the view like every other change.
    QTest::keyClicks(editing->GetLineEdit(), QStringLiteral("7"));
    QTest::keyClick(editing->GetLineEdit(), Qt::Key_Return);
    EXPECT_EQ(commands_, std::vector<int>{501});
    EXPECT_FALSE(editing->GetLineEdit()->isVisible());

    Click(whereBWas);
    DoubleClick(LabelPoint(*a));
    Click(ValuePoint(*aRows[2]));
    for (int key : {Qt::Key_Down, Qt::Key_End, Qt::Key_Home, Qt::Key_Tab, Qt::Key_Left}) Key(key);
    Wheel(-120);
    EXPECT_EQ(Tree().GetCurrentItem(), editing);
    EXPECT_TRUE(a->IsExpanded());
    EXPECT_EQ(Tree().GetScrollOrigin(), 0);
    EXPECT_FALSE(static_cast<CEditPropertyItem*>(aRows[2])->GetLineEdit()->isVisible());
  }

  Click(LabelPoint(*aRows[2]));
  EXPECT_EQ(Tree().GetCurrentItem(), aRows[2]);
  Key(Qt::Key_Up);
  EXPECT_EQ(Tree().GetCurrentItem(), editing);
}

class RowWalk : public PropertyTreeTest {};

TEST_F(RowWalk, LayingOutWithoutDrawingMatchesPainting) {
  CPropertyItem* category = AddCategory(QStringLiteral("Rows"));
  CEditPropertyItem* last = nullptr;
  for (int i = 0; i < 30; ++i) {
    last = AddRow(category, std::make_unique<CEditPropertyItem>(700 + i), QStringLiteral("Row %1").arg(i));
    last->CreateEditor();
  }
  last->SetLabel(QStringLiteral("The widest label, far below the view"));
  Tree().UpdateView();
  const ViewState laidOut = Capture(Tree());

  ShowActive();
  ExpectSameView(Capture(Tree()), laidOut);
  // The last row stays below the view: not drawn, but laid out, with its editor following its value
  // column as the rows scroll, and its label counted when the divider is fitted.
  List().OnVScroll(CPropertyListWnd::ScrollCode::LineDown, 0);
  ASSERT_EQ(Tree().GetScrollOrigin(), 21);
  ASSERT_GT(last->GetValueRect().top(), List().ClientRect().height());
  EXPECT_EQ(last->GetEditor()->geometry(), last->GetValueRect());
  EXPECT_EQ(Tree().GetWidestLabelRect(), last->GetLabelRect());
}

TEST_F(RowWalk, LabelsAreMeasuredAgainWhenTheLabelOrTheFontChanges) {
  CPropertyItem* category = AddCategory(QStringLiteral("A"));
  CPropertyItem* row = AddPlainRow(category, QStringLiteral("Port"));
  Tree().RepaintNow();
  const int shortWidth = row->GetLabelRect().width();

  row->SetLabel(QStringLiteral("Port number"));
  Tree().RepaintNow();
  const int longWidth = row->GetLabelRect().width();
  EXPECT_GT(longWidth, shortWidth);

  const QFont menu = QApplication::font("QMenu");
  QFont larger = menu;
  if (menu.pixelSize() > 0) {
    larger.setPixelSize(menu.pixelSize() * 2);
  } else {
    larger.setPointSizeF(menu.pointSizeF() * 2);
  }
  QApplication::setFont(larger, "QMenu");
  CPropertyFonts::Recreate();
  Tree().RepaintNow();
  EXPECT_GT(row->GetLabelRect().width(), longWidth);
  QApplication::setFont(menu, "QMenu");
  CPropertyFonts::Recreate();
}

}  // namespace
}  // namespace kestrine::ui::test
