#pragma once

#include <QWidget>

namespace kestrine::app {

// The bar that follows the mouse while the page's divider is dragged: a checkered pattern that
// inverts whatever lies beneath it, the two property lists included. It takes no input.
class DividerTracker final : public QWidget {
  Q_OBJECT

 public:
  explicit DividerTracker(QWidget* parent);

  // Places the bar centred on x, the parent's full height, above every sibling.
  void ShowAt(int x);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace kestrine::app
