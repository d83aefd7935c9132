#include "property_tree/PropertyItem.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include "property_tree/EditorEventRelay.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/SystemColors.h"

namespace kestrine::ui {

CPropertyItem::CPropertyItem(int commandId)
    : rowHeight_(geometry::kDefaultRowHeight), commandId_(commandId) {}

CPropertyItem::~CPropertyItem() {
  // Children are freed one after the other so that a long sibling list never recurses deeply.
  std::unique_ptr<CPropertyItem> child = std::move(firstChild_);
  while (child) {
    std::unique_ptr<CPropertyItem> next = std::move(child->nextSibling_);
    child.reset();
    child = std::move(next);
  }
}

CPropertyItem* CPropertyItem::AppendChild(std::unique_ptr<CPropertyItem> child) {
  if (!child) return nullptr;
  CPropertyItem* raw = child.get();
  raw->parent_ = this;
  std::unique_ptr<CPropertyItem>* slot = &firstChild_;
  while (*slot) slot = &(*slot)->nextSibling_;
  *slot = std::move(child);
  return raw;
}

std::unique_ptr<CPropertyItem> CPropertyItem::DetachChild(CPropertyItem* child) {
  std::unique_ptr<CPropertyItem>* slot = &firstChild_;
  while (*slot && slot->get() != child) slot = &(*slot)->nextSibling_;
  if (!*slot) return nullptr;
  std::unique_ptr<CPropertyItem> detached = std::move(*slot);
  *slot = std::move(detached->nextSibling_);
  detached->parent_ = nullptr;
  return detached;
}

void CPropertyItem::SetHighlighted(bool highlighted) {
  highlighted_ = highlighted;
  if (highlighted) {
    OnHighlight();
  } else {
    OnUnhighlight();
  }
}

void CPropertyItem::SetExpanded(bool expanded) {
  if (!owner_) return;
  expanded_ = expanded;
  owner_->PropagateExpand(this, expanded);
}

bool CPropertyItem::IsCategory() const { return owner_ && parent_ == &owner_->GetRootItem(); }

int CPropertyItem::GetSubtreeHeight() const {
  int height = rowHeight_;
  if (expanded_) {
    for (const CPropertyItem* child = firstChild_.get(); child; child = child->GetNextSibling()) {
      height += child->GetSubtreeHeight();
    }
  }
  return height;
}

bool CPropertyItem::HitExpander(QPoint contentPoint) const { return expanderRect_.contains(contentPoint); }

void CPropertyItem::BeginEdit() {
  committed_ = false;
  OnBeginEdit();
}

void CPropertyItem::EndEdit() {
  if (committed_) return;
  committed_ = true;
  if (!owner_) return;
  OnEndEdit();
  owner_->SendNotify(PROPN_VALUE_COMMITTED, this);
  owner_->RefreshValues(this);
}

void CPropertyItem::CancelEdit() {
  if (committed_) return;
  committed_ = true;
  if (!owner_) return;
  OnCancelEdit();
  owner_->RefreshValues(this);
}

void CPropertyItem::CommitAndMove(bool backwards) {
  // The host may rebuild the rows while it takes the command, this one included.
  const QPointer<CPropertyListWnd> list = owner_ ? owner_->GetListWnd() : nullptr;
  EndEdit();
  if (list) list->StepFromEditor(backwards);
}

bool CPropertyItem::HandleEditorEvent(const QObject* part, const QEvent* event, EditorKeys keys) {
  switch (event->type()) {
    case QEvent::FocusIn:
      if (keys.followsFocus) editorFocus_ = true;
      return false;
    case QEvent::FocusOut:
      // A popup of the editor (its opened list, a context menu) does not end the edit.
      if (keys.followsFocus && !IsPopupFocusChange(event) && owner_) {
        editorFocus_ = false;
        EndEdit();
      }
      return false;
    case QEvent::KeyPress:
      return HandleEditorKey(part, static_cast<const QKeyEvent&>(*event), keys);
    default:
      return false;
  }
}

bool CPropertyItem::HandleEditorKey(const QObject* part, const QKeyEvent& key, EditorKeys keys) {
  switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (keys.enterIsText) return false;
      editorFocus_ = false;
      EndEdit();
      return true;
    case Qt::Key_Escape:
      editorFocus_ = false;
      CancelEdit();
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      // Tab leaves every editor, a multi-line one too: with Enter breaking lines there, it is the only key
      // that commits.
      const bool backwards = key.key() == Qt::Key_Backtab || (key.modifiers() & Qt::ShiftModifier) != 0;
      if (!TabLeavesEditor(part, backwards)) return false;
      editorFocus_ = false;
      CommitAndMove(backwards);
      return true;
    }
    default:
      return false;
  }
}

QPalette CPropertyItem::GetPalette() const { return owner_ ? owner_->palette() : QGuiApplication::palette(); }

namespace {

QColor SetOr(const QColor& set, const QPalette& palette, SysColor fallback) {
  return set.isValid() ? set : GetSysColor(palette, fallback);
}

}  // namespace

QColor CPropertyItem::GetValueBackColor() const { return SetOr(valueBackColor_, GetPalette(), SysColor::Window); }

QColor CPropertyItem::GetValueTextColor() const { return SetOr(valueTextColor_, GetPalette(), SysColor::BtnText); }

QColor CPropertyItem::GetCategoryColor() const { return SetOr(categoryColor_, GetPalette(), SysColor::BtnFace); }

QColor CPropertyItem::GetLabelTextColor() const { return SetOr(labelTextColor_, GetPalette(), SysColor::BtnText); }

QColor CPropertyItem::GetLabelBackColor() const { return SetOr(labelBackColor_, GetPalette(), SysColor::Window); }

void CPropertyItem::PaintValue(QPainter& /*painter*/, const QRect& /*valueRect*/) {}

bool CPropertyItem::IsOwnerEnabled() const { return owner_ && owner_->isEnabled(); }

QColor CPropertyItem::ValueColorForState(const QColor& editableColor) const {
  return !readOnly_ && IsOwnerEnabled() ? editableColor : GetSysColor(GetPalette(), SysColor::GrayText);
}

void CPropertyItem::ReportCommand() {
  if (owner_ && commandId_ != 0) owner_->ReportCommand(commandId_, this);
}

QWidget* CPropertyItem::GetEditorParent() const { return owner_ ? owner_->GetListWnd() : nullptr; }

void CPropertyItem::HideEditorWidget(QWidget* editor) const {
  if (!editor) return;
  QWidget* list = GetEditorParent();
  if (list && (editor->hasFocus() || editor->isAncestorOf(QApplication::focusWidget()))) list->setFocus();
  editor->hide();
}

void CPropertyItem::DeleteEditorWidget(QWidget* editor) {
  if (!editor) return;
  editor->blockSignals(true);
  for (CEditorEventRelay* relay : editor->findChildren<CEditorEventRelay*>()) delete relay;
  delete editor;
}

}  // namespace kestrine::ui
