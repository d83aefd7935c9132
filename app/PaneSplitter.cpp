#include "app/PaneSplitter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include "app/HalftoneTracker.h"

namespace kestrine::app {

CPaneSplitter::CPaneSplitter(int paneCount, Orientation orientation, int minimumPane, int bar, QWidget* parent)
    : QWidget(parent),
      orientation_(orientation),
      layout_(paneCount, minimumPane, bar),
      panes_(static_cast<std::size_t>(paneCount)),
      tracker_(new HalftoneTracker(this)) {
  setObjectName(orientation == Orientation::SideBySide ? "outerSplitter" : "innerSplitter");
  setAccessibleName(orientation == Orientation::SideBySide ? "Device and configuration panes"
                                                           : "Configuration and message panes");
  setCursor(orientation == Orientation::SideBySide ? Qt::SplitHCursor : Qt::SplitVCursor);
  // A splitter starts out covering its parent, so the first shares are not taken over a placeholder size.
  if (parent != nullptr) setGeometry(parent->rect());
}

int CPaneSplitter::Extent() const { return orientation_ == Orientation::SideBySide ? width() : height(); }

int CPaneSplitter::AlongAxis(const QPoint& point) const {
  return orientation_ == Orientation::SideBySide ? point.x() : point.y();
}

QRect CPaneSplitter::SpanRect(int start, int length) const {
  return orientation_ == Orientation::SideBySide ? QRect(start, 0, length, height()) : QRect(0, start, width(), length);
}

QRect CPaneSplitter::PaneRect(int index) const { return SpanRect(layout_.PaneStart(index), layout_.PaneLength(index)); }

QRect CPaneSplitter::BarRect(int paneAfterBar) const {
  return SpanRect(layout_.Position(paneAfterBar) - layout_.Bar(), layout_.Bar());
}

QWidget* CPaneSplitter::Pane(int index) const { return panes_.at(static_cast<std::size_t>(index)); }

void CPaneSplitter::SetShares(const std::vector<int>& shares) {
  layout_.SetShares(shares, Extent());
  MovePanes();
}

void CPaneSplitter::CreatePane(int index, QWidget* window) {
  AttachPane(index, window);
  window->setObjectName(window->objectName().isEmpty() ? QString("pane%1").arg(index) : window->objectName());
  window->setProperty("paneId", kFirstPaneId + index);
  window->show();
}

void CPaneSplitter::AttachPane(int index, QWidget* window) {
  panes_.at(static_cast<std::size_t>(index)) = window;
  if (window->parentWidget() != this) window->setParent(this);
  window->setGeometry(PaneRect(index));
  tracker_->raise();
}

void CPaneSplitter::FocusPane(int index) {
  if (QWidget* pane = Pane(index)) pane->setFocus(Qt::OtherFocusReason);
}

void CPaneSplitter::MovePanes() {
  for (int i = 0; i < layout_.PaneCount(); ++i) {
    if (QWidget* pane = Pane(i)) pane->setGeometry(PaneRect(i));
  }
  update();
}

void CPaneSplitter::resizeEvent(QResizeEvent*) {
  layout_.Layout(Extent());
  MovePanes();
}

void CPaneSplitter::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QColor face = palette().color(QPalette::Button);
  for (int k = 1; k < layout_.PaneCount(); ++k) painter.fillRect(BarRect(k).intersected(event->rect()), face);
}

void CPaneSplitter::DrawTracker() {
  const int length = orientation_ == Orientation::SideBySide ? height() : width();
  const QRect area = orientation_ == Orientation::SideBySide
                         ? QRect(trackerPosition_ - layout_.Bar(), 0, layout_.Bar(), length)
                         : QRect(0, trackerPosition_ - layout_.Bar(), length, layout_.Bar());
  tracker_->DrawAt(area);
}

void CPaneSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || layout_.PaneCount() < 2) return;
  const int c = AlongAxis(event->position().toPoint());
  // The press grabs the mouse for this widget until the release.
  tracking_ = true;
  trackedPane_ = layout_.BarAt(c);
  trackerPosition_ = layout_.Position(trackedPane_);
  grabOffset_ = c - trackerPosition_;
  DrawTracker();
}

void CPaneSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (!tracking_) return;
  tracker_->Erase();
  trackerPosition_ = layout_.ClampBar(trackedPane_, AlongAxis(event->position().toPoint()) - grabOffset_);
  DrawTracker();
}

void CPaneSplitter::mouseReleaseEvent(QMouseEvent* event) {
  if (!tracking_ || event->button() != Qt::LeftButton) return;
  tracker_->Erase();
  tracking_ = false;
  layout_.DropBar(trackedPane_, trackerPosition_, Extent());
  MovePanes();
}

}  // namespace kestrine::app
