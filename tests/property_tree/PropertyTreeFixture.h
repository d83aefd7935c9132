#pragma once

#include <memory>
#include <vector>

#include <QLineEdit>
#include <QPoint>
#include <QWidget>

#include <gtest/gtest.h>

#include "property_tree/PropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"

namespace kestrine::ui::test {

// A window holding one property tree control (400 x 300 at the top left) and, below it, an edit box that
// is outside the control. Commands the control reports are recorded in order.
class PropertyTreeTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 300;

  void SetUp() override;
  void TearDown() override;

  [[nodiscard]] CPropertyTreeCtrl& Tree() { return *tree_; }
  [[nodiscard]] CPropertyListWnd& List() { return *tree_->GetListWnd(); }
  [[nodiscard]] QWidget& Host() { return *host_; }
  [[nodiscard]] QLineEdit& Outside() { return *outside_; }

  // Destroys the window with the control in it.
  void DestroyHost() { host_.reset(); }

  // Shows the window and waits until it is active, so that focus changes are real.
  void ShowActive();

  CPropertyItem* AddCategory(const QString& label, bool expanded = true);
  template <typename Item>
  Item* AddRow(CPropertyItem* parent, std::unique_ptr<Item> item, const QString& label) {
    Item* added = tree_->AddItem(std::move(item), parent);
    added->SetLabel(label);
    return added;
  }
  CPropertyItem* AddPlainRow(CPropertyItem* parent, const QString& label);

  // A point on the item's row as last painted, in list-window coordinates.
  [[nodiscard]] QPoint RowPoint(const CPropertyItem& item, int x) const;
  [[nodiscard]] QPoint ValuePoint(const CPropertyItem& item) const;
  [[nodiscard]] QPoint LabelPoint(const CPropertyItem& item) const;

  void Click(QPoint listPoint);
  void DoubleClick(QPoint listPoint);
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void Wheel(int delta);

  std::vector<int> commands_;
  std::vector<CPropertyItem*> currentAtCommand_;

 private:
  std::unique_ptr<QWidget> host_;
  CPropertyTreeCtrl* tree_ = nullptr;
  QLineEdit* outside_ = nullptr;
};

}  // namespace kestrine::ui::test
