#include "property_tree/IPAddressPropertyItem.h"

#include <QApplication>
#include <QKeyEvent>

#include "property_tree/AddressFieldEdit.h"
#include "property_tree/EditorEventRelay.h"
#include "property_tree/IPAddressCtrl.h"
#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/RowPainter.h"
#include "property_tree/SystemColors.h"

namespace kestrine::ui {

CIPAddressPropertyItem::CIPAddressPropertyItem(int commandId) : CPropertyItem(commandId) {}

CIPAddressPropertyItem::~CIPAddressPropertyItem() { DeleteEditorWidget(editor_); }

bool CIPAddressPropertyItem::CreateEditor(std::uint32_t /*extraStyle*/) {
  if (!GetOwner() || editor_) return false;
  auto* editor = new CIPAddressCtrl(GetEditorParent());
  editor_ = editor;
  editor->SetFramed(false);
  editor->setFont(CPropertyFonts::Normal());
  editor->setCursor(Qt::ArrowCursor);
  PlaceEditor();
  editor->hide();
  QObject::connect(editor, &CIPAddressCtrl::FocusEntered, editor, [this] { hasFocus_ = true; });
  QObject::connect(editor, &CIPAddressCtrl::FocusLeft, editor, [this](QWidget* newFocus) { OnFocusLeft(newFocus); });
  for (int i = 0; i < CIPAddressCtrl::kFieldCount; ++i) {
    new CEditorEventRelay(editor->GetField(i),
                          [this](QObject* field, QEvent* event) { return WatchFieldKey(field, event); });
  }
  return true;
}

bool CIPAddressPropertyItem::WatchFieldKey(QObject* field, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !editor_) return false;
  const auto* key = static_cast<const QKeyEvent*>(event);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      hasFocus_ = false;
      EndEdit();
      return true;
    case Qt::Key_Escape:
      CancelEdit();
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      // Between the fields Tab moves as the address editor itself moves it; past either end it leaves the
      // editor for the next or previous row.
      const bool backwards = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) != 0;
      const int index = editor_->FieldIndexOf(field);
      const bool leaves = backwards ? index == 0 : index == CIPAddressCtrl::kFieldCount - 1;
      if (!leaves) return false;
      hasFocus_ = false;
      CommitAndMove(backwards);
      return true;
    }
    default:
      return false;
  }
}

void CIPAddressPropertyItem::OnFocusLeft(QWidget* newFocus) {
  CPropertyTreeCtrl* owner = GetOwner();
  if (!owner || !newFocus) return;
  // Only a move to another window of this control commits; elsewhere the editor stays open.
  if (newFocus != owner && owner->isAncestorOf(newFocus)) {
    hasFocus_ = false;
    EndEdit();
  }
}

CIPAddressCtrl* CIPAddressPropertyItem::GetEditor() const { return editor_; }

void CIPAddressPropertyItem::SetAddress(std::uint32_t hostOrder) {
  if (editor_) editor_->SetAddress(hostOrder);
}

std::uint32_t CIPAddressPropertyItem::GetAddress() const { return editor_ ? editor_->GetAddress() : 0; }

bool CIPAddressPropertyItem::IsBlank() const { return !editor_ || editor_->IsBlank(); }

void CIPAddressPropertyItem::ClearAddress() {
  if (editor_) editor_->ClearAddress();
}

QString CIPAddressPropertyItem::GetDisplayText() const {
  const std::uint32_t address = GetAddress();
  return QStringLiteral("%1.%2.%3.%4")
      .arg((address >> 24) & 0xFFu)
      .arg((address >> 16) & 0xFFu)
      .arg((address >> 8) & 0xFFu)
      .arg(address & 0xFFu);
}

void CIPAddressPropertyItem::PlaceEditor() {
  editor_->setGeometry(GetValueRect());
  editor_->LayoutFields();
}

void CIPAddressPropertyItem::OnRowLaidOut() {
  if (hasFocus_ || !GetOwner() || !editor_) return;
  editor_->hide();
  PlaceEditor();
}

void CIPAddressPropertyItem::PaintValue(QPainter& painter, const QRect& valueRect) {
  if (hasFocus_ || !GetOwner() || !editor_) return;
  RowPainter::DrawValueText(painter, valueRect, GetDisplayText(), ValueColorForState(GetSysColor(GetPalette(), SysColor::WindowText)),
                            false);
}

void CIPAddressPropertyItem::OnBeginEdit() {
  if (!editor_) return;
  textsBeforeEdit_ = editor_->FieldTexts();
  editor_->SetDotColor(GetValueTextColor());
  editor_->show();
  PlaceEditor();
  editor_->SetFieldFocus(0);
}

void CIPAddressPropertyItem::OnRelayout() {
  if (editor_) PlaceEditor();
  if (!hasFocus_ && editor_) editor_->hide();
}

void CIPAddressPropertyItem::OnValueRefresh() {
  if (editor_) PlaceEditor();
}

void CIPAddressPropertyItem::OnEndEdit() {
  HideEditorWidget(editor_);
  ReportCommand();
}

void CIPAddressPropertyItem::OnCancelEdit() {
  hasFocus_ = false;
  if (!editor_) return;
  editor_->SetFieldTexts(textsBeforeEdit_);
  HideEditorWidget(editor_);
}

void CIPAddressPropertyItem::DestroyEditor() { DeleteEditorWidget(editor_); }

void CIPAddressPropertyItem::OnUnhighlight() {
  // An edit left open when the focus went outside the control ends once the user moves on inside it.
  // Hiding it uncommitted would leave the row blank (it is still marked as being edited) and the typed
  // address neither applied nor undone.
  if (hasFocus_ && editor_ && !editor_->isAncestorOf(QApplication::focusWidget())) {
    hasFocus_ = false;
    EndEdit();
  }
  HideEditorWidget(editor_);
}

}  // namespace kestrine::ui
