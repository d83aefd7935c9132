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
  editor->setCursor(Qt::ArrowCursor);
  PlaceEditor();
  editor->hide();
  // The focus moves between the fields without ending the edit: the address editor says when it enters
  // and leaves the editor as a whole.
  QObject::connect(editor, &CIPAddressCtrl::FocusEntered, editor, [this] { SetEditorFocus(true); });
  QObject::connect(editor, &CIPAddressCtrl::FocusLeft, editor, [this](QWidget* newFocus) { OnFocusLeft(newFocus); });
  for (int i = 0; i < CIPAddressCtrl::kFieldCount; ++i) {
    new CEditorEventRelay(editor->GetField(i), [this](QObject* field, QEvent* event) {
      return editor_ && HandleEditorEvent(field, event, {.followsFocus = false});
    });
  }
  return true;
}

// Between the fields Tab moves as the address editor itself moves it; past either end it leaves the editor
// for the next or previous row.
bool CIPAddressPropertyItem::TabLeavesEditor(const QObject* field, bool backwards) const {
  const int index = editor_->FieldIndexOf(field);
  return backwards ? index == 0 : index == CIPAddressCtrl::kFieldCount - 1;
}

void CIPAddressPropertyItem::OnFocusLeft(QWidget* newFocus) {
  CPropertyTreeCtrl* owner = GetOwner();
  if (!owner || !newFocus) return;
  // Only a move to another window of this control commits; elsewhere the editor stays open.
  if (newFocus != owner && owner->isAncestorOf(newFocus)) {
    SetEditorFocus(false);
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
  if (HasEditorFocus() || !GetOwner() || !editor_) return;
  editor_->hide();
  PlaceEditor();
}

void CIPAddressPropertyItem::PaintValue(QPainter& painter, const QRect& valueRect) {
  if (HasEditorFocus() || !GetOwner() || !editor_) return;
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
  if (!HasEditorFocus() && editor_) editor_->hide();
}

void CIPAddressPropertyItem::OnValueRefresh() {
  if (editor_) PlaceEditor();
}

void CIPAddressPropertyItem::OnEndEdit() {
  HideEditorWidget(editor_);
  ReportCommand();
}

void CIPAddressPropertyItem::OnCancelEdit() {
  if (!editor_) return;
  editor_->SetFieldTexts(textsBeforeEdit_);
  HideEditorWidget(editor_);
}

void CIPAddressPropertyItem::DestroyEditor() { DeleteEditorWidget(editor_); }

void CIPAddressPropertyItem::OnUnhighlight() {
  // An edit left open when the focus went outside the control ends once the user moves on inside it.
  // Hiding it uncommitted would leave the row blank (it is still marked as being edited) and the typed
  // address neither applied nor undone.
  if (HasEditorFocus() && editor_ && !editor_->isAncestorOf(QApplication::focusWidget())) {
    SetEditorFocus(false);
    EndEdit();
  }
  HideEditorWidget(editor_);
}

}  // namespace kestrine::ui
