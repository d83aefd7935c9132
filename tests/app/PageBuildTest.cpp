// The page's rows as built: everything checked against the item table itself.
#include <QComboBox>

#include <gtest/gtest.h>

#include "PageFixture.h"
#include "config/PropertyItemTable.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/StaticPropertyItem.h"
#include "property_tree/SystemColors.h"

namespace kestrine::app::test {
namespace {

using config::ItemKind;

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool HasKind(ui::CPropertyItem& item, ItemKind kind) {
  switch (kind) {
    case ItemKind::Static:
      return dynamic_cast<ui::CStaticPropertyItem*>(&item) != nullptr;
    case ItemKind::Edit:
    case ItemKind::Number: {
      auto* edit = dynamic_cast<ui::CEditPropertyItem*>(&item);
      return edit != nullptr && edit->GetEditor() != nullptr &&
             edit->HasEditFlag(ui::PROP_EDIT_NUMBER) == (kind == ItemKind::Number) &&
             !edit->HasEditFlag(ui::PROP_EDIT_PASSWORD);
    }
    case ItemKind::Combo:
      return dynamic_cast<ui::CComboPropertyItem*>(&item) != nullptr;
    case ItemKind::Address:
      return dynamic_cast<ui::CIPAddressPropertyItem*>(&item) != nullptr;
  }
  return false;
}

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
      EXPECT_TRUE(HasKind(*item, row.kind)) << row.label;
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
