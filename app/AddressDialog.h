#pragma once

#include <cstdint>

#include <QDialog>
#include <QRect>
#include <QSize>

class QPushButton;

namespace kestrine::ui {
class CIPAddressCtrl;
}

namespace kestrine::app {

class MessageBoxPresenter;

// Where everything of an address dialog sits, in dialog units, and what it says.
struct AddressDialogTemplate {
  const char* objectName;
  const char* caption;
  QSize size;
  QRect ok;
  QRect cancel;
  QRect frame;
  const char* frameText;
  QRect address;
  int addressId;
  const char* zeroWarning;
};

// A modal dialog that asks for one IPv4 address and refuses 0 (a blank control) with a warning.
class AddressDialog : public QDialog {
  Q_OBJECT

 public:
  AddressDialog(const AddressDialogTemplate& layout, MessageBoxPresenter& boxes, QWidget* parent);

  // Host order (first octet in the high byte); 0 until OK was accepted.
  [[nodiscard]] std::uint32_t Address() const { return address_; }
  [[nodiscard]] ui::CIPAddressCtrl& AddressCtrl() const { return *addressCtrl_; }
  [[nodiscard]] QPushButton& OkButton() const { return *ok_; }
  [[nodiscard]] QPushButton& CancelButton() const { return *cancel_; }

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const char* zeroWarning_;
  MessageBoxPresenter& boxes_;
  QPushButton* ok_;
  QPushButton* cancel_;
  ui::CIPAddressCtrl* addressCtrl_;
  std::uint32_t address_ = 0;
};

}  // namespace kestrine::app
