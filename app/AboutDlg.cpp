#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/DialogUnits.h"
#include "app/PaintedIcons.h"

namespace kestrine::app {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("aboutDialog");
  setAccessibleName("About Tavrix");
  setWindowTitle(QStringLiteral("About Tavrix"));
  setModal(true);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 9));
  const DialogUnits units(font());
  setFixedSize(units.Size(235, 55));

  const QSize iconSize = DesignSize(Picture::Program);
  auto* icon = new QLabel(this);
  icon->setObjectName("programIcon");
  icon->setAccessibleName("Program icon");
  icon->setPixmap(PaintedIcon(Picture::Program).pixmap(iconSize, devicePixelRatioF()));
  icon->setGeometry(QRect(QPoint(units.X(11), units.Y(17)), iconSize));

  auto* text = new QLabel(QStringLiteral("Kestrine Management Software"), this);
  text->setObjectName("aboutText");
  text->setAccessibleName("Kestrine Management Software");
  text->setGeometry(units.Rect(39, 10, 119, 8));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("okButton");
  ok->setAccessibleName("OK");
  ok->setDefault(true);
  ok->setGeometry(units.Rect(178, 7, 50, 14));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kestrine::app
