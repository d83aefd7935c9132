#include "PropertyTreeFixture.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

namespace kestrine::ui::test {

void PropertyTreeTest::SetUp() {
  host_ = std::make_unique<QWidget>();
  host_->resize(kWidth, kHeight + 40);
  tree_ = new CPropertyTreeCtrl(host_.get());
  tree_->Create(QRect(0, 0, kWidth, kHeight), host_.get(), PROPS_SHADED_GUTTER | PROPS_CATEGORY_COLORS);
  outside_ = new QLineEdit(host_.get());
  outside_->setGeometry(0, kHeight + 8, 200, 24);
  QObject::connect(tree_, &CPropertyTreeCtrl::ItemCommand, tree_, [this](int id, CPropertyItem*) {
    commands_.push_back(id);
    currentAtCommand_.push_back(tree_->GetCurrentItem());
  });
}

void PropertyTreeTest::TearDown() { host_.reset(); }

void PropertyTreeTest::ShowActive() {
  host_->show();
  host_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
  tree_->UpdateView();
}

CPropertyItem* PropertyTreeTest::AddCategory(const QString& label, bool expanded) {
  CPropertyItem* category = tree_->AddItem(std::make_unique<CPropertyItem>());
  category->SetLabel(label);
  category->SetExpanded(expanded);
  return category;
}

CPropertyItem* PropertyTreeTest::AddPlainRow(CPropertyItem* parent, const QString& label) {
  return AddRow(parent, std::make_unique<CPropertyItem>(), label);
}

QPoint PropertyTreeTest::RowPoint(const CPropertyItem& item, int x) const {
  return QPoint(x, item.GetOrigin().y() - tree_->GetScrollOrigin() + item.GetRowHeight() / 2);
}

QPoint PropertyTreeTest::ValuePoint(const CPropertyItem& item) const {
  return RowPoint(item, tree_->GetDividerPos() + 40);
}

QPoint PropertyTreeTest::LabelPoint(const CPropertyItem& item) const { return RowPoint(item, 60); }

void PropertyTreeTest::Click(QPoint listPoint) {
  QTest::mouseClick(tree_->GetListWnd(), Qt::LeftButton, Qt::NoModifier, listPoint);
}

void PropertyTreeTest::DoubleClick(QPoint listPoint) {
  QTest::mouseDClick(tree_->GetListWnd(), Qt::LeftButton, Qt::NoModifier, listPoint);
}

void PropertyTreeTest::Key(int key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : tree_->GetListWnd();
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void PropertyTreeTest::Wheel(int delta) {
  QWidget* list = tree_->GetListWnd();
  const QPointF at(100, 100);
  QWheelEvent event(at, list->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(list, &event);
}

}  // namespace kestrine::ui::test
