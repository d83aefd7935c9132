#include "app/MessageBoxPresenter.h"

#include "app/AppTexts.h"

namespace kestrine::app {

void MessageBoxPresenter::Warn(QWidget* owner, const QString& text) {
  Show({owner, text, QString::fromLatin1(kWarningCaption), QMessageBox::Warning});
}

}  // namespace kestrine::app
