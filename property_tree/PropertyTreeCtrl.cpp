#include "property_tree/PropertyTreeCtrl.h"

#include <algorithm>
#include <array>

#include <QEvent>
#include <QResizeEvent>

#include "property_tree/PropertyDescPane.h"
#include "property_tree/PropertyFonts.h"
#include "property_tree/PropertyListWnd.h"

namespace kestrine::ui {

namespace {

using namespace geometry;

constexpr std::array<int, 7> kDeliveredCodes{PROPN_ITEM_INSERTED,   PROPN_ITEM_DELETING,   PROPN_VALUE_COMMITTED,
                                             PROPN_CURRENT_CHANGED, PROPN_EXPAND_TOGGLING, PROPN_DIVIDER_PRESSED,
                                             PROPN_VALUE_CLICKED};

constexpr int kListWindowId = 30000;

}  // namespace

CPropertyTreeCtrl::CPropertyTreeCtrl(QWidget* parent, std::uint32_t options)
    : QWidget(parent), options_(options), dividerPos_(kDefaultDividerPos) {
  CPropertyFonts::Acquire();
  setAttribute(Qt::WA_OpaquePaintEvent);
  descPane_ = new CPropertyDescPane(this, this);
  listWnd_ = new CPropertyListWnd(this, this);
  listWnd_->setObjectName(QStringLiteral("propertyList%1").arg(kListWindowId));
  setFocusProxy(listWnd_);
  ApplyPaneVisibility();
  LayoutChildren(width(), height());
}

CPropertyTreeCtrl::~CPropertyTreeCtrl() {
  // The host is tearing the window down: items go without repainting, as they would once the platform
  // window is gone.
  destroying_ = true;
  RemoveAllItems();
  CPropertyFonts::Release();
}

bool CPropertyTreeCtrl::Create(const QRect& rect, QWidget* parent, std::uint32_t options, int id) {
  options_ = options;
  controlId_ = id;
  if (parent != parentWidget()) setParent(parent);
  setGeometry(rect);
  ApplyPaneVisibility();
  LayoutChildren(width(), height());
  show();
  RepaintNow();
  return true;
}

void CPropertyTreeCtrl::SetOptions(std::uint32_t options) {
  options_ = options;
  ApplyPaneVisibility();
  LayoutChildren(width(), height());
}

void CPropertyTreeCtrl::ApplyPaneVisibility() {
  descPane_->setVisible((options_ & PROPS_SHOW_DESCRIPTION) != 0);
}

void CPropertyTreeCtrl::LayoutChildren(int width, int height) {
  if (width <= 0 || height <= 0) return;
  if (options_ & PROPS_SHOW_DESCRIPTION) {
    const int listHeight = std::max(0, height - kDescriptionPaneHeight);
    descPane_->setGeometry(0, listHeight, width, kDescriptionPaneHeight);
    listWnd_->setGeometry(0, 0, width, listHeight);
  } else {
    listWnd_->setGeometry(0, 0, width, height);
  }
  RepaintNow();
}

// ---- Item tree ----------------------------------------------------------------------------------------

bool CPropertyTreeCtrl::BelongsHere(const CPropertyItem* item) const {
  return item == &root_ || (item && item->GetOwner() == this);
}

CPropertyItem* CPropertyTreeCtrl::AddItemImpl(std::unique_ptr<CPropertyItem> item, CPropertyItem* parent) {
  if (!item) return nullptr;
  if (!parent) parent = &root_;
  if (!BelongsHere(parent)) return nullptr;
  item->SetItemId(++idCounter_);
  CPropertyItem* added = parent->AppendChild(std::move(item));
  added->SetOwner(this);
  SendNotify(PROPN_ITEM_INSERTED, added);
  UpdateView();
  return added;
}

void CPropertyTreeCtrl::RemoveItem(CPropertyItem* item) {
  // An item of another control is not ours to delete.
  if (item && !BelongsHere(item)) return;
  ResetVisibleChain();
  SendNotify(PROPN_ITEM_DELETING, item);
  CPropertyItem* target = item ? item : &root_;
  for (CPropertyItem* child = target->GetFirstChild(); child;) {
    CPropertyItem* next = child->GetNextSibling();
    RemoveItem(child);
    UpdateView();
    child = next;
  }
  if (target == &root_) return;
  std::unique_ptr<CPropertyItem> owned;
  if (CPropertyItem* parent = target->GetParent()) owned = parent->DetachChild(target);
  if (target == current_) SetCurrentItem(nullptr);
  target->DestroyEditor();
  // The repaints above walked the item while it was still linked; the chain must not outlive it.
  ResetVisibleChain();
  owned.reset();
  UpdateView();
}

void CPropertyTreeCtrl::RemoveAllItems() {
  RemoveItem(nullptr);
  UpdateView();
  idCounter_ = 1;
}

// ---- Current item -------------------------------------------------------------------------------------

void CPropertyTreeCtrl::SetCurrentItem(CPropertyItem* item) {
  current_ = item;
  ScrollIntoView(item);
  if (IsLive()) RepaintNow();
}

CPropertyItem* CPropertyTreeCtrl::LastVisible() {
  CatchUpLayout();
  return visibleTail_;
}

void CPropertyTreeCtrl::FinishMove(CPropertyItem* previous) {
  if (current_) {
    SetHighlightAll(nullptr, false);
    current_->SetHighlighted(true);
  }
  if (current_ != previous) SendNotify(PROPN_CURRENT_CHANGED, current_);
}

CPropertyItem* CPropertyTreeCtrl::MoveCurrentFirst() {
  CPropertyItem* previous = current_;
  SetCurrentItem(GetVisibleChainHead());
  FinishMove(previous);
  return current_;
}

CPropertyItem* CPropertyTreeCtrl::MoveCurrentLast() {
  CPropertyItem* previous = current_;
  CPropertyItem* last = LastVisible();
  if (last) SetCurrentItem(last);
  FinishMove(previous);
  return last;
}

CPropertyItem* CPropertyTreeCtrl::MoveCurrentPrev() {
  CPropertyItem* previous = current_;
  CPropertyItem* target = nullptr;
  if (!current_) {
    target = LastVisible();
  } else {
    for (CPropertyItem* item = GetVisibleChainHead(); item; item = item->GetNextVisible()) {
      if (item->GetNextVisible() == current_) {
        target = item;
        break;
      }
    }
  }
  if (target) SetCurrentItem(target);
  FinishMove(previous);
  return target;
}

CPropertyItem* CPropertyTreeCtrl::MoveCurrentNext() {
  CPropertyItem* previous = current_;
  CatchUpLayout();
  CPropertyItem* target = current_ ? current_->GetNextVisible() : visibleHead_;
  if (target) SetCurrentItem(target);
  FinishMove(previous);
  return target;
}

// ---- Visible chain ------------------------------------------------------------------------------------

void CPropertyTreeCtrl::ResetVisibleChain() {
  // Every row in the chain is alive here: RemoveItem empties the chain before it frees anything.
  for (CPropertyItem* item = visibleHead_; item;) {
    CPropertyItem* next = item->GetNextVisible();
    item->SetNextVisible(nullptr);
    item = next;
  }
  visibleHead_ = nullptr;
  visibleTail_ = nullptr;
}

void CPropertyTreeCtrl::AppendVisible(CPropertyItem* item) {
  if (!item) return;
  item->SetNextVisible(nullptr);
  if (visibleTail_) {
    visibleTail_->SetNextVisible(item);
  } else {
    visibleHead_ = item;
  }
  visibleTail_ = item;
}

CPropertyItem* CPropertyTreeCtrl::GetVisibleChainHead() {
  CatchUpLayout();
  return visibleHead_;
}

bool CPropertyTreeCtrl::IsInVisibleChain(const CPropertyItem* item) {
  if (!item) return false;
  for (const CPropertyItem* walk = GetVisibleChainHead(); walk; walk = walk->GetNextVisible()) {
    if (walk == item) return true;
  }
  return false;
}

// ---- Geometry -----------------------------------------------------------------------------------------

CPropertyItem* CPropertyTreeCtrl::ItemAtPoint(QPoint point) {
  const int contentY = point.y() + scrollOrigin_;
  for (CPropertyItem* item = GetVisibleChainHead(); item; item = item->GetNextVisible()) {
    const int top = item->GetOrigin().y();
    if (top <= contentY && contentY < top + item->GetRowHeight()) return item;
  }
  return nullptr;
}

int CPropertyTreeCtrl::HitTest(QPoint point) {
  const CPropertyItem* item = ItemAtPoint(point);
  if (!item) return PROP_HIT_NONE;
  const int divider = dividerPos_;
  if (!item->IsCategory() && divider - kDividerSlop <= point.x() && point.x() <= divider + kDividerSlop) {
    return PROP_HIT_DIVIDER;
  }
  if (point.x() > divider + kDividerSlop) return PROP_HIT_VALUE;
  if (item->HitExpander(QPoint(point.x(), point.y() + scrollOrigin_))) return PROP_HIT_EXPANDER;
  return PROP_HIT_LABEL;
}

void CPropertyTreeCtrl::SetDividerPos(int x) {
  const int requested = std::max(x, kDividerEdgeLimit);
  const int clientWidth = width();
  if (rect().isEmpty()) {
    dividerPos_ = requested;
  } else if (requested >= clientWidth - kDividerEdgeLimit) {
    // In a narrow control this lands left of the gutter, and is kept so.
    dividerPos_ = clientWidth - kDividerEdgeLimit;
  } else {
    dividerPos_ = requested;
  }
  if (IsLive()) RepaintNow();
}

void CPropertyTreeCtrl::ScrollIntoView(CPropertyItem* item) {
  if (!item || !IsLive()) return;
  if (!IsInVisibleChain(item)) {
    for (CPropertyItem* ancestor = item->GetParent(); ancestor; ancestor = ancestor->GetParent()) {
      ancestor->SetExpanded(true);
    }
    UpdateView();
  }
  if (!IsInVisibleChain(item)) return;
  const QRect client = listWnd_->ClientRect();
  const int rowHeight = item->GetRowHeight();
  const QPoint origin = item->GetOrigin();
  const int top = scrollOrigin_;
  const int bottom = scrollOrigin_ + client.height() - rowHeight;
  const bool inside = origin.x() >= client.left() && origin.x() < client.left() + client.width() &&
                      origin.y() >= top && origin.y() < bottom;
  if (inside) return;
  // Scrolling down leaves a row's height free below the row.
  const int position = origin.y() < top ? origin.y() : origin.y() + 2 * rowHeight - client.height();
  listWnd_->OnVScroll(CPropertyListWnd::ScrollCode::ThumbTrack, position);
}

QRect CPropertyTreeCtrl::GetWidestLabelRect() {
  CatchUpLayout();
  QRect widest;
  int widestRight = 0;
  ForEachItem(&root_, [&](CPropertyTreeCtrl&, CPropertyItem& item) {
    if (item.IsCategory()) return true;
    if (item.GetParent() && !item.GetParent()->IsExpanded()) return true;
    const QRect rect = item.GetLabelRect();
    const int right = rect.left() + rect.width();
    if (right > widestRight) {  // strictly wider: the first of equals wins
      widest = rect;
      widestRight = right;
    }
    return true;
  });
  return widest;
}

// ---- Walks --------------------------------------------------------------------------------------------

bool CPropertyTreeCtrl::ForEachItem(CPropertyItem* start, const Visitor& visit) {
  if (!start || !visit) return false;
  if (start != &root_ && !visit(*this, *start)) return false;
  bool all = true;
  for (CPropertyItem* child = start->GetFirstChild(); child; child = child->GetNextSibling()) {
    if (!ForEachItem(child, visit)) all = false;
  }
  return all;
}

void CPropertyTreeCtrl::SetHighlightAll(CPropertyItem* start, bool highlighted) {
  ForEachItem(start ? start : &root_, [highlighted](CPropertyTreeCtrl&, CPropertyItem& item) {
    item.SetHighlighted(highlighted);
    return true;
  });
}

void CPropertyTreeCtrl::RefreshValues(CPropertyItem* start) {
  ForEachItem(start ? start : &root_, [](CPropertyTreeCtrl&, CPropertyItem& item) {
    item.OnValueRefresh();
    return true;
  });
  UpdateView();
}

void CPropertyTreeCtrl::RelayoutEditors() {
  ForEachItem(&root_, [](CPropertyTreeCtrl&, CPropertyItem& item) {
    item.OnRelayout();
    return true;
  });
}

void CPropertyTreeCtrl::ClearLabelRects() {
  ForEachItem(&root_, [](CPropertyTreeCtrl&, CPropertyItem& item) {
    item.SetLabelRect(QRect());
    return true;
  });
}

void CPropertyTreeCtrl::PropagateExpand(CPropertyItem* item, bool expanded) {
  ForEachItem(item, [expanded](CPropertyTreeCtrl&, CPropertyItem& each) {
    each.OnExpandChange(expanded);
    return true;
  });
}

// ---- Repainting ---------------------------------------------------------------------------------------

void CPropertyTreeCtrl::UpdateView() {
  if (!IsLive()) return;
  if (!redraw_) {
    listWnd_->MarkLayoutOutOfDate();
    return;
  }
  listWnd_->RecalcScrollRange();
  RepaintNow();
}

void CPropertyTreeCtrl::RepaintNow() {
  if (!IsLive()) return;
  if (!redraw_) {
    listWnd_->MarkLayoutOutOfDate();
    return;
  }
  listWnd_->Repaint();
  if (descPane_->isVisible()) descPane_->repaint();
}

void CPropertyTreeCtrl::SetRedraw(bool redraw) {
  if (redraw == redraw_) return;
  redraw_ = redraw;
  if (redraw_) UpdateView();
}

void CPropertyTreeCtrl::CatchUpLayout() {
  if (!redraw_ && IsLive()) listWnd_->EnsureLayout();
}

CPropertyTreeCtrl::BatchUpdate::BatchUpdate(CPropertyTreeCtrl& control)
    : control_(&control), redrawBefore_(control.IsRedrawOn()) {
  control.SetRedraw(false);
}

CPropertyTreeCtrl::BatchUpdate::~BatchUpdate() {
  if (control_) control_->SetRedraw(redrawBefore_);
}

const QFont& CPropertyTreeCtrl::GetNormalFont() { return CPropertyFonts::Normal(); }

const QFont& CPropertyTreeCtrl::GetBoldFont() { return CPropertyFonts::Bold(); }

// ---- Reports ------------------------------------------------------------------------------------------

long CPropertyTreeCtrl::SendNotify(int code, CPropertyItem* item) {
  if (!IsLive() || (options_ & PROPS_NOTIFY) == 0 || !notifyTarget_) return 0;
  if (std::find(kDeliveredCodes.begin(), kDeliveredCodes.end(), code) == kDeliveredCodes.end()) return 0;
  PropertyNotify notify;
  notify.from = this;
  notify.idFrom = controlId_;
  notify.code = code;
  notify.item = item;
  return notifyTarget_(notify);
}

void CPropertyTreeCtrl::ReportCommand(int commandId, CPropertyItem* item) {
  if (commandId != 0) emit ItemCommand(commandId, item);
}

// ---- Events -------------------------------------------------------------------------------------------

bool CPropertyTreeCtrl::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ThemeChange:
    case QEvent::ApplicationFontChange:
    case QEvent::ApplicationPaletteChange:
      CPropertyFonts::Recreate();
      RepaintNow();
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

void CPropertyTreeCtrl::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) RepaintNow();
  QWidget::changeEvent(event);
}

void CPropertyTreeCtrl::focusInEvent(QFocusEvent* event) {
  RepaintNow();
  QWidget::focusInEvent(event);
}

void CPropertyTreeCtrl::paintEvent(QPaintEvent* /*event*/) {
  // The list window and the pane cover the whole control and paint themselves.
}

void CPropertyTreeCtrl::resizeEvent(QResizeEvent* event) {
  LayoutChildren(event->size().width(), event->size().height());
  QWidget::resizeEvent(event);
}

}  // namespace kestrine::ui
