#include "PageFixture.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include "config/PropertyItemTable.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"

namespace kestrine::app::test {

void PageTest::SetUp() {
  window_ = std::make_unique<QWidget>();
  window_->resize(kPageWidth, kPageHeight);
  page_ = new ConfigurationPage(window_.get());
  page_->setGeometry(0, 0, kPageWidth, kPageHeight);
  page_->SetMessageBoxes(*this);
  QObject::connect(page_, &ConfigurationPage::ItemCommand, page_, [this](int id) {
    commands_.push_back(id);
    page_->ApplyPropertyEdit(id, selected_);
  });
}

void PageTest::TearDown() { window_.reset(); }

// Every box the page shows is a refusal, a "Warning" owned by its window.
void PageTest::Show(const MessageBoxRequest& request) {
  EXPECT_EQ(request.caption, "Warning");
  EXPECT_EQ(request.icon, QMessageBox::Warning);
  EXPECT_EQ(request.owner, window_.get());
  warnings_.push_back(request.text.toStdString());
}

void PageTest::ShowActive() {
  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  page_->LeftTree().UpdateView();
  page_->RightTree().UpdateView();
}

ui::CPropertyItem* PageTest::ItemById(int id) {
  const config::PropertyItemRow* row = config::FindItemById(id);
  return row == nullptr ? nullptr : page_->ItemFor(*row);
}

void PageTest::ClickValue(ui::CPropertyItem& item) {
  ui::CPropertyTreeCtrl& list = *item.GetOwner();
  const QPoint at(list.GetDividerPos() + 40, item.GetOrigin().y() - list.GetScrollOrigin() + item.GetRowHeight() / 2);
  QTest::mouseClick(list.GetListWnd(), Qt::LeftButton, Qt::NoModifier, at);
}

void PageTest::ClickLabel(ui::CPropertyItem& item) {
  ui::CPropertyTreeCtrl& list = *item.GetOwner();
  const QPoint at(60, item.GetOrigin().y() - list.GetScrollOrigin() + item.GetRowHeight() / 2);
  QTest::mouseClick(list.GetListWnd(), Qt::LeftButton, Qt::NoModifier, at);
}

void PageTest::TypeInto(int id, const QString& text) {
  auto& edit = ItemOf<ui::CEditPropertyItem>(id);
  ClickValue(edit);
  QLineEdit* line = edit.GetLineEdit();
  ASSERT_TRUE(line->hasFocus()) << id;
  line->selectAll();
  bool ascii = true;
  for (const QChar c : text) ascii = ascii && c.unicode() < 0x80;
  if (ascii) {
    QTest::keyClicks(line, text);
  } else {
    // Chinese comes through the input method, committed a phrase at a time.
    QInputMethodEvent phrase;
    phrase.setCommitString(text);
    QApplication::sendEvent(line, &phrase);
  }
  QTest::keyClick(line, Qt::Key_Return);
}

}  // namespace kestrine::app::test
