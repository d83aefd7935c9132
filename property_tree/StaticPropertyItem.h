#pragma once

#include <QString>

#include "property_tree/PropertyItem.h"

namespace kestrine::ui {

// A row whose value only the program sets. It has no editor and never reports a command.
class CStaticPropertyItem final : public CPropertyItem {
 public:
  CStaticPropertyItem();

  // Shown from the row's next paint on.
  void SetValueText(const QString& text) { valueText_ = text; }
  [[nodiscard]] const QString& GetValueText() const { return valueText_; }
  [[nodiscard]] QString GetDisplayText() const override { return valueText_; }

  void PaintValue(QPainter& painter, const QRect& valueRect) override;

 private:
  QString valueText_;
};

}  // namespace kestrine::ui
