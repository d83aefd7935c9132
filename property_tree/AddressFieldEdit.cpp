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
  if (text().toInt() > kMaxValue) setText(QString::number(kMaxValue));
}

bool CAddressFieldEdit::CaretAtStart() const { return !hasSelectedText() && cursorPosition() == 0; }

bool CAddressFieldEdit::CaretAtEnd() const { return !hasSelectedText() && cursorPosition() == text().size(); }

void CAddressFieldEdit::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  switch (event->key()) {
    case Qt::Key_Delete:
      // The focus moves on, and the deletion still applies here.
      emit AdvanceRequested();
      QLineEdit::keyPressEvent(event);
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
    if (text().size() >= kMaxDigits && !hasSelectedText()) {
      emit OverflowTyped(typed);
      return;
    }
    QLineEdit::keyPressEvent(event);
    if (text().size() >= kMaxDigits && CaretAtEnd()) emit AdvanceRequested();
    return;
  }
  if (typed == QLatin1String(".")) {
    if (!text().isEmpty()) emit AdvanceRequested();
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
  // By now the application already names the widget that takes the focus. A context menu is no move.
  if (!IsPopupFocusChange(event)) emit FocusLeft(QApplication::focusWidget());
  QLineEdit::focusOutEvent(event);
}

}  // namespace kestrine::ui
