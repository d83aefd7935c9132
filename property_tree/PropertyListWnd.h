#pragma once

#include <QCursor>
#include <QRect>
#include <QWidget>

class QScrollBar;

namespace kestrine::ui {

class CPropertyItem;
class CPropertyTreeCtrl;

// The scrolling surface of a property tree control: paints every row, and turns mouse, wheel, keyboard
// and scroll-bar input into the control's operations. It is the parent of every item's editor widget, so
// editor geometry is in its client coordinates. It keeps no item state; all of it lives in the control.
class CPropertyListWnd final : public QWidget {
  Q_OBJECT

 public:
  // The vertical-scroll requests, numbered as the platform numbers them.
  enum class ScrollCode {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
  };

  CPropertyListWnd(CPropertyTreeCtrl* control, QWidget* parent);

  // The area the rows are painted in: the window less the scroll bar while it shows.
  [[nodiscard]] QRect ClientRect() const;

  // Scroll range: 0 to the rows' total height, with a page of client height + 1.
  void RecalcScrollRange();
  [[nodiscard]] int GetScrollMaximum() const { return scrollMaximum_; }
  [[nodiscard]] int GetScrollPage() const { return scrollPage_; }
  [[nodiscard]] QScrollBar* GetScrollBar() const { return scrollBar_; }

  // Applies a scroll request, clamps it to the range and repaints.
  void OnVScroll(ScrollCode code, int position);

  // Tab or Shift+Tab that an open editor passed on once it committed: the list takes the focus back and
  // moves as its own Tab does.
  void StepFromEditor(bool backwards);

  // Clears the current item once a collapse has taken it out of the visible chain.
  void DropHiddenCurrent();

  // Paints synchronously. While the window cannot show (hidden, or not yet exposed) the rows are laid out
  // without drawing instead, so the visible chain and the row geometry are always current. While the
  // control's redraw is off, it only notes that the rows are out of date.
  void Repaint();

  // While the control's redraw is off: notes that the rows are out of date, or brings the scroll range,
  // the rows' geometry and the visible chain up to date again without drawing, if anything changed since
  // they were last laid out.
  void MarkLayoutOutOfDate() { layoutOutOfDate_ = true; }
  void EnsureLayout();
  [[nodiscard]] bool IsLayoutOutOfDate() const { return layoutOutOfDate_; }

  [[nodiscard]] bool IsDragging() const { return dragging_; }
  [[nodiscard]] int GetDragX() const { return dragX_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Lays out every row that is not under a collapsed ancestor, rebuilding the visible chain; with a
  // painter it also draws the window.
  void WalkRows(QPainter* painter);
  void PaintBackground(QPainter& painter, const QRect& client) const;
  void PaintOverlay(QPainter& painter, const QRect& client) const;
  void PaintTracker(QPainter& painter, const QRect& client) const;
  void PlaceScrollBar();
  void OnClientWidthChanged();
  void OnScrollBarAction(int action);
  void HandleWheel(int delta);
  void ClickAt(QPoint point);
  void DoubleClickAt(QPoint point);
  void Toggle(CPropertyItem& item);
  void FitDivider();
  void EditCurrentIfAllowed();
  bool HandleKey(int key, bool shift);
  void UpdateCursorShape(QPoint point);
  [[nodiscard]] bool ControlEnabled() const;
  // Input needs a control that is enabled and redrawing: with redraw off the rows may be out of date.
  [[nodiscard]] bool TakesInput() const;

  CPropertyTreeCtrl* control_;
  QScrollBar* scrollBar_;
  bool dragging_ = false;
  QCursor dividerCursor_;
  int dragX_ = -1;
  int scrollMaximum_ = 0;
  int scrollPage_ = 1;
  int paintCount_ = 0;
  bool relayingOut_ = false;
  bool painting_ = false;
  bool layoutOutOfDate_ = false;
};

}  // namespace kestrine::ui
