#include "app/HalftoneTracker.h"

#include <QPainter>

namespace kestrine::app {

HalftoneTracker::HalftoneTracker(QWidget* parent) : QWidget(parent) {
  setObjectName("halftoneTracker");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  hide();
}

QImage HalftoneTracker::Inverted(const QImage& beneath) {
  QImage image = beneath.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = (y & 1); x < image.width(); x += 2) line[x] = line[x] ^ 0x00FFFFFFu;
  }
  return image;
}

void HalftoneTracker::DrawAt(const QRect& area) {
  hide();
  // Rendered in the parent's pixels so the checkerboard stays aligned with the screen at any scale.
  picture_ = Inverted(parentWidget()->grab(area).toImage());
  setGeometry(area);
  raise();
  show();
  repaint();
}

void HalftoneTracker::Erase() { hide(); }

void HalftoneTracker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(rect(), picture_);
}

}  // namespace kestrine::app
