// The page's rows as built: everything checked against the item table itself, and what a click on each
// row's value opens.
#include <map>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "PageFixture.h"
#include "config/PropertyItemTable.h"
#include "property_tree/AddressFieldEdit.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/SystemColors.h"

namespace kestrine::app::test {
namespace {

using config::ItemKind;

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QStringList ComboEntries(ui::CPropertyItem& item) {
  QStringList entries;
  if (auto* combo = dynamic_cast<ui::CComboPropertyItem*>(&item)) {
    for (int i = 0; i < combo->GetCount(); ++i) entries << combo->GetLBText(i);
  }
  return entries;
}

TEST_F(PageTest, EveryCategoryAndRowComesFromTheItemTableInOrder) {
  const QColor shaded = ui::ColorFromColorRef(0xF0F0F0);
  for (ui::CPropertyTreeCtrl* list : {&Page().LeftTree(), &Page().RightTree()}) {
    EXPECT_EQ(list->GetOptions(), 0x18u);
  }
  std::size_t categoriesSeen = 0;
  for (const config::CategoryRow& category : config::PropertyCategories()) {
    ui::CPropertyTreeCtrl& list =
        category.side == config::PageSide::Left ? Page().LeftTree() : Page().RightTree();
    ui::CPropertyItem* bar = list.GetRootItem().GetFirstChild();
    while (bar != nullptr && bar->GetLabel() != FromView(category.label)) {
      bar = bar->GetNextSibling();
    }
    ASSERT_NE(bar, nullptr) << category.label;
    ++categoriesSeen;
    EXPECT_TRUE(bar->IsExpanded());
    EXPECT_EQ(bar->GetCategoryColor(), ui::ColorFromColorRef(category.emphasised ? 0xFFC8C8 : 0xDCDCDC));

    ui::CPropertyItem* item = bar->GetFirstChild();
    for (const config::PropertyItemRow& row : config::PropertyItemRows()) {
      if (row.category != category.category) continue;
      ASSERT_NE(item, nullptr) << row.label;
      EXPECT_EQ(item, Page().ItemFor(row));
      EXPECT_EQ(item->GetLabel(), FromView(row.label));
      EXPECT_EQ(item->GetCommandId(), row.commandId) << row.label;
      EXPECT_EQ(item->GetDescription(), FromView(row.description)) << row.label;
      EXPECT_EQ(item->IsReadOnly(), row.readOnlyAtBuild) << row.label;
      EXPECT_EQ(item->GetValueBackColor() == shaded, row.encoderOwned) << row.label;
      QStringList options;
      for (const std::string_view option : row.options) options << FromView(option);
      EXPECT_EQ(ComboEntries(*item), options) << row.label;
      item = item->GetNextSibling();
    }
    EXPECT_EQ(item, nullptr) << category.label;
  }
  EXPECT_EQ(categoriesSeen, 4u);
  EXPECT_EQ(Page().ItemFor(*config::FindItemById(config::item_id::kSdiVolume))->GetLabel(), "SDI volume ");
}

// What the operator meets on clicking the value of a row of each kind, and what typing "4a2" leaves there:
// the "version" row opens nothing, a text row takes any text in plain sight, a number row digits only, a
// choice opens its drop-down list, an address its first octet field, which takes digits. Escape closes each
// without a commit.
TEST_F(PageTest, EachRowOpensTheEditorOfItsKind) {
  struct Opened {
    const char* editor;
    QString typed;
  };
  const std::map<ItemKind, Opened> expected{
      {ItemKind::Static, {"kestrine::ui::CPropertyListWnd", {}}},
      {ItemKind::Edit, {"QLineEdit", "4a2"}},
      {ItemKind::Number, {"QLineEdit", "42"}},
      {ItemKind::Combo, {"QComboBox", {}}},
      {ItemKind::Address, {"kestrine::ui::CAddressFieldEdit", "42"}},
  };
  ShowActive();
  for (const config::PropertyItemRow& row : config::PropertyItemRows()) {
    ui::CPropertyItem& item = *Page().ItemFor(row);
    if (item.IsReadOnly()) continue;
    ClickValue(item);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr) << row.label;
    EXPECT_STREQ(editor->metaObject()->className(), expected.at(row.kind).editor) << row.label;
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      EXPECT_EQ(line->echoMode(), QLineEdit::Normal) << row.label;
      QTest::keyClicks(line, "4a2");
      EXPECT_EQ(line->text(), expected.at(row.kind).typed) << row.label;
    }
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(item.GetDisplayText(), row.kind == ItemKind::Address ? "0.0.0.0" : "") << row.label;
  }
  EXPECT_TRUE(commands_.empty());
}

TEST_F(PageTest, ThePageStartsWithTheListsEitherSideOfA390PixelDivider) {
  ShowActive();
  EXPECT_EQ(Page().DividerPosition(), 390);
  EXPECT_EQ(Page().LeftTree().geometry(), QRect(0, 0, 389, kPageHeight));
  EXPECT_EQ(Page().RightTree().geometry(), QRect(391, 0, kPageWidth - 392, kPageHeight));
  EXPECT_EQ(Page().LeftTree().GetDividerPos(), 200);
  EXPECT_EQ(Page().RightTree().GetDividerPos(), 200);
}

}  // namespace
}  // namespace kestrine::app::test
