#include "property_tree/PropertyListWnd.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "property_tree/DividerCursor.h"
#include "property_tree/PropertyItem.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/RowPainter.h"
#include "property_tree/SystemColors.h"

namespace kestrine::ui {

namespace {

using namespace geometry;

struct ScrollActionMapping {
  int action;
  CPropertyListWnd::ScrollCode code;
};

constexpr ScrollActionMapping kScrollActions[] = {
    {QAbstractSlider::SliderSingleStepSub, CPropertyListWnd::ScrollCode::LineUp},
    {QAbstractSlider::SliderSingleStepAdd, CPropertyListWnd::ScrollCode::LineDown},
    {QAbstractSlider::SliderPageStepSub, CPropertyListWnd::ScrollCode::PageUp},
    {QAbstractSlider::SliderPageStepAdd, CPropertyListWnd::ScrollCode::PageDown},
    {QAbstractSlider::SliderMove, CPropertyListWnd::ScrollCode::ThumbTrack},
    {QAbstractSlider::SliderToMinimum, CPropertyListWnd::ScrollCode::Top},
    {QAbstractSlider::SliderToMaximum, CPropertyListWnd::ScrollCode::Bottom},
};

}  // namespace

CPropertyListWnd::CPropertyListWnd(CPropertyTreeCtrl* control, QWidget* parent)
    : QWidget(parent), control_(control), scrollBar_(new QScrollBar(Qt::Vertical, this)),
      dividerCursor_(MakeDividerCursor()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  scrollBar_->setFocusPolicy(Qt::NoFocus);
  scrollBar_->setCursor(Qt::ArrowCursor);
  scrollBar_->setSingleStep(kLineStep);
  scrollBar_->hide();
  scrollBar_->installEventFilter(this);
  connect(scrollBar_, &QAbstractSlider::actionTriggered, this, &CPropertyListWnd::OnScrollBarAction);
  PlaceScrollBar();
}

QRect CPropertyListWnd::ClientRect() const {
  const int bar = scrollBar_->isHidden() ? 0 : scrollBar_->width();
  return QRect(0, 0, std::max(0, width() - bar), height());
}

bool CPropertyListWnd::ControlEnabled() const { return control_ && control_->isEnabled(); }

bool CPropertyListWnd::TakesInput() const { return ControlEnabled() && control_->IsRedrawOn(); }

// ---- Painting -----------------------------------------------------------------------------------------

void CPropertyListWnd::Repaint() {
  // An editor moved or hidden by a row's walk may ask for another paint; the one running will do.
  if (!control_ || painting_) return;
  if (!control_->IsRedrawOn()) {
    layoutOutOfDate_ = true;
    return;
  }
  layoutOutOfDate_ = false;
  const int before = paintCount_;
  if (isVisible()) repaint();
  if (paintCount_ != before) return;
  // Nothing can be seen, so nothing is rasterised: the walk only lays the rows out.
  WalkRows(nullptr);
}

void CPropertyListWnd::EnsureLayout() {
  if (!control_ || painting_ || !layoutOutOfDate_) return;
  // This may note the rows out of date again; the walk below catches up with that as well.
  RecalcScrollRange();
  WalkRows(nullptr);
  layoutOutOfDate_ = false;
}

void CPropertyListWnd::paintEvent(QPaintEvent* /*event*/) {
  if (!control_) return;
  ++paintCount_;
  QPainter painter(this);
  WalkRows(&painter);
}

void CPropertyListWnd::WalkRows(QPainter* painter) {
  painting_ = true;
  const QRect client = ClientRect();
  control_->ResetVisibleChain();
  control_->ClearLabelRects();
  if (painter) PaintBackground(*painter, client);
  RowWalk walk(painter, this, client);
  int y = 0;
  for (CPropertyItem* category = control_->GetRootItem().GetFirstChild(); category;
       category = category->GetNextSibling()) {
    y += RowPainter::PaintRow(walk, *category, 0, y);
  }
  if (painter) PaintOverlay(*painter, client);
  painting_ = false;
}

void CPropertyListWnd::PaintBackground(QPainter& painter, const QRect& client) const {
  const bool enabled = control_->isEnabled();
  const QPalette& colors = palette();
  painter.fillRect(client, GetSysColor(colors, SysColor::BtnFace));
  painter.fillRect(client.adjusted(2, 2, -2, -2), GetSysColor(colors, enabled ? SysColor::Window : SysColor::BtnFace));
  const bool shaded = (control_->GetOptions() & PROPS_SHADED_GUTTER) != 0 || !enabled;
  const QColor gutter = GetSysColor(colors, shaded ? SysColor::BtnFace : SysColor::Window);
  painter.fillRect(QRect(0, 0, kGutterWidth, client.height()), gutter);
  // The expander boxes are filled with the gutter colour and outlined with the default pen.
  painter.setBrush(gutter);
  painter.setPen(GetSysColor(colors, SysColor::DefaultPen));
}

void CPropertyListWnd::PaintOverlay(QPainter& painter, const QRect& client) const {
  RowPainter::DrawVLine(painter, palette(), kGutterWidth, 0, client.height());
  RowPainter::DrawSunkenOuterEdge(painter, client, palette());
  if (dragging_) PaintTracker(painter, client);
}

void CPropertyListWnd::PaintTracker(QPainter& painter, const QRect& client) const {
  // A checkered bar that inverts what lies under it.
  const int left = dragX_ - kTrackerWidth / 2;
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setBrushOrigin(left, 0);
  painter.fillRect(QRect(left, 0, kTrackerWidth, client.height()), QBrush(Qt::white, Qt::Dense4Pattern));
  painter.restore();
}

// ---- Size and scrolling -------------------------------------------------------------------------------

void CPropertyListWnd::PlaceScrollBar() {
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBar_);
  scrollBar_->setGeometry(width() - extent, 0, extent, height());
}

void CPropertyListWnd::resizeEvent(QResizeEvent* event) {
  PlaceScrollBar();
  QWidget::resizeEvent(event);
  OnClientWidthChanged();
}

void CPropertyListWnd::OnClientWidthChanged() {
  if (!control_ || relayingOut_) return;
  relayingOut_ = true;
  RecalcScrollRange();
  control_->RelayoutEditors();
  Repaint();
  relayingOut_ = false;
}

void CPropertyListWnd::RecalcScrollRange() {
  if (!control_) return;
  const int page = ClientRect().height() + 1;
  int total = 0;
  for (const CPropertyItem* category = control_->GetRootItem().GetFirstChild(); category;
       category = category->GetNextSibling()) {
    total += category->GetSubtreeHeight();
  }
  if (page > total) control_->SetScrollOrigin(0);
  scrollMaximum_ = total;
  scrollPage_ = page;
  scrollBar_->setRange(0, std::max(0, total - page));
  scrollBar_->setPageStep(page);
  scrollBar_->setValue(control_->GetScrollOrigin());
  // The bar shows only while the page does not cover the whole range; showing or hiding it changes the
  // client width, which counts as a resize.
  const bool barNeeded = page <= total;
  if (barNeeded == scrollBar_->isHidden()) {
    scrollBar_->setVisible(barNeeded);
    OnClientWidthChanged();
  }
  control_->SetDividerPos(control_->GetDividerPos());
}

void CPropertyListWnd::OnVScroll(ScrollCode code, int position) {
  if (!control_) return;
  const QRect client = ClientRect();
  setFocus();
  const int page = client.height() + 1;
  int y = control_->GetScrollOrigin();
  switch (code) {
    case ScrollCode::LineUp:
      y -= kLineStep;
      break;
    case ScrollCode::LineDown:
      y += kLineStep;
      break;
    case ScrollCode::PageUp:
      y -= page;
      break;
    case ScrollCode::PageDown:
      y += page;
      break;
    case ScrollCode::ThumbTrack:
      y = position;
      break;
    default:
      break;
  }
  y = std::max(y, 0);
  if (y >= scrollMaximum_ - page) y = scrollMaximum_ - page;
  // Rows that fit the window never scroll: the two limits cross there, and a negative origin would
  // push the rows down.
  y = std::max(y, 0);
  control_->SetScrollOrigin(y);
  scrollBar_->setValue(y);
  Repaint();
}

void CPropertyListWnd::OnScrollBarAction(int action) {
  if (!control_ || !control_->IsRedrawOn()) {
    scrollBar_->setSliderPosition(control_ ? control_->GetScrollOrigin() : 0);
    return;
  }
  for (const ScrollActionMapping& mapping : kScrollActions) {
    if (mapping.action == action) {
      OnVScroll(mapping.code, scrollBar_->sliderPosition());
      scrollBar_->setSliderPosition(control_ ? control_->GetScrollOrigin() : 0);
      return;
    }
  }
}

void CPropertyListWnd::HandleWheel(int delta) {
  if (!control_ || !control_->IsRedrawOn() || delta == 0) return;
  if (scrollMaximum_ >= ClientRect().height()) {
    setFocus();
    OnVScroll(delta < 0 ? ScrollCode::LineDown : ScrollCode::LineUp, 0);
  }
}

void CPropertyListWnd::wheelEvent(QWheelEvent* event) {
  // One line per notch or touchpad step, whatever the distance; sideways turns are not ours.
  HandleWheel(event->angleDelta().y());
  event->accept();
}

bool CPropertyListWnd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == scrollBar_ && event->type() == QEvent::Wheel) {
    HandleWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Mouse --------------------------------------------------------------------------------------------

void CPropertyListWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !TakesInput()) {
    QWidget::mousePressEvent(event);
    return;
  }
  ClickAt(event->position().toPoint());
  event->accept();
}

void CPropertyListWnd::ClickAt(QPoint point) {
  control_->SendNotify(PROPN_CLICK, nullptr);
  setFocus(Qt::MouseFocusReason);
  const int code = control_->HitTest(point);
  if (code == PROP_HIT_DIVIDER) {
    if (control_->SendNotify(PROPN_DIVIDER_PRESSED, nullptr) != 0) return;
    dragging_ = true;
    dragX_ = control_->GetDividerPos();
    Repaint();
    return;
  }
  CPropertyItem* item = control_->ItemAtPoint(point);
  if (code == PROP_HIT_EXPANDER) {
    if (item && item->HasChildren()) Toggle(*item);
    return;
  }
  if (!item) {
    control_->SetHighlightAll(nullptr, false);
    control_->SetCurrentItem(nullptr);
    control_->SendNotify(PROPN_CURRENT_CHANGED, nullptr);
    Repaint();
    return;
  }
  CPropertyItem* previous = control_->GetCurrentItem();
  control_->SetHighlightAll(nullptr, false);
  item->SetHighlighted(true);
  if (item != previous) control_->SendNotify(PROPN_CURRENT_CHANGED, item);
  const bool edit = code == PROP_HIT_VALUE && !item->IsCategory() &&
                    control_->SendNotify(PROPN_VALUE_CLICKED, item) == 0 && !item->IsReadOnly();
  // The row is scrolled into view before its editor opens, so the editor lands on the row and is not
  // closed again by the scroll taking the focus.
  control_->SetCurrentItem(item);
  if (edit) item->BeginEdit();
  Repaint();
}

void CPropertyListWnd::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (control_ && dragging_) {
    dragX_ = point.x();
    Repaint();
  } else {
    UpdateCursorShape(point);
  }
  QWidget::mouseMoveEvent(event);
}

void CPropertyListWnd::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && ControlEnabled() && dragging_) {
    dragging_ = false;
    const int clientWidth = ClientRect().width();
    int x = event->position().toPoint().x();
    if (x < kDragMinimum) {
      x = kDragMinimum;
    } else if (x > clientWidth - kDragRightMargin) {
      x = clientWidth - kDragRightMargin;
    }
    control_->SetDividerPos(x);
    control_->RelayoutEditors();
    Repaint();
  }
  QWidget::mouseReleaseEvent(event);
}

void CPropertyListWnd::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !TakesInput()) {
    QWidget::mouseDoubleClickEvent(event);
    return;
  }
  DoubleClickAt(event->position().toPoint());
  event->accept();
}

void CPropertyListWnd::DoubleClickAt(QPoint point) {
  control_->SendNotify(PROPN_DBLCLK, nullptr);
  CPropertyItem* item = control_->ItemAtPoint(point);
  const int code = control_->HitTest(point);
  if (!item || !item->HasChildren()) {
    if (code == PROP_HIT_DIVIDER) FitDivider();
    return;
  }
  switch (code) {
    case PROP_HIT_DIVIDER:
      FitDivider();
      return;
    case PROP_HIT_EXPANDER:
      Toggle(*item);
      return;
    case PROP_HIT_VALUE:
      if (!item->IsCategory()) return;
      break;
    default:
      break;
  }
  CPropertyItem* previous = control_->GetCurrentItem();
  control_->SetHighlightAll(nullptr, false);
  control_->SetCurrentItem(item);
  item->SetHighlighted(true);
  if (item != previous) control_->SendNotify(PROPN_CURRENT_CHANGED, item);
  Toggle(*item);
}

void CPropertyListWnd::Toggle(CPropertyItem& item) {
  if (control_->SendNotify(PROPN_EXPAND_TOGGLING, &item) != 0) return;
  item.SetExpanded(!item.IsExpanded());
  RecalcScrollRange();
  Repaint();
  DropHiddenCurrent();
}

void CPropertyListWnd::FitDivider() {
  const QRect widest = control_->GetWidestLabelRect();
  const int x = std::min(widest.left() + widest.width() + kFitDividerGap, ClientRect().width() - kDragRightMargin);
  control_->SetDividerPos(x);
  control_->RelayoutEditors();
  Repaint();
}

void CPropertyListWnd::UpdateCursorShape(QPoint point) {
  if (!control_ || !control_->IsRedrawOn()) return;
  switch (control_->HitTest(point)) {
    case PROP_HIT_DIVIDER:
      setCursor(dividerCursor_);
      break;
    case PROP_HIT_EXPANDER:
      setCursor(Qt::PointingHandCursor);
      break;
    default:
      unsetCursor();
      break;
  }
}

void CPropertyListWnd::DropHiddenCurrent() {
  if (!control_) return;
  CPropertyItem* current = control_->GetCurrentItem();
  if (!current || control_->IsInVisibleChain(current)) return;
  current->SetHighlighted(false);
  control_->SetCurrentItem(nullptr);
  control_->SendNotify(PROPN_CURRENT_CHANGED, nullptr);
  Repaint();
}

// ---- Keyboard -----------------------------------------------------------------------------------------

bool CPropertyListWnd::event(QEvent* event) {
  // Tab belongs to the rows, not to the window's focus chain.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::event(event);
}

void CPropertyListWnd::keyPressEvent(QKeyEvent* event) {
  // Keys an open editor did not use end here, as they would at the platform's edit windows.
  if (!hasFocus()) {
    event->accept();
    return;
  }
  if (!TakesInput()) {
    QWidget::keyPressEvent(event);
    return;
  }
  const bool shift = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier) != 0;
  if (HandleKey(event->key(), shift)) {
    event->accept();
  } else {
    QWidget::keyPressEvent(event);
  }
}

void CPropertyListWnd::StepFromEditor(bool backwards) {
  if (!TakesInput()) return;
  setFocus(Qt::TabFocusReason);
  HandleKey(backwards ? Qt::Key_Backtab : Qt::Key_Tab, backwards);
}

void CPropertyListWnd::EditCurrentIfAllowed() {
  CPropertyItem* current = control_->GetCurrentItem();
  if (current && !current->IsCategory() && !current->IsReadOnly()) current->BeginEdit();
}

bool CPropertyListWnd::HandleKey(int key, bool shift) {
  CPropertyItem* current = control_->GetCurrentItem();
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (current && !current->IsCategory()) {
        if (shift) {
          control_->MoveCurrentPrev();
        } else {
          control_->MoveCurrentNext();
        }
      }
      EditCurrentIfAllowed();
      Repaint();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      EditCurrentIfAllowed();
      return true;
    case Qt::Key_End:
      if (control_->MoveCurrentLast()) Repaint();
      return true;
    case Qt::Key_Home:
      control_->MoveCurrentFirst();
      if (control_->GetCurrentItem()) Repaint();
      return true;
    case Qt::Key_Left:
      if (!current) return true;
      if (control_->SendNotify(PROPN_EXPAND_TOGGLING, current) == 0 && current->HasChildren() &&
          current->IsExpanded()) {
        current->SetExpanded(false);
        RecalcScrollRange();
        Repaint();
        DropHiddenCurrent();
        return true;
      }
      return HandleKey(Qt::Key_Up, shift);
    case Qt::Key_Up:
      if (control_->MoveCurrentPrev()) Repaint();
      return true;
    case Qt::Key_Right:
      if (!current) return true;
      if (control_->SendNotify(PROPN_EXPAND_TOGGLING, current) == 0 && current->HasChildren() &&
          !current->IsExpanded()) {
        current->SetExpanded(true);
        RecalcScrollRange();
        Repaint();
        DropHiddenCurrent();
        return true;
      }
      return HandleKey(Qt::Key_Down, shift);
    case Qt::Key_Down:
      if (control_->MoveCurrentNext()) Repaint();
      return true;
    default:
      return false;
  }
}

void CPropertyListWnd::focusInEvent(QFocusEvent* event) {
  Repaint();
  QWidget::focusInEvent(event);
}

}  // namespace kestrine::ui
