#include "property_tree/ComboPropertyItem.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QComboBox>

#include "property_tree/EditorEventRelay.h"
#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/RowPainter.h"

namespace kestrine::ui {

namespace {

// Guards the list against reporting changes the program makes itself.
class SelectionGuard final {
 public:
  explicit SelectionGuard(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~SelectionGuard() { flag_ = previous_; }
  SelectionGuard(const SelectionGuard&) = delete;
  SelectionGuard& operator=(const SelectionGuard&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace

CComboPropertyItem::CComboPropertyItem(int commandId)
    : CPropertyItem(commandId), dropDownHeight_(geometry::kDropDownHeight) {}

CComboPropertyItem::~CComboPropertyItem() { DeleteEditorWidget(combo_); }

bool CComboPropertyItem::CreateEditor(std::uint32_t /*extraStyle*/) {
  if (!GetOwner() || combo_) return false;
  auto* combo = new QComboBox(GetEditorParent());
  combo_ = combo;
  combo->setFont(CPropertyFonts::Normal());
  combo->setCursor(Qt::ArrowCursor);
  // The list drops below the row and is as tall as the drop-down height allows.
  combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  combo->setGeometry(GetValueRect());
  combo->hide();
  // Keys reach the box only while its list is closed; the opened list takes its own Enter and Escape.
  new CEditorEventRelay(combo, [this](QObject* watched, QEvent* event) { return HandleEditorEvent(watched, event); });
  QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [this](int) { OnSelectionChanged(); });
  return true;
}

void CComboPropertyItem::OnSelectionChanged() {
  if (settingSelection_) return;
  ReportCommand();
}

int CComboPropertyItem::AddString(const QString& text) {
  if (!combo_) return -1;
  SelectionGuard guard(settingSelection_);
  const int selected = combo_->currentIndex();
  combo_->addItem(text);
  // Adding an entry never selects it.
  if (combo_->currentIndex() != selected) combo_->setCurrentIndex(selected);
  return combo_->count() - 1;
}

void CComboPropertyItem::ResetContent() {
  if (!combo_) return;
  SelectionGuard guard(settingSelection_);
  combo_->clear();
}

int CComboPropertyItem::SetCurSel(int index) {
  if (!combo_) return -1;
  SelectionGuard guard(settingSelection_);
  const bool valid = index >= 0 && index < combo_->count();
  combo_->setCurrentIndex(valid ? index : -1);
  return valid ? index : -1;
}

QComboBox* CComboPropertyItem::GetEditor() const { return combo_; }

int CComboPropertyItem::GetCurSel() const { return combo_ ? combo_->currentIndex() : -1; }

int CComboPropertyItem::GetCount() const { return combo_ ? combo_->count() : -1; }

QString CComboPropertyItem::GetLBText(int index) const { return combo_ ? combo_->itemText(index) : QString(); }

QString CComboPropertyItem::GetWindowText() const { return combo_ ? combo_->currentText() : QString(); }

void CComboPropertyItem::OnRowLaidOut() {
  if (HasEditorFocus() || !GetOwner() || !combo_) return;
  combo_->setGeometry(GetValueRect());
}

void CComboPropertyItem::PaintValue(QPainter& painter, const QRect& valueRect) {
  if (HasEditorFocus() || !GetOwner() || !combo_) return;
  RowPainter::DrawValueText(painter, valueRect, combo_->currentText(), ValueColorForState(GetValueTextColor()), false);
}

void CComboPropertyItem::FitPopupToDropDownHeight() {
  const int entryHeight = std::max(1, combo_->view()->sizeHintForRow(0));
  combo_->setMaxVisibleItems(std::max(1, dropDownHeight_ / entryHeight));
  // Entries beyond those shown need a sign of themselves; some styles hide the bar of a drop-down list.
  combo_->view()->setVerticalScrollBarPolicy(combo_->count() > combo_->maxVisibleItems() ? Qt::ScrollBarAlwaysOn
                                                                                         : Qt::ScrollBarAsNeeded);
}

void CComboPropertyItem::OnBeginEdit() {
  if (!combo_) return;
  selectionBeforeEdit_ = combo_->currentIndex();
  combo_->show();
  // The row's height is the box; the drop-down height below it is what the opened list may take.
  combo_->setGeometry(GetValueRect());
  FitPopupToDropDownHeight();
  combo_->setFocus();
}

void CComboPropertyItem::OnRelayout() {
  if (combo_) combo_->setGeometry(GetValueRect());
  if (!HasEditorFocus() && combo_) combo_->hide();
}

void CComboPropertyItem::OnValueRefresh() {
  if (combo_) combo_->setGeometry(GetValueRect());
}

void CComboPropertyItem::OnEndEdit() { HideEditorWidget(combo_); }

void CComboPropertyItem::OnCancelEdit() {
  if (!combo_) return;
  if (combo_->currentIndex() != selectionBeforeEdit_) {
    {
      SelectionGuard guard(settingSelection_);
      combo_->setCurrentIndex(selectionBeforeEdit_);
    }
    // The changes made during the edit have reached the host already; it takes the old entry back too.
    ReportCommand();
  }
  HideEditorWidget(combo_);
}

void CComboPropertyItem::DestroyEditor() { DeleteEditorWidget(combo_); }

void CComboPropertyItem::OnUnhighlight() { HideEditorWidget(combo_); }

}  // namespace kestrine::ui
