#pragma once

#include <memory>

#include <QApplication>

#include "app/ShellSettings.h"

namespace kestrine::app {

class CMainFrame;

// The application object: starts the socket layer and shows the main window for the whole run.
class CManagerApp final : public QApplication {
  Q_OBJECT

 public:
  CManagerApp(int& argc, char** argv);
  ~CManagerApp() override;

  // False when the program cannot run; it then ends with exit code 1 and no window.
  bool InitInstance(ShellSettings settings = ShellSettings::ForProgram());
  [[nodiscard]] CMainFrame* MainFrame() const { return mainFrame_.get(); }

 private:
  std::unique_ptr<CMainFrame> mainFrame_;
};

}  // namespace kestrine::app
