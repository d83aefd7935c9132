#include "property_tree/IPAddressPropertyItem.h"

#include <QApplication>

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
  editor->SetDotColor(GetValueTextColor());
  editor->setCursor(Qt::ArrowCursor);
  PlaceEditor();
  editor->hide();
  QObject::connect(editor, &CIPAddressCtrl::FocusEntered, editor, [this] { hasFocus_ = true; });
  QObject::connect(editor, &CIPAddressCtrl::FocusLeft, editor, [this](QWidget* newFocus) { OnFocusLeft(newFocus); });
  for (int i = 0; i < CIPAddressCtrl::kFieldCount; ++i) {
    new CEditorEventRelay(editor->GetField(i), [](QObject*, QEvent* event) { return IsTabKeyPress(event); });
  }
  return true;
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
  RowPainter::DrawValueText(painter, valueRect, GetDisplayText(), ValueColorForState(GetSysColor(SysColor::WindowText)),
                            false);
}

void CIPAddressPropertyItem::OnBeginEdit() {
  if (!editor_) return;
  editor_->show();
  PlaceEditor();
  editor_->setFocus();
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
