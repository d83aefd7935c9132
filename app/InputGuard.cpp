#include "app/InputGuard.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace kestrine::app {
namespace {

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

// Input reaches a window first, then its widget: either may be the one the event is for.
bool IsForModalBox(const QObject* watched) {
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) return false;
  if (const auto* widget = qobject_cast<const QWidget*>(watched)) return widget->window() == modal;
  if (const auto* window = qobject_cast<const QWindow*>(watched)) return window == modal->windowHandle();
  return false;
}

}  // namespace

InputGuard::InputGuard(QObject* parent) : QObject(parent) {}

InputGuard::~InputGuard() { Remove(); }

void InputGuard::Install() {
  if (installed_) return;
  QCoreApplication::instance()->installEventFilter(this);
  installed_ = true;
}

void InputGuard::Remove() {
  if (!installed_) return;
  if (QCoreApplication* application = QCoreApplication::instance()) application->removeEventFilter(this);
  installed_ = false;
}

void InputGuard::Begin() {
  if (depth_++ == 0) Install();
}

void InputGuard::End() {
  if (depth_ == 0) return;
  if (depth_ == 1) {
    // Input the window system still holds was given while the operation ran: it is taken now, and dropped.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  if (--depth_ == 0 && heldButtons_ == Qt::NoButton) Remove();
}

bool InputGuard::DropsAfterEnd(QEvent* event) {
  if (event->type() != QEvent::MouseButtonRelease) return false;
  const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
  if (!heldButtons_.testFlag(button)) return false;
  heldButtons_.setFlag(button, false);
  if (heldButtons_ == Qt::NoButton) Remove();
  return true;
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event) {
  if (!IsInput(event->type())) return false;
  if (depth_ == 0) return DropsAfterEnd(event);
  if (IsForModalBox(watched)) return false;
  if (event->type() == QEvent::MouseButtonPress) heldButtons_ |= static_cast<QMouseEvent*>(event)->button();
  if (event->type() == QEvent::MouseButtonRelease) {
    heldButtons_.setFlag(static_cast<QMouseEvent*>(event)->button(), false);
  }
  // Accepted, the key is no shortcut's either.
  if (event->type() == QEvent::ShortcutOverride) event->accept();
  return true;
}

}  // namespace kestrine::app
