#include "app/ConfigurationPage.h"

#include <memory>

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QResizeEvent>

#include "app/DividerTracker.h"
#include "config/EditRules.h"
#include "config/PropertyItemTable.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/StaticPropertyItem.h"
#include "property_tree/SystemColors.h"

// The page's resources live in a static library, which nothing else would pull into the program.
// (Outside any namespace: the macro declares the resource's initialiser where it is used.)
static void InitPageResources() { Q_INIT_RESOURCE(page); }

namespace kestrine::app {
namespace {

using config::ItemKind;

// Shaded gutter and coloured category bars; no description pane (the rows hold their descriptions unseen).
constexpr std::uint32_t kListOptions = ui::PROPS_SHADED_GUTTER | ui::PROPS_CATEGORY_COLORS;
constexpr std::uint32_t kEmphasisedCategoryColor = 0xFFC8C8;  // COLORREF: red 200, green 200, blue 255
constexpr std::uint32_t kCategoryColor = 0xDCDCDC;
constexpr std::uint32_t kEncoderOwnedValueColor = 0xF0F0F0;
constexpr int kLabelColumnWidth = 200;
constexpr int kGapWidth = 2;
constexpr int kSplitCursorHotX = 12;
constexpr int kSplitCursorHotY = 14;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::size_t SideIndex(config::PageSide side) { return side == config::PageSide::Left ? 0 : 1; }

std::unique_ptr<ui::CPropertyItem> MakeItem(const config::PropertyItemRow& row) {
  switch (row.kind) {
    case ItemKind::Static:
      return std::make_unique<ui::CStaticPropertyItem>();
    case ItemKind::Edit:
    case ItemKind::Number:
      return std::make_unique<ui::CEditPropertyItem>(row.commandId);
    case ItemKind::Combo:
      return std::make_unique<ui::CComboPropertyItem>(row.commandId);
    case ItemKind::Address:
      return std::make_unique<ui::CIPAddressPropertyItem>(row.commandId);
  }
  return nullptr;
}

void CreateEditor(ui::CPropertyItem& item, const config::PropertyItemRow& row) {
  switch (row.kind) {
    case ItemKind::Static:
      break;
    case ItemKind::Edit:
      static_cast<ui::CEditPropertyItem&>(item).CreateEditor(0);
      break;
    case ItemKind::Number:
      static_cast<ui::CEditPropertyItem&>(item).CreateEditor(ui::PROP_EDIT_NUMBER);
      break;
    case ItemKind::Combo:
      static_cast<ui::CComboPropertyItem&>(item).CreateEditor();
      break;
    case ItemKind::Address:
      static_cast<ui::CIPAddressPropertyItem&>(item).CreateEditor();
      break;
  }
}

QCursor LoadSplitCursor() {
  InitPageResources();
  return QCursor(QPixmap(QStringLiteral(":/page/split_cursor.xpm")), kSplitCursorHotX, kSplitCursorHotY);
}

void FillList(ui::CComboPropertyItem& combo, std::span<const std::string_view> options) {
  for (const std::string_view option : options) combo.AddString(FromUtf8(option));
}

}  // namespace

ConfigurationPage::ConfigurationPage(QWidget* parent)
    : QWidget(parent), splitCursor_(LoadSplitCursor()) {
  grip_ = new QWidget(this);
  grip_->setCursor(splitCursor_);
  BuildPage();
  tracker_ = new DividerTracker(this);
}

ConfigurationPage::~ConfigurationPage() {
  if (dragging_) QApplication::restoreOverrideCursor();
}

bool ConfigurationPage::BuildPage() {
  if (!lists_.empty()) return true;
  const auto rows = config::PropertyItemRows();
  items_.assign(rows.size(), nullptr);
  listedOptions_.assign(rows.size(), {});
  for (const std::size_t side : {std::size_t{0}, std::size_t{1}}) {
    if (!CreateList(side)) return false;
    // One layout per list once its rows are in, not one per row added.
    const ui::CPropertyTreeCtrl::BatchUpdate batch(*lists_[side]);
    for (const config::CategoryRow& category : config::PropertyCategories()) {
      if (SideIndex(category.side) == side) AddCategoryRows(*lists_[side], category);
    }
  }
  PlaceLists();
  return true;
}

bool ConfigurationPage::CreateList(std::size_t side) {
  auto* list = new ui::CPropertyTreeCtrl(this);
  if (!list->Create(rect(), this, kListOptions, -1)) {
    delete list;
    return false;
  }
  connect(list, &ui::CPropertyTreeCtrl::ItemCommand, this,
          [this](int id, ui::CPropertyItem* /*item*/) { emit ItemCommand(id); }, Qt::DirectConnection);
  lists_.resize(side + 1);
  lists_[side] = list;
  return true;
}

void ConfigurationPage::AddCategoryRows(ui::CPropertyTreeCtrl& list, const config::CategoryRow& category) {
  ui::CPropertyItem* bar = list.AddItem(std::make_unique<ui::CPropertyItem>());
  bar->SetLabel(FromUtf8(category.label));
  bar->SetCategoryColor(ui::ColorFromColorRef(category.emphasised ? kEmphasisedCategoryColor : kCategoryColor));
  bar->SetExpanded(true);
  const auto rows = config::PropertyItemRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].category == category.category) items_[i] = AddRowItem(list, *bar, rows[i]);
  }
}

ui::CPropertyItem* ConfigurationPage::AddRowItem(ui::CPropertyTreeCtrl& list, ui::CPropertyItem& category,
                                                 const config::PropertyItemRow& row) {
  ui::CPropertyItem* item = list.AddItem(MakeItem(row), &category);
  item->SetLabel(FromUtf8(row.label));
  if (!row.description.empty()) item->SetDescription(FromUtf8(row.description));
  if (row.readOnlyAtBuild) item->SetReadOnly(true);
  if (row.encoderOwned) item->SetValueBackColor(ui::ColorFromColorRef(kEncoderOwnedValueColor));
  CreateEditor(*item, row);
  if (row.kind == ItemKind::Combo) {
    FillList(static_cast<ui::CComboPropertyItem&>(*item), row.options);
    listedOptions_[static_cast<std::size_t>(&row - config::PropertyItemRows().data())] = row.options;
  }
  return item;
}

ui::CPropertyItem* ConfigurationPage::ItemFor(const config::PropertyItemRow& row) const {
  const auto rows = config::PropertyItemRows();
  const auto index = static_cast<std::size_t>(&row - rows.data());
  return index < items_.size() ? items_[index] : nullptr;
}

// ---- Showing the model -------------------------------------------------------------------------------

void ConfigurationPage::ClearPage() {
  model_.Clear();
  ShowModelRows();
}

void ConfigurationPage::RefreshPage(const config::EncoderConfiguration* record) {
  model_.Show(record);
  ShowModelRows();
}

void ConfigurationPage::ShowModelRows() {
  for (std::size_t i = 0; i < items_.size(); ++i) ShowRow(i);
  // Invalidate without erasing: the lists paint every pixel of their rows themselves.
  for (ui::CPropertyTreeCtrl* list : lists_) list->GetListWnd()->update();
}

void ConfigurationPage::ShowRow(std::size_t index) {
  const config::PropertyItemRow& row = config::PropertyItemRows()[index];
  const config::RowDisplay& shown = model_.RowAt(index);
  ui::CPropertyItem& item = *items_[index];
  switch (row.kind) {
    case ItemKind::Static:
      static_cast<ui::CStaticPropertyItem&>(item).SetValueText(FromUtf8(shown.text));
      break;
    case ItemKind::Edit:
    case ItemKind::Number:
      static_cast<ui::CEditPropertyItem&>(item).SetWindowText(FromUtf8(shown.text));
      break;
    case ItemKind::Combo: {
      auto& combo = static_cast<ui::CComboPropertyItem&>(item);
      // The lists are tables of the core: the same table is the same list, so only a switch rebuilds.
      const std::span<const std::string_view> listed = listedOptions_[index];
      if (shown.options.data() != listed.data() || shown.options.size() != listed.size()) {
        combo.ResetContent();
        FillList(combo, shown.options);
        listedOptions_[index] = shown.options;
      }
      combo.SetCurSel(shown.position);
      break;
    }
    case ItemKind::Address:
      static_cast<ui::CIPAddressPropertyItem&>(item).SetAddress(shown.hostAddress);
      break;
  }
  item.SetReadOnly(shown.readOnly);
}

// ---- Commits ----------------------------------------------------------------------------------------

config::EditorValue ConfigurationPage::ReadEditor(std::size_t index) const {
  const config::PropertyItemRow& row = config::PropertyItemRows()[index];
  ui::CPropertyItem& item = *items_[index];
  switch (row.kind) {
    case ItemKind::Edit:
    case ItemKind::Number:
      return config::EditorValue::Text(static_cast<ui::CEditPropertyItem&>(item).GetWindowText().toStdString());
    case ItemKind::Combo: {
      const auto& combo = static_cast<ui::CComboPropertyItem&>(item);
      return config::EditorValue::Choice(combo.GetCurSel(), combo.GetWindowText().toStdString());
    }
    case ItemKind::Address:
      return config::EditorValue::Address(static_cast<ui::CIPAddressPropertyItem&>(item).GetAddress());
    case ItemKind::Static:
      break;
  }
  return {};
}

void ConfigurationPage::ApplyPropertyEdit(int id, config::EncoderConfiguration* record) {
  if (record == nullptr) return;
  if (const config::PropertyItemRow* row = config::FindItemById(id)) {
    const auto index = static_cast<std::size_t>(row - config::PropertyItemRows().data());
    const config::EditOutcome outcome = model_.CommitTyped(id, ReadEditor(index), *record);
    if (outcome.result == config::EditResult::Refused) Warn(outcome.warning);
  }
  RefreshPage(record);
}

void ConfigurationPage::Warn(std::string_view text) {
  if (warningSink_ != nullptr) {
    warningSink_->ShowEditWarning(text);
    return;
  }
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), FromUtf8(text), QMessageBox::Ok, window());
  box.exec();
}

net::WriteRequest ConfigurationPage::BuildWriteRequest() const {
  const auto text = [this](int id) {
    return static_cast<ui::CEditPropertyItem*>(ItemFor(*config::FindItemById(id)))->GetWindowText();
  };
  return {.currentPasswordGiven = !text(config::item_id::kPassword).isEmpty(),
          .newPasswordGiven = !text(config::item_id::kNewPassword).isEmpty()};
}

// ---- The divider between the lists -----------------------------------------------------------------

void ConfigurationPage::PlaceLists() {
  if (lists_.size() != 2) return;
  // The divider is never held inside the page: dragged past an edge, a list is left with no width.
  const int height = this->height();
  lists_[0]->setGeometry(0, 0, dividerPos_ - 1, height);
  lists_[1]->setGeometry(dividerPos_ + 1, 0, width() - dividerPos_ - kGapWidth, height);
  grip_->setGeometry(dividerPos_ - 1, 0, kGapWidth, height);
}

void ConfigurationPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (event->size().width() <= 0 || event->size().height() <= 0 || lists_.size() != 2) return;
  PlaceLists();
  for (ui::CPropertyTreeCtrl* list : lists_) list->SetDividerPos(kLabelColumnWidth);
}

void ConfigurationPage::mousePressEvent(QMouseEvent* event) {
  // Presses reach the page only in the gap between the lists.
  if (event->button() == Qt::LeftButton && !dragging_) {
    dragging_ = true;
    QApplication::setOverrideCursor(splitCursor_);
  }
  QWidget::mousePressEvent(event);
  event->accept();
}

void ConfigurationPage::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    dividerPos_ = event->position().toPoint().x();
    tracker_->ShowAt(dividerPos_);
  }
  QWidget::mouseMoveEvent(event);
}

void ConfigurationPage::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) EndDrag();
  QWidget::mouseReleaseEvent(event);
}

void ConfigurationPage::EndDrag() {
  dragging_ = false;
  tracker_->hide();
  QApplication::restoreOverrideCursor();
  // The label columns stay where the operator left them until the page is resized.
  PlaceLists();
}

}  // namespace kestrine::app
