#include "property_tree/EditorEventRelay.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QWidget>

namespace kestrine::ui {

CEditorEventRelay::CEditorEventRelay(QObject* watched, Handler handler)
    : QObject(watched), handler_(std::move(handler)) {
  watched->installEventFilter(this);
}

bool CEditorEventRelay::eventFilter(QObject* watched, QEvent* event) {
  return handler_ ? handler_(watched, event) : false;
}

bool IsPopupFocusChange(const QEvent* event) {
  if (event->type() != QEvent::FocusOut && event->type() != QEvent::FocusIn) return false;
  if (static_cast<const QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) return true;
  // An opened list also hands the focus on inside its popup window.
  const QWidget* focus = QApplication::focusWidget();
  return focus && (focus->window()->windowFlags() & Qt::WindowType_Mask) == Qt::Popup;
}

}  // namespace kestrine::ui
