#include "property_tree/EditPropertyItem.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "property_tree/EditorEventRelay.h"
#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/RowPainter.h"

namespace kestrine::ui {

CEditPropertyItem::CEditPropertyItem(int commandId) : CPropertyItem(commandId) {}

CEditPropertyItem::~CEditPropertyItem() { CEditPropertyItem::DestroyEditor(); }

QWidget* CEditPropertyItem::GetEditor() const {
  if (multi_) return multi_;
  return line_;
}

QLineEdit* CEditPropertyItem::GetLineEdit() const { return line_; }

QPlainTextEdit* CEditPropertyItem::GetTextEdit() const { return multi_; }

bool CEditPropertyItem::CreateEditor(std::uint32_t flags, std::uint32_t extraStyle) {
  if (!GetOwner() || GetEditor()) return false;
  QWidget* editor = nullptr;
  if (flags & PROP_EDIT_MULTILINE) {
    auto* multi = new QPlainTextEdit(GetEditorParent());
    multi->setLineWrapMode(QPlainTextEdit::NoWrap);
    multi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    multi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    multi_ = multi;
    editor = multi;
  } else {
    auto* line = new QLineEdit(GetEditorParent());
    if (flags & PROP_EDIT_PASSWORD) line->setEchoMode(QLineEdit::Password);
    line_ = line;
    editor = line;
  }
  editor->setFont(CPropertyFonts::Normal());
  flags_ = flags;
  wantReturn_ = (extraStyle & PROP_EDIT_WANTRETURN) != 0;
  if (line_) {
    line_->setCursorPosition(0);
  } else {
    multi_->moveCursor(QTextCursor::Start);
  }
  if (flags & PROP_EDIT_MULTILINE) SetRowHeight(geometry::kMultilineRowHeight);
  editor->setGeometry(GetValueRect());
  editor->hide();
  new CEditorEventRelay(editor, [this](QObject*, QEvent* event) { return WatchEditor(event); });
  return true;
}

bool CEditPropertyItem::RejectsTypedText(const QString& text) const {
  if (!HasEditFlag(PROP_EDIT_NUMBER) || text.isEmpty() || !text.front().isPrint()) return false;
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return true;
  }
  return false;
}

bool CEditPropertyItem::WatchEditor(QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusIn:
      hasFocus_ = true;
      return false;
    case QEvent::FocusOut:
      if (IsPopupFocusChange(event)) return false;  // a context menu does not end the edit
      if (GetOwner()) {
        hasFocus_ = false;
        EndEdit();
      }
      return false;
    case QEvent::KeyPress: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (wantReturn_) return false;
        EndEdit();
        return true;
      }
      if (key->key() == Qt::Key_Escape) {
        CancelEdit();
        return true;
      }
      // Tab leaves every editor, a multi-line one too: with Enter breaking lines there, it is the only key
      // that commits.
      if (IsTabKeyPress(event)) {
        CommitAndMove(key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) != 0);
        return true;
      }
      return RejectsTypedText(key->text());
    }
    default:
      return false;
  }
}

void CEditPropertyItem::SetWindowText(const QString& text) {
  if (line_) {
    line_->setText(text);
  } else if (multi_) {
    multi_->setPlainText(text);
  }
}

QString CEditPropertyItem::GetWindowText() const {
  if (line_) return line_->text();
  if (multi_) return multi_->toPlainText();
  return {};
}

void CEditPropertyItem::SetIntValue(int value) { SetWindowText(QString::number(value)); }

QString CEditPropertyItem::GetDisplayText() const {
  const QString text = GetWindowText();
  return HasEditFlag(PROP_EDIT_PASSWORD) ? QString(text.size(), QLatin1Char('*')) : text;
}

void CEditPropertyItem::OnRowLaidOut() {
  QWidget* editor = GetEditor();
  if (hasFocus_ || !GetOwner() || !editor) return;
  editor->setGeometry(GetValueRect());
}

void CEditPropertyItem::PaintValue(QPainter& painter, const QRect& valueRect) {
  if (hasFocus_ || !GetOwner() || !GetEditor()) return;
  RowPainter::DrawValueText(painter, valueRect, GetDisplayText(), ValueColorForState(GetValueTextColor()),
                            HasEditFlag(PROP_EDIT_MULTILINE));
}

void CEditPropertyItem::OnBeginEdit() {
  QWidget* editor = GetEditor();
  if (!editor) return;
  textBeforeEdit_ = GetWindowText();
  editor->show();
  // The caret goes before the first character with nothing selected, so a long text shows its start.
  if (line_) {
    line_->deselect();
    line_->setCursorPosition(0);
  } else {
    multi_->moveCursor(QTextCursor::Start);
    multi_->ensureCursorVisible();
  }
  editor->setGeometry(GetValueRect());
  editor->setFocus();
}

void CEditPropertyItem::OnRelayout() {
  QWidget* editor = GetEditor();
  if (editor) editor->setGeometry(GetValueRect());
  if (!hasFocus_ && editor) editor->hide();
}

void CEditPropertyItem::OnValueRefresh() {
  if (QWidget* editor = GetEditor()) editor->setGeometry(GetValueRect());
}

void CEditPropertyItem::OnEndEdit() {
  // The host reads and judges the text while the editor still holds it.
  ReportCommand();
  HideEditorWidget(GetEditor());
}

void CEditPropertyItem::OnCancelEdit() {
  hasFocus_ = false;
  SetWindowText(textBeforeEdit_);
  HideEditorWidget(GetEditor());
}

void CEditPropertyItem::DestroyEditor() {
  DeleteEditorWidget(line_);
  DeleteEditorWidget(multi_);
}

void CEditPropertyItem::OnUnhighlight() { HideEditorWidget(GetEditor()); }

}  // namespace kestrine::ui
