#include "app/ModalMessageBoxes.h"

namespace kestrine::app {

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
