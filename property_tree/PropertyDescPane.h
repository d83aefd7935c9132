#pragma once

#include <QString>
#include <QWidget>

namespace kestrine::ui {

class CPropertyTreeCtrl;

// The optional strip along the bottom of a control that shows the current item's description.
class CPropertyDescPane final : public QWidget {
  Q_OBJECT

 public:
  CPropertyDescPane(CPropertyTreeCtrl* control, QWidget* parent);

  // The text the pane shows for the control's current state.
  [[nodiscard]] QString DescriptionText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CPropertyTreeCtrl* control_;
};

}  // namespace kestrine::ui
