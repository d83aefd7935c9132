#include "app/AddressDialog.h"

#include <QGroupBox>
#include <QPushButton>
#include <QShowEvent>

#include "app/DialogUnits.h"
#include "app/MessageBoxPresenter.h"
#include "property_tree/IPAddressCtrl.h"

namespace kestrine::app {

AddressDialog::AddressDialog(const AddressDialogTemplate& layout, MessageBoxPresenter& boxes, QWidget* parent)
    : QDialog(parent),
      zeroWarning_(layout.zeroWarning),
      boxes_(boxes),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      addressCtrl_(new ui::CIPAddressCtrl(this)) {
  setObjectName(layout.objectName);
  setAccessibleName(layout.caption);
  setWindowTitle(layout.caption);
  setModal(true);
  setFont(QFont(QStringLiteral("System"), 10));
  const DialogUnits units(font());
  setFixedSize(units.Size(layout.size.width(), layout.size.height()));

  auto* frame = new QGroupBox(QString::fromLatin1(layout.frameText), this);
  frame->setObjectName("addressFrame");
  frame->setAccessibleName(QString::fromLatin1(layout.frameText));
  frame->setGeometry(units.Rect(layout.frame.x(), layout.frame.y(), layout.frame.width(), layout.frame.height()));
  frame->lower();

  ok_->setObjectName("okButton");
  ok_->setAccessibleName("OK");
  ok_->setDefault(true);
  ok_->setGeometry(units.Rect(layout.ok.x(), layout.ok.y(), layout.ok.width(), layout.ok.height()));
  cancel_->setObjectName("cancelButton");
  cancel_->setAccessibleName("Cancel");
  cancel_->setGeometry(units.Rect(layout.cancel.x(), layout.cancel.y(), layout.cancel.width(), layout.cancel.height()));
  addressCtrl_->setObjectName("addressCtrl");
  addressCtrl_->setAccessibleName(QString::fromLatin1(layout.frameText));
  addressCtrl_->setProperty("controlId", layout.addressId);
  addressCtrl_->setGeometry(
      units.Rect(layout.address.x(), layout.address.y(), layout.address.width(), layout.address.height()));

  // Tab order as the template lists the controls: OK, Cancel, then the address.
  setTabOrder(ok_, cancel_);
  setTabOrder(cancel_, addressCtrl_);
  connect(ok_, &QPushButton::clicked, this, &AddressDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &AddressDialog::reject);
}

void AddressDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ok_->setFocus(Qt::OtherFocusReason);  // the first tab stop
}

void AddressDialog::accept() {
  const std::uint32_t address = addressCtrl_->GetAddress();
  if (address == 0) {
    boxes_.Warn(this, QString::fromLatin1(zeroWarning_));
    return;
  }
  address_ = address;
  QDialog::accept();
}

}  // namespace kestrine::app
