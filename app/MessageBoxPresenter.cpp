#include "app/MessageBoxPresenter.h"

#include "app/AppTexts.h"

namespace kestrine::app {

void MessageBoxPresenter::Warn(QWidget* owner, const QString& text) {
  Show({owner, text, QString::fromLatin1(kWarningCaption), QMessageBox::Warning});
}

void ModalMessageBoxes::Show(const MessageBoxRequest& request) {
  QMessageBox box(request.icon, request.caption, request.text, QMessageBox::Ok, request.owner);
  box.setObjectName("messageBox");
  box.setAccessibleName(request.caption);
  box.exec();
}

MessageBoxPresenter& DefaultMessageBoxes() {
  static ModalMessageBoxes boxes;
  return boxes;
}

}  // namespace kestrine::app
