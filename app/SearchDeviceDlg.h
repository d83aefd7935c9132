#pragma once

#include <cstdint>
#include <optional>

#include "app/AddressDialog.h"

namespace kestrine::app {

// Asks for the broadcast address of a search, proposing this workstation's address with 255 as last byte.
class CSearchDeviceDlg final : public AddressDialog {
  Q_OBJECT

 public:
  // proposal: the address to offer (host order); none leaves the control blank.
  CSearchDeviceDlg(std::optional<std::uint32_t> proposal, MessageBoxPresenter& boxes, QWidget* parent = nullptr);
};

}  // namespace kestrine::app
