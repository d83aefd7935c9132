#include "app/ConfigurationPage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QResizeEvent>

#include "app/DividerTracker.h"
#include "app/ModalMessageBoxes.h"
#include "app/RowBinding.h"
#include "config/EditRules.h"
#include "config/PropertyItemTable.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/SystemColors.h"

// The page's resources live in a static library, which nothing else would pull into the program.
// (Outside any namespace: the macro declares the resource's initialiser where it is used.)
static void InitPageResources() { Q_INIT_RESOURCE(page); }

namespace kestrine::app {
namespace {

// Shaded gutter and coloured category bars; no description pane (the rows hold their descriptions unseen).
constexpr std::uint32_t kListOptions = ui::PROPS_SHADED_GUTTER | ui::PROPS_CATEGORY_COLORS;
constexpr std::uint32_t kEmphasisedCategoryColor = 0xFFC8C8;  // COLORREF: red 200, green 200, blue 255
constexpr std::uint32_t kCategoryColor = 0xDCDCDC;
constexpr int kLabelColumnWidth = 200;
constexpr int kGapWidth = 2;
constexpr int kSplitCursorHotX = 12;
constexpr int kSplitCursorHotY = 14;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::size_t SideIndex(config::PageSide side) { return side == config::PageSide::Left ? 0 : 1; }

std::size_t IndexOf(const config::PropertyItemRow& row) {
  return static_cast<std::size_t>(&row - config::PropertyItemRows().data());
}

QCursor LoadSplitCursor() {
  InitPageResources();
  return QCursor(QPixmap(QStringLiteral(":/page/split_cursor.xpm")), kSplitCursorHotX, kSplitCursorHotY);
}

}  // namespace

ConfigurationPage::ConfigurationPage(QWidget* parent)
    : QWidget(parent), boxes_(&DefaultMessageBoxes()), splitCursor_(LoadSplitCursor()) {
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
  rows_.resize(config::PropertyItemRows().size());
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
  for (const config::PropertyItemRow& row : config::PropertyItemRows()) {
    if (row.category == category.category) rows_[IndexOf(row)] = RowBinding::Make(list, *bar, row);
  }
}

ui::CPropertyItem* ConfigurationPage::ItemFor(const config::PropertyItemRow& row) const {
  const std::size_t index = IndexOf(row);
  return index < rows_.size() && rows_[index] ? &rows_[index]->Item() : nullptr;
}

// Nothing for a row that could not be built.
config::EditorValue ConfigurationPage::ReadRow(const config::PropertyItemRow& row) const {
  const std::unique_ptr<RowBinding>& binding = rows_[IndexOf(row)];
  return binding ? binding->Read() : config::EditorValue{};
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
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i]) rows_[i]->Show(model_.RowAt(i));
  }
  // Invalidate without erasing: the lists paint every pixel of their rows themselves.
  for (ui::CPropertyTreeCtrl* list : lists_) list->GetListWnd()->update();
}

// ---- Commits ----------------------------------------------------------------------------------------

void ConfigurationPage::ApplyPropertyEdit(int id, config::EncoderConfiguration* record) {
  if (record == nullptr) {
    // Nothing takes the value: the rows show again what they showed before it was typed.
    ShowModelRows();
    return;
  }
  if (const config::PropertyItemRow* row = config::FindItemById(id)) {
    const config::EditOutcome outcome = model_.CommitTyped(id, ReadRow(*row), *record);
    if (outcome.result == config::EditResult::Refused) Warn(outcome.warning);
  }
  RefreshPage(record);
}

void ConfigurationPage::Warn(std::string_view text) { boxes_->Warn(window(), FromUtf8(text)); }

// The editors, not the model: a text typed but not yet committed counts, as it always has.
config::PasswordEntries ConfigurationPage::BuildWriteRequest() const {
  const auto given = [this](int id) { return !ReadRow(*config::FindItemById(id)).text.empty(); };
  return {.currentPasswordGiven = given(config::item_id::kPassword),
          .newPasswordGiven = given(config::item_id::kNewPassword)};
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
