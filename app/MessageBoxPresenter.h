#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

namespace kestrine::app {

// One modal message as the operator sees it: text, caption, icon and the window that owns it.
struct MessageBoxRequest {
  QPointer<QWidget> owner;
  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Every message box of the shell goes through here, so tests can record them instead of blocking.
class MessageBoxPresenter {
 public:
  virtual ~MessageBoxPresenter() = default;
  virtual void Show(const MessageBoxRequest& request) = 0;

  // "Warning" with the exclamation icon, the style of every refusal.
  void Warn(QWidget* owner, const QString& text);
};

}  // namespace kestrine::app
