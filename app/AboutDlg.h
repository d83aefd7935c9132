#pragma once

#include <QDialog>

namespace kestrine::app {

// The program's icon, its name and an OK button.
class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace kestrine::app
