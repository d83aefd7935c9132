#pragma once

#include <QImage>
#include <QWidget>

namespace kestrine::app {

// The bar tracker of a splitter: what lies beneath it, inverted through an 8 x 8 checkerboard (every
// other pixel), as the halftone brush of the classic desktop draws it. It sits on top of the panes and
// lets every mouse event through to the splitter.
class HalftoneTracker final : public QWidget {
  Q_OBJECT

 public:
  explicit HalftoneTracker(QWidget* parent);

  // Draws the tracker over `area` of the parent, replacing any tracker drawn before.
  void DrawAt(const QRect& area);
  void Erase();
  [[nodiscard]] bool IsDrawn() const { return isVisible(); }

  // The checkerboard inversion of an image, also used to test what a tracker looks like.
  [[nodiscard]] static QImage Inverted(const QImage& beneath);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace kestrine::app
