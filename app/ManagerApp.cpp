#include "app/ManagerApp.h"

#include <QScreen>

#include "app/AppTexts.h"
#include "app/MainFrame.h"
#include "app/ModalMessageBoxes.h"
#include "app/PaintedIcons.h"
#include "platform/Socket.h"

namespace kestrine::app {

CManagerApp::CManagerApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("kestrine"));
  setDesktopFileName(QStringLiteral("kestrine"));
  setWindowIcon(PaintedIcon(Picture::Program));
}

CManagerApp::~CManagerApp() = default;

bool CManagerApp::InitInstance(ShellSettings settings) {
  // Only Windows has a socket layer to start; elsewhere this cannot fail.
  if (!platform::StartSocketLayer()) {
    DefaultMessageBoxes().Show({nullptr, QString::fromLatin1(kInitSockFailed), QString::fromLatin1(kApplicationTitle),
                                QMessageBox::NoIcon});
    return false;
  }
  mainFrame_ = std::make_unique<CMainFrame>(std::move(settings));
  // Without a window manager "maximized" means nothing; the screen's size is the same thing there.
  if (const QScreen* screen = primaryScreen()) mainFrame_->setGeometry(screen->availableGeometry());
  mainFrame_->showMaximized();
  return true;
}

}  // namespace kestrine::app
