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
  new CEditorEventRelay(editor, [this](QObject* watched, QEvent* event) { return WatchEditor(watched, event); });
  return true;
}

// A number editor takes digits only; keys that type nothing (moves, deletions) pass.
bool CEditPropertyItem::RejectsTypedKey(const QEvent* event) const {
  if (event->type() != QEvent::KeyPress || !HasEditFlag(PROP_EDIT_NUMBER)) return false;
  const QString text = static_cast<const QKeyEvent*>(event)->text();
  if (text.isEmpty() || !text.front().isPrint()) return false;
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return true;
  }
  return false;
}

bool CEditPropertyItem::WatchEditor(QObject* editor, QEvent* event) {
  return HandleEditorEvent(editor, event, {.enterIsText = wantReturn_}) || RejectsTypedKey(event);
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
  if (HasEditorFocus() || !GetOwner() || !editor) return;
  editor->setGeometry(GetValueRect());
}

void CEditPropertyItem::PaintValue(QPainter& painter, const QRect& valueRect) {
  if (HasEditorFocus() || !GetOwner() || !GetEditor()) return;
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
  if (!HasEditorFocus() && editor) editor->hide();
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
  SetWindowText(textBeforeEdit_);
  HideEditorWidget(GetEditor());
}

void CEditPropertyItem::DestroyEditor() {
  DeleteEditorWidget(line_);
  DeleteEditorWidget(multi_);
}

void CEditPropertyItem::OnUnhighlight() { HideEditorWidget(GetEditor()); }

}  // namespace kestrine::ui
