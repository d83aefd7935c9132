#pragma once

#include "app/MessageBoxPresenter.h"

namespace kestrine::app {

// Real modal boxes with an OK button.
class ModalMessageBoxes final : public MessageBoxPresenter {
 public:
  void Show(const MessageBoxRequest& request) override;
};

// The presenter every window uses unless a test puts another in its place.
[[nodiscard]] MessageBoxPresenter& DefaultMessageBoxes();

}  // namespace kestrine::app
