#include "property_tree/AddressFieldEdit.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "property_tree/EditorEventRelay.h"

namespace kestrine::ui {

namespace {

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

CAddressFieldEdit::CAddressFieldEdit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  setAlignment(Qt::AlignCenter);
  setMaxLength(kMaxDigits);
  setFocusPolicy(Qt::ClickFocus);
  setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
  connect(this, &QLineEdit::textEdited, this, &CAddressFieldEdit::ClampToOctet);
}

int CAddressFieldEdit::Value() const {
  bool ok = false;
  const int value = text().toInt(&ok);
  return ok ? std::min(value, kMaxValue) : 0;
}

void CAddressFieldEdit::SetValue(int value) {
  setText(QString::number(std::clamp(value, 0, kMaxValue)));
}

void CAddressFieldEdit::ClampToOctet() {
  bool ok = false;
  const int typed = text().toInt(&ok);
  if (!ok || typed <= kMaxValue) return;
  // The platform's field keeps the largest octet and selects it, so the next digit starts afresh.
  setText(QString::number(kMaxValue));
  selectAll();
  clamped_ = true;
  emit ValueClamped(typed);
}

bool CAddressFieldEdit::CaretAtStart() const { return !hasSelectedText() && cursorPosition() == 0; }

bool CAddressFieldEdit::CaretAtEnd() const { return !hasSelectedText() && cursorPosition() == text().size(); }

void CAddressFieldEdit::TypeDigit(QKeyEvent* event) {
  if (text().size() >= kMaxDigits && !hasSelectedText()) {
    // A full field takes no more: the digit only moves the focus on, so it never counts twice.
    emit Filled();
    return;
  }
  clamped_ = false;
  QLineEdit::keyPressEvent(event);
  if (!clamped_ && text().size() >= kMaxDigits && CaretAtEnd()) emit Filled();
}

bool CAddressFieldEdit::TakesDotAsConfirmation() const {
  return enteredByFill_ && selectedText().size() == text().size();
}

void CAddressFieldEdit::keyPressEvent(QKeyEvent* event) {
  emit KeyPressed();
  const QString typed = event->text();
  const bool dotConfirmsMove = TakesDotAsConfirmation();
  enteredByFill_ = false;
  switch (event->key()) {
    case Qt::Key_Delete:
      // The deletion applies here, to the selection if there is one, before the focus moves on and the
      // selection goes with it.
      QLineEdit::keyPressEvent(event);
      emit AdvanceRequested();
      return;
    case Qt::Key_Left:
    case Qt::Key_Backspace:
      if (CaretAtStart() && event->modifiers() == Qt::NoModifier) {
        emit StepRequested(-1);
        return;
      }
      break;
    case Qt::Key_Right:
      if (CaretAtEnd() && event->modifiers() == Qt::NoModifier) {
        emit StepRequested(1);
        return;
      }
      break;
    default:
      break;
  }
  if (typed.size() == 1 && IsAsciiDigit(typed.front())) {
    TypeDigit(event);
    return;
  }
  if (typed == QLatin1String(".")) {
    // Typing "239." must not skip the field that filling "239" already moved to.
    if (!dotConfirmsMove && !text().isEmpty()) emit AdvanceRequested();
    return;
  }
  if (!typed.isEmpty() && typed.front().isPrint()) return;  // only digits are taken
  QLineEdit::keyPressEvent(event);
}

void CAddressFieldEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  emit FocusEntered();
}

void CAddressFieldEdit::focusOutEvent(QFocusEvent* event) {
  if (!IsPopupFocusChange(event)) enteredByFill_ = false;
  // By now the application already names the widget that takes the focus. A context menu is no move.
  if (!IsPopupFocusChange(event)) emit FocusLeft(QApplication::focusWidget());
  QLineEdit::focusOutEvent(event);
}

}  // namespace kestrine::ui
