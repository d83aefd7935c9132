#include "app/DividerTracker.h"

#include <QPainter>

namespace kestrine::app {
namespace {

constexpr int kTrackerWidth = 4;

}  // namespace

DividerTracker::DividerTracker(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  hide();
}

void DividerTracker::ShowAt(int x) {
  setGeometry(x - kTrackerWidth / 2, 0, kTrackerWidth, parentWidget()->height());
  raise();
  show();
}

void DividerTracker::paintEvent(QPaintEvent* /*event*/) {
  // The 0xAA / 0x55 halftone, XORed onto what the siblings painted below.
  QPainter painter(this);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setBrushOrigin(0, 0);
  painter.fillRect(rect(), QBrush(Qt::white, Qt::Dense4Pattern));
}

}  // namespace kestrine::app
