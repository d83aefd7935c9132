#pragma once

#include <vector>

#include <QPointer>
#include <QWidget>

#include "app/SplitterLayout.h"

namespace kestrine::app {

class HalftoneTracker;

// Divides its area between a fixed number of panes by fixed-point shares, keeps every pane at least a
// minimum size, and lets the operator drag the bars between panes with a halftone tracker. The panes are
// the splitter's children but it does not own them in any other sense: they live as long as it does.
class CPaneSplitter final : public QWidget {
  Q_OBJECT

 public:
  enum class Orientation { SideBySide = 1, Stacked = 2 };

  // Pane windows get the child ids 0xE900 onward, as object names "pane0", "pane1", ...
  static constexpr int kFirstPaneId = 0xE900;

  CPaneSplitter(int paneCount, Orientation orientation, int minimumPane, int bar, QWidget* parent = nullptr);

  void SetShares(const std::vector<int>& shares);
  // Makes `window` pane `index`: a child of the splitter, shown, in the pane's rectangle.
  void CreatePane(int index, QWidget* window);
  // Records an existing window as pane `index` and moves it to the pane's rectangle.
  void AttachPane(int index, QWidget* window);
  void FocusPane(int index);

  [[nodiscard]] QWidget* Pane(int index) const;
  [[nodiscard]] QRect PaneRect(int index) const;
  [[nodiscard]] QRect BarRect(int paneAfterBar) const;
  [[nodiscard]] const SplitterLayout& Layout() const { return layout_; }
  [[nodiscard]] bool IsTracking() const { return tracking_; }
  [[nodiscard]] const HalftoneTracker& Tracker() const { return *tracker_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  [[nodiscard]] int Extent() const;
  [[nodiscard]] int AlongAxis(const QPoint& point) const;
  [[nodiscard]] QRect SpanRect(int start, int length) const;
  void MovePanes();
  void DrawTracker();

  Orientation orientation_;
  SplitterLayout layout_;
  std::vector<QPointer<QWidget>> panes_;
  HalftoneTracker* tracker_;
  bool tracking_ = false;
  int trackedPane_ = 1;
  int trackerPosition_ = 0;
  int grabOffset_ = 0;
};

}  // namespace kestrine::app
