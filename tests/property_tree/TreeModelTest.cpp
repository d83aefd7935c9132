// The item tree, the current item and the notification reports of the control.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "PropertyTreeFixture.h"
#include "property_tree/PropertyTreeTypes.h"

namespace kestrine::ui::test {
namespace {

struct Removals {
  int editorsDestroyed = 0;
  int itemsDeleted = 0;
};

// Counts the hooks the control and EndEdit call.
class CountingItem final : public CPropertyItem {
 public:
  explicit CountingItem(int commandId = 0, Removals* removals = nullptr)
      : CPropertyItem(commandId), removals_(removals) {}
  ~CountingItem() override {
    if (removals_) ++removals_->itemsDeleted;
  }
  void OnEndEdit() override { ++endEdits; }
  void DestroyEditor() override {
    if (removals_) ++removals_->editorsDestroyed;
  }
  void OnExpandChange(bool expanded) override { expandChanges.push_back(expanded); }
  int endEdits = 0;
  std::vector<bool> expandChanges;

 private:
  Removals* removals_;
};

struct Report {
  int code;
  CPropertyItem* item;
};

class TreeModel : public PropertyTreeTest {
 protected:
  // Attaches a target that records every report and answers `answer`.
  void RecordReports(long answer = 0) {
    Tree().SetOptions(Tree().GetOptions() | PROPS_NOTIFY);
    Tree().SetNotifyTarget([this, answer](const PropertyNotify& notify) {
      reports_.push_back({notify.code, notify.item});
      EXPECT_EQ(notify.from, &Tree());
      return answer;
    });
  }
  [[nodiscard]] int CountReports(int code) const {
    int count = 0;
    for (const Report& report : reports_) count += report.code == code ? 1 : 0;
    return count;
  }
  std::vector<Report> reports_;
};

TEST_F(TreeModel, IdentifiersStartAtOneAndAfterRemovingAllAtTwo) {
  CPropertyItem* first = AddCategory(QStringLiteral("A"));
  CPropertyItem* second = AddPlainRow(first, QStringLiteral("b"));
  EXPECT_EQ(first->GetItemId(), 1);
  EXPECT_EQ(second->GetItemId(), 2);
  EXPECT_EQ(first->GetOwner(), &Tree());
  EXPECT_TRUE(first->IsCategory());
  EXPECT_FALSE(second->IsCategory());

  Tree().RemoveAllItems();
  EXPECT_EQ(Tree().GetRootItem().GetFirstChild(), nullptr);
  EXPECT_EQ(AddCategory(QStringLiteral("C"))->GetItemId(), 2);
}

TEST_F(TreeModel, AddItemKeepsInsertionOrderAndRefusesForeignParentsAndNothing) {
  CPropertyItem* category = AddCategory(QStringLiteral("A"));
  CPropertyItem* one = AddPlainRow(category, QStringLiteral("1"));
  CPropertyItem* two = AddPlainRow(category, QStringLiteral("2"));
  CPropertyItem* three = AddPlainRow(category, QStringLiteral("3"));
  EXPECT_EQ(category->GetFirstChild(), one);
  EXPECT_EQ(one->GetNextSibling(), two);
  EXPECT_EQ(two->GetNextSibling(), three);
  EXPECT_EQ(three->GetParent(), category);

  EXPECT_EQ(Tree().AddItem(std::unique_ptr<CPropertyItem>()), nullptr);
  CPropertyTreeCtrl other;
  CPropertyItem* foreign = other.AddItem(std::make_unique<CPropertyItem>());
  EXPECT_EQ(Tree().AddItem(std::make_unique<CPropertyItem>(), foreign), nullptr);
  Tree().RemoveItem(foreign);  // not ours: left alone
  EXPECT_EQ(other.GetRootItem().GetFirstChild(), foreign);
}

TEST_F(TreeModel, RemoveItemDeletesTheSubtreeUnlinksItAndClearsTheCurrentItem) {
  Removals removals;
  CPropertyItem* a = AddCategory(QStringLiteral("A"));
  auto* first = AddRow(a, std::make_unique<CountingItem>(0, &removals), QStringLiteral("first"));
  auto* middle = AddRow(a, std::make_unique<CountingItem>(0, &removals), QStringLiteral("middle"));
  AddRow(middle, std::make_unique<CountingItem>(0, &removals), QStringLiteral("grandchild"));
  auto* last = AddRow(a, std::make_unique<CountingItem>(0, &removals), QStringLiteral("last"));
  middle->SetExpanded(true);
  Tree().UpdateView();
  RecordReports();

  Tree().SetCurrentItem(first);
  Tree().RemoveItem(middle);
  EXPECT_EQ(removals.itemsDeleted, 2);
  EXPECT_EQ(removals.editorsDestroyed, 2);
  EXPECT_EQ(first->GetNextSibling(), last);
  EXPECT_EQ(CountReports(PROPN_ITEM_DELETING), 2);
  // Nothing removed is left in the visible chain, so moving on right away is safe.
  std::vector<CPropertyItem*> linked;
  Tree().ForEachItem(&Tree().GetRootItem(), [&](CPropertyTreeCtrl&, CPropertyItem& item) {
    linked.push_back(&item);
    return true;
  });
  for (CPropertyItem* visible = Tree().GetVisibleChainHead(); visible; visible = visible->GetNextVisible()) {
    EXPECT_NE(std::find(linked.begin(), linked.end(), visible), linked.end());
  }
  EXPECT_EQ(Tree().MoveCurrentNext(), last);

  Tree().RemoveItem(last);
  EXPECT_EQ(Tree().GetCurrentItem(), nullptr);
  EXPECT_EQ(removals.itemsDeleted, 3);

  Tree().RemoveItem(nullptr);
  EXPECT_EQ(removals.itemsDeleted, 4);
  EXPECT_EQ(Tree().GetRootItem().GetFirstChild(), nullptr);
}

TEST_F(TreeModel, SubtreeHeightCountsChildrenOnlyWhileExpanded) {
  CPropertyItem* category = AddCategory(QStringLiteral("A"));
  CPropertyItem* withChildren = AddPlainRow(category, QStringLiteral("1"));
  AddPlainRow(withChildren, QStringLiteral("1.1"));
  AddPlainRow(category, QStringLiteral("2"));
  AddPlainRow(category, QStringLiteral("3"));
  EXPECT_EQ(withChildren->GetSubtreeHeight(), 21);
  EXPECT_EQ(category->GetSubtreeHeight(), 84);
  category->SetExpanded(false);
  EXPECT_EQ(category->GetSubtreeHeight(), 21);
}

TEST_F(TreeModel, SetExpandedDoesNothingBeforeTheItemIsAddedAndReachesTheWholeSubtreeAfter) {
  auto loose = std::make_unique<CountingItem>();
  loose->SetExpanded(true);
  EXPECT_FALSE(loose->IsExpanded());
  EXPECT_TRUE(loose->expandChanges.empty());

  CPropertyItem* category = AddCategory(QStringLiteral("A"), false);
  auto* parent = AddRow(category, std::move(loose), QStringLiteral("parent"));
  auto* child = AddRow(parent, std::make_unique<CountingItem>(), QStringLiteral("child"));
  parent->SetExpanded(true);
  EXPECT_TRUE(parent->IsExpanded());
  EXPECT_EQ(parent->expandChanges, std::vector<bool>{true});
  EXPECT_EQ(child->expandChanges, std::vector<bool>{true});
}

TEST_F(TreeModel, ForEachItemSkipsTheChildrenOfAVisitorThatSaysNoButWalksTheRest) {
  CPropertyItem* a = AddCategory(QStringLiteral("A"));
  CPropertyItem* a1 = AddPlainRow(a, QStringLiteral("a1"));
  AddPlainRow(a1, QStringLiteral("a1x"));
  CPropertyItem* b = AddCategory(QStringLiteral("B"));
  AddPlainRow(b, QStringLiteral("b1"));
  std::vector<QString> visited;
  const bool all = Tree().ForEachItem(&Tree().GetRootItem(), [&](CPropertyTreeCtrl&, CPropertyItem& item) {
    visited.push_back(item.GetLabel());
    return item.GetLabel() != QStringLiteral("a1");
  });
  EXPECT_FALSE(all);
  EXPECT_EQ(visited, (std::vector<QString>{"A", "a1", "B", "b1"}));
  EXPECT_FALSE(Tree().ForEachItem(nullptr, [](CPropertyTreeCtrl&, CPropertyItem&) { return true; }));
}

TEST_F(TreeModel, EndEditCommitsOncePerBeginEdit) {
  CPropertyItem* category = AddCategory(QStringLiteral("A"));
  auto* item = AddRow(category, std::make_unique<CountingItem>(7), QStringLiteral("x"));
  RecordReports();
  item->EndEdit();  // a new item commits on its first EndEdit
  item->BeginEdit();
  item->EndEdit();
  item->EndEdit();
  EXPECT_EQ(item->endEdits, 2);
  EXPECT_EQ(CountReports(PROPN_VALUE_COMMITTED), 2);
}

TEST_F(TreeModel, MovesAlongTheVisibleChainAndReportOnlyRealChanges) {
  CPropertyItem* a = AddCategory(QStringLiteral("A"));
  CPropertyItem* a1 = AddPlainRow(a, QStringLiteral("a1"));
  CPropertyItem* a2 = AddPlainRow(a, QStringLiteral("a2"));
  RecordReports();

  EXPECT_EQ(Tree().MoveCurrentNext(), a);  // none current: the head
  EXPECT_EQ(Tree().MoveCurrentNext(), a1);
  EXPECT_TRUE(a1->IsHighlighted());
  EXPECT_FALSE(a->IsHighlighted());
  EXPECT_EQ(Tree().MoveCurrentLast(), a2);
  EXPECT_EQ(Tree().MoveCurrentNext(), nullptr);
  EXPECT_EQ(Tree().GetCurrentItem(), a2);
  EXPECT_EQ(Tree().MoveCurrentFirst(), a);
  const std::size_t reportsBefore = reports_.size();
  EXPECT_EQ(Tree().MoveCurrentPrev(), nullptr);  // first row: nothing changes, nothing is reported
  EXPECT_EQ(Tree().GetCurrentItem(), a);
  EXPECT_EQ(reports_.size(), reportsBefore);
  EXPECT_EQ(CountReports(PROPN_CURRENT_CHANGED), 4);

  Tree().SetCurrentItem(nullptr);
  EXPECT_EQ(Tree().MoveCurrentPrev(), a2);  // none current: the last row
}

TEST_F(TreeModel, MovesOnAnEmptyChainClearOrKeepTheCurrentItem) {
  CPropertyItem* a = AddCategory(QStringLiteral("A"));
  Tree().SetCurrentItem(a);
  Tree().ResetVisibleChain();
  EXPECT_EQ(Tree().MoveCurrentLast(), nullptr);
  EXPECT_EQ(Tree().GetCurrentItem(), a);
  Tree().ResetVisibleChain();
  EXPECT_EQ(Tree().MoveCurrentFirst(), nullptr);
  EXPECT_EQ(Tree().GetCurrentItem(), nullptr);
}

TEST_F(TreeModel, ReportsReachTheTargetOnlyWithTheNotifyOption) {
  int calls = 0;
  Tree().SetNotifyTarget([&](const PropertyNotify&) {
    ++calls;
    return 1L;
  });
  AddCategory(QStringLiteral("A"));
  EXPECT_EQ(calls, 0);
  RecordReports(0);
  CPropertyItem* b = AddCategory(QStringLiteral("B"));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].code, PROPN_ITEM_INSERTED);
  EXPECT_EQ(reports_[0].item, b);
  EXPECT_EQ(Tree().SendNotify(PROPN_CLICK, nullptr), 0);
  EXPECT_EQ(Tree().SendNotify(PROPN_DBLCLK, nullptr), 0);
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(TreeModel, ScrollIntoViewExpandsCollapsedAncestors) {
  CPropertyItem* a = AddCategory(QStringLiteral("A"), false);
  CPropertyItem* row = AddPlainRow(a, QStringLiteral("row"));
  CPropertyItem* deep = AddPlainRow(row, QStringLiteral("deep"));
  ASSERT_FALSE(Tree().IsInVisibleChain(deep));
  Tree().SetCurrentItem(deep);
  EXPECT_TRUE(a->IsExpanded());
  EXPECT_TRUE(row->IsExpanded());
  EXPECT_TRUE(Tree().IsInVisibleChain(deep));
  EXPECT_EQ(deep->GetOrigin(), QPoint(16, 42));
}

}  // namespace
}  // namespace kestrine::ui::test
