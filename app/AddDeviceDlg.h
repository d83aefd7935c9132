#pragma once

#include "app/AddressDialog.h"

namespace kestrine::app {

// Asks for one encoder's address; the control starts blank.
class CAddDeviceDlg final : public AddressDialog {
  Q_OBJECT

 public:
  explicit CAddDeviceDlg(MessageBoxPresenter& boxes, QWidget* parent = nullptr);
};

}  // namespace kestrine::app
