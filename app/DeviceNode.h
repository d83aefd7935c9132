#pragma once

#include <QString>
#include <QTreeWidgetItem>

#include "config/EncoderConfiguration.h"

namespace kestrine::app {

// The record a device tree node carries for its encoder.
using DeviceEntry = config::EncoderConfiguration;

// A top-level node of the device tree. It owns its encoder's record for its whole life, so deleting the
// node is the only way the record goes, and nothing else may keep a pointer to it past that.
class DeviceNode final : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 1;

  explicit DeviceNode(const QString& addressText);

  [[nodiscard]] DeviceEntry& Entry() { return entry_; }
  [[nodiscard]] const DeviceEntry& Entry() const { return entry_; }
  [[nodiscard]] QString AddressText() const { return text(0); }
  [[nodiscard]] int Image() const { return image_; }
  void SetImage(int image);

 private:
  DeviceEntry entry_{};
  int image_ = 1;
};

}  // namespace kestrine::app
